#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/uninstall_log_read.h"

// The uninstall log of this run, opened by the copy page. Writers append to it
// as events happen; each "\n" reaches the disk as CR LF. A log that could not
// be opened drops every write.

// Opens (creating or truncating) the log at `path`; false when it cannot.
// Starts a new record of this run.
bool OpenUninstallLog(const std::string& path);

// Appends text as it stands.
void WriteUninstallLog(const std::string& text);

void CloseUninstallLog();

// What this run installed, beside the log's text: what a stopped installation
// takes back, and what the Uninstall entry tells about the installation.
struct RunLogEntry {
    UninstallLogEntry entry;    // as the log lists it
    std::string installed;      // the long path of the file or shortcut
    bool madeByThisRun = false; // nothing of that name was there before
};
extern std::vector<RunLogEntry> runLogEntries;
// Directories this run created, in the order it created them.
extern std::vector<std::string> runMadeDirectories;
// Bytes of the files this run installed.
extern std::uint64_t runInstalledBytes;

// Writes `text`, the log lines of `entry`, and records the entry.
void LogInstalledEntry(const std::string& text, const RunLogEntry& entry);
