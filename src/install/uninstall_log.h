#pragma once

#include <fstream>
#include <string>

// The uninstall log of this run, opened by the copy page in text mode (each
// "\n" reaches the disk as CR LF). Writers append to it as events happen; a
// log that could not be opened drops every write.
extern std::ofstream uninstallLog;

// Opens (creating or truncating) the log at `path`; false when it cannot.
bool OpenUninstallLog(const std::string& path);

// Appends text as it stands.
void WriteUninstallLog(const std::string& text);

void CloseUninstallLog();
