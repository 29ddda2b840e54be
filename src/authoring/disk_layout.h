#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How an application's files are laid out on numbered disks, and the script
// lines that install them. Pure planning: the files are written elsewhere.

// A file as it travels on the disks.
struct PackedFile {
    std::string relativePath; // from the application's folder, '/' between names, UTF-8
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

// The medium of each disk as a file system lays files out on it: files and
// folders take whole clusters (sectors on a CD) of its data area.
struct Medium {
    uint64_t dataBytes = 0; // room for files and folders; 0: one disk of any size
    uint32_t clusterBytes = 512;
    // A FAT floppy's root folder has this many fixed slots, outside the data
    // area; 0: the root is a folder like any other.
    uint32_t rootEntries = 0;
    bool cd = false; // ISO 9660 with Joliet names beside the short ones
};

// The formatted floppies "1.44M", "1.2M", "720K", "2.88M" and the CDs "650M"
// and "700M" with their real capacity; any other size is a byte count ("4096",
// "100K", "1.5M", "2G": units of 1024) with clusters of `clusterBytes` (0:
// 512), or "0" for one disk. Letter case and a B after the unit do not
// matter. False with the reason, which lists the accepted forms.
bool ParseMedium(const std::string& text, uint32_t clusterBytes, Medium& medium,
                 std::string& reason);

// Fills the disks in file order, splitting a file that does not fit into the
// rest of a disk. Disk N's files lie in its folder "diskN"; disk 1's root also
// holds `firstDiskRoot` (the setup files and the script). False with the
// reason when a disk cannot take the next file's folders and first cluster,
// or more than kMaxDisks disks would be needed.
bool PlanDisks(const std::vector<PackedFile>& files, const Medium& medium,
               const std::vector<PackedFile>& firstDiskRoot, std::vector<DiskPiece>& pieces,
               std::string& reason);

// Where a piece lies below the output folder, with '\' between names:
// "disk2\docs\manual.tx_".
std::string PiecePath(const std::vector<PackedFile>& files, const DiskPiece& piece);

// One AddFile statement per piece, each on its own line, for `section`, with
// the names in code page 1252 as the wizard reads them.
std::string AddFileLines(const std::vector<PackedFile>& files, const std::vector<DiskPiece>& pieces,
                         const std::string& section);

// A complete script around the lines: the application's name, one mandatory
// section, the uninstaller from disk 1 before the files (so that nobody puts
// disk 1 back at the end), and the destination, sections, program group and
// copy pages.
std::string StarterScript(const std::string& appName, const std::string& section,
                          const std::string& addFileLines);
