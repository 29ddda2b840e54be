#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How an application's files are laid out on numbered disks, and the script
// lines that install them. Pure planning: the files are written elsewhere.

// A file as it travels on the disks.
struct PackedFile {
    std::string relativePath; // from the application's folder, '/' between names
    std::string storedName;   // its name on the disks: compressed files end in '_'
    uint64_t size = 0;        // bytes on the disks
};

// A file, or one part of a split file, on one disk. A disk holds at most one
// part of a file, so every part keeps the file's stored name.
struct DiskPiece {
    std::size_t file = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
    int disk = 1;
    bool split = false;
    bool last = false;
};

// Disk numbers are 16-bit in the wizard's file records.
constexpr int kMaxDisks = 32767;

// "1.44M" (the floppy's 1,474,560 bytes: a megabyte with decimals is 1000
// KiB, as floppy sizes are counted), "650M" (650 MiB), "720K", "2G", a plain
// byte count, or "0" for one disk of any size. False for anything else.
bool ParseDiskSize(const std::string& text, uint64_t& bytes);

// Fills the disks in file order, splitting a file that does not fit into the
// rest of a disk. `diskSize` 0 puts everything on disk 1; disk 1 has
// `reservedOnFirst` bytes less for the setup files. False when more than
// kMaxDisks disks would be needed.
bool PlanDisks(const std::vector<PackedFile>& files, uint64_t diskSize, uint64_t reservedOnFirst,
               std::vector<DiskPiece>& pieces);

// Where a piece lies below the output folder, with '\' between names:
// "disk2\docs\manual.tx_".
std::string PiecePath(const std::vector<PackedFile>& files, const DiskPiece& piece);

// One AddFile statement per piece, each on its own line, for `section`.
std::string AddFileLines(const std::vector<PackedFile>& files, const std::vector<DiskPiece>& pieces,
                         const std::string& section);

// A complete script around the lines: the application's name, one mandatory
// section, the installation of the uninstaller from disk 1 when it travels
// with the setup, and the destination, sections, program group and copy pages.
std::string StarterScript(const std::string& appName, const std::string& section,
                          const std::string& addFileLines, bool withUninstaller);
