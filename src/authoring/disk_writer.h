#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/disk_layout.h"

// vlpack's work on the file system: reads an application's folder, writes the
// disk folders, the setup files and the script.

struct PackOptions {
    std::string sourceDirectory;
    std::string outputDirectory;
    Medium medium; // the default: one disk of any size
    bool compress = false;
    bool force = false;         // replace what an earlier run wrote
    bool followLinks = false;   // pack what symbolic links point to instead of refusing them
    std::string scriptOut;      // where the starter script goes; empty: none
    std::string setupDirectory; // VLSetup.exe and VLUninstall.exe; empty: none
    std::string section = "Program";
};

// What a run did, or why it stopped. Every file of the source is packed or
// named in a message.
struct PackReport {
    std::vector<std::string> errors; // any of them: no disk is written
    std::vector<std::string> warnings;
    int disks = 0;
    std::size_t files = 0;
    std::size_t splitFiles = 0;
    std::size_t compressedFiles = 0;
    uint64_t sourceBytes = 0; // the files as they are
    uint64_t storedBytes = 0; // the files as they travel
};

// Writes the disks and returns 0, with the AddFile lines in `addFileLines`;
// returns 1 when it refuses or fails, with the reasons in report.errors.
int PackDisks(const PackOptions& options, std::string& addFileLines, PackReport& report);
