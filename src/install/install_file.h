#pragma once

#include <cstddef>
#include <string>

// Installs the file of files[index]: straight from its source, or, for a split
// file, through the staging file once its last part has been joined. Returns 0
// to go on with the next file (installed, skipped or scheduled for restart) and
// 1 to abort the installation. `installedPath` receives the expanded
// destination with doubled backslashes collapsed whenever the file was handled
// (also when skipped), and stays empty after a part that is not the last.
int InstallFileRecord(std::size_t index, std::string& installedPath);
