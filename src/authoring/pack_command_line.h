#pragma once

#include <string>
#include <vector>

#include "authoring/disk_writer.h"

// vlpack's command line: the options, the usage text and the closing lines.

enum class PackCommand { Run, Help, Wrong };

// Reads the arguments after the program's name into `options`. Wrong: the
// message says what is wrong, naming the argument.
PackCommand ParsePackArguments(const std::vector<std::string>& arguments, PackOptions& options,
                               std::string& message);

// The text of --help.
extern const char kPackUsage[];

// The closing lines of a run that packed: what went onto how many disks, and
// how to check the script it wrote.
std::string PackSummary(const PackOptions& options, const PackReport& report);
