#pragma once

#include <cstddef>
#include <string>

#include "install/install_result.h"

// Installs the file of files[index]: straight from its source, or, for a split
// file, through the staging file once its last part has been joined. Returns 0
// to go on with the next file (installed, skipped, not installed because a
// part is missing, or scheduled for restart) and 1 to abort the installation
// (also after the user confirmed quitting in the disk prompt). `installedPath`
// receives the expanded destination with doubled backslashes collapsed
// whenever the file was handled (also when skipped); it stays empty after a
// part that is not the last and for a split file that lacks a part.
int InstallFileRecord(std::size_t index, std::string& installedPath);

// Installs `sourcePath` as the file of files[index], after expanding the
// record's destination in place: a shared file under the version rules into
// the directory the version service recommends, with replacement at restart
// and self-registration; any other file to its destination after the
// overwrite question. Returns 0 (installed, skipped, scheduled for restart) or
// 1 (abort).
int InstallFile(const std::string& sourcePath, std::size_t index);
