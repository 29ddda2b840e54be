#pragma once

#include <string>
#include <vector>

#include "authoring/script_check.h"

// vlcheck's command line: the options and the usage text.

enum class CheckCommand { Run, Help, Version, Wrong };

struct CheckArguments {
    std::string script; // "-": standard input
    std::string disks;  // what [SP] stands for; empty: the script's folder
    CheckOptions options;
};

// Reads the arguments after the program's name. Wrong: the message says what
// is wrong, naming the argument.
CheckCommand ParseCheckArguments(const std::vector<std::string>& arguments, CheckArguments& out,
                                 std::string& message);

// The text of --help, with the warning classes.
std::string CheckUsage();

extern const char kCheckVersion[];
