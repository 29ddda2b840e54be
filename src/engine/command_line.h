#pragma once

#include <string>
#include <vector>

// The switches of VLSetup.exe and VLUninstall.exe. A switch starts with '/' or
// '-'; its name is matched without regard to ASCII case.
struct CommandLine {
    bool quiet = false; // /quiet
    bool help = false;  // /?
    bool hasDir = false;
    std::string dir; // /dir=PATH
    bool hasSections = false;
    std::vector<std::string> sections; // /sections=NAME,NAME; empty: none of the optional
    bool hasGroup = false;
    std::string group; // /group=NAME
    bool hasLog = false;
    std::string logPath; // /log=FILE
    // Every argument that is none of the switches above, as written.
    std::vector<std::string> unknown;
    // Recognised switches that are malformed, e.g. "/dir needs a value: /dir"
    // or a switch given twice (the first one counts).
    std::vector<std::string> faults;
};

// `commandLine` as the platform hands it to a program: the program's own path
// first (quoted or not), then the arguments. Blanks and tabs separate arguments
// outside double quotes; a double quote toggles quoting and is removed, and ""
// inside quotes stands for one quote. Backslashes are always literal, so that
// "/dir=C:\My App\" keeps its trailing backslash as deployment tools mean it.
CommandLine ParseCommandLine(const std::string& commandLine);

// The texts /? shows: the switches and the exit codes, each line ending in "\n".
std::string SetupUsageText();
std::string UninstallUsageText();
