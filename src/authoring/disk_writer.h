#pragma once

#include <cstdint>
#include <string>

// vlpack's work on the file system: reads an application's folder, writes the
// disk folders, the setup files and the script.

struct PackOptions {
    std::string sourceDirectory;
    std::string outputDirectory;
    uint64_t diskSize = 0; // 0: one disk
    bool compress = false;
    bool force = false;         // replace what an earlier run wrote
    std::string scriptOut;      // where the starter script goes; empty: none
    std::string setupDirectory; // VLSetup.exe and VLUninstall.exe; empty: none
    std::string section = "Program";
};

// Writes the disks and returns 0, with the AddFile lines in `addFileLines`;
// returns 1 with the reason in `error` when it refuses or fails.
int PackDisks(const PackOptions& options, std::string& addFileLines, std::string& error);
