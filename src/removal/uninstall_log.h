#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/log_record.h"
#include "engine/uninstall_log_read.h"
#include "removal/uninstall_registration.h"

// The record of this installation run: the earlier installation into the same
// directory as the run found it, the uninstall log the run writes, what it
// installed and made, and its Uninstall entry. The copy page begins and
// finishes it; installing a file and making a shortcut add to it; taking back
// a stopped run reads it.
//
// The log lists at every moment what is on the machine: it is written to the
// file as each entry happens, and the entry's record of it (engine/log_record.h)
// is updated before each write, so that even the log of a run that was killed
// is one the uninstaller accepts. The Uninstall entry exists from the first
// entry on.

// What this run installed, beside the log's text.
struct RunLogEntry {
    UninstallLogEntry entry;    // as the log lists it
    std::string installed;      // the long path of the file or shortcut
    bool madeByThisRun = false; // nothing of that name was there before
    bool counted = false;       // a shared file whose use this run counted
};

// The installation that an earlier run left in the directory.
struct EarlierInstallation {
    bool logFound = false; // an Uninstall.log lay there
    std::string bytes;     // as it lay there
    bool trusted = false;  // the setup wrote it: its entry names it (and it has a key line)
    UninstallLog log;      // read, when trusted
    KeySnapshot key;       // this run's key as it was before the run
};

struct InstallationRun {
    std::string logPath;
    std::string keyPath; // empty: no application name, no entry
    std::string uninstallerPath;
    UninstallEntryValues entryValues;
    EarlierInstallation earlier;
    std::vector<UninstallLogEntry> carried; // earlier entries whose files are still there
    std::set<std::string> listed;           // comparable paths the log lists
    std::vector<RunLogEntry> entries;
    std::vector<std::string> madeDirectories; // in the order they were made
    std::uint64_t installedBytes = 0;
    LogRecorder recorder;
    bool entryWritten = false; // the Uninstall entry names this run's log
};
extern InstallationRun installationRun;

// Reads the earlier log at `logPath` (carried forward only when its entry
// `keyPath` vouches for it), then opens the log afresh and writes its header
// and the carried entries. False when the log cannot be opened; later writes
// are then dropped.
bool BeginUninstallLog(const std::string& logPath, const std::string& keyPath,
                       const std::string& uninstallerPath, const UninstallEntryValues& values);

// Appends text as it stands.
void WriteUninstallLog(const std::string& text);

// Writes the registry part, closes the log, and completes the entry.
void FinishUninstallLog();

// Closes the log without its registry part (a stopped run).
void CloseUninstallLog();

// Writes `text`, the log lines of `entry`, and records the entry; the
// Uninstall entry is made with the first. A path the log lists already (an
// earlier run's entry carried forward, a file installed twice) is not written
// again: the uninstaller would take a shared file's use back twice. Returns
// whether `text` was written.
bool LogInstalledEntry(const std::string& text, const RunLogEntry& entry);

// Whether the earlier installation's log, when trusted, lists `path`.
bool ListedEarlier(const std::string& path);

// Forgets the run: for a new one.
void ResetInstallationRun();
