#pragma once

#include <cstddef>
#include <string>

// Installs the file of files[index]: straight from its source, or, for a split
// file, through the staging file once its last part has been joined. Returns 0
// to go on with the next file (installed, skipped, not installed because a
// part is missing, or scheduled for restart) and 1 to abort the installation
// (also after the user confirmed quitting in the disk prompt).
// `installedPath` is set only when the file has been installed now, to where
// it is: a non-shared file's expanded destination with doubled backslashes
// collapsed, a shared file's place in the directory the version service chose.
// It stays empty for a file that was skipped (at the disk prompt, at the
// overwrite or another question, an older source), scheduled for the next
// restart, not installed for any other reason, and after a part that is not
// the last; a shortcut is made only to a non-empty one.
int InstallFileRecord(std::size_t index, std::string& installedPath);

// Installs `sourcePath` as the file of files[index], after expanding the
// record's destination in place: a shared file under the version rules into
// the directory the version service recommends, with replacement at restart
// and self-registration; any other file to its destination, every missing
// level of its directory created, after the overwrite question. Returns 0
// (installed, skipped, scheduled for restart) or 1 (abort); `installedPath`
// as above.
int InstallFile(const std::string& sourcePath, std::size_t index, std::string& installedPath);

// Starts an installation run: what an earlier run learned about directories
// (their short forms, the ones it made and what it put into them) is
// forgotten.
void StartInstallation();
