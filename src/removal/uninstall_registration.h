#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The application's entry in the platform's list of installed programs, a key
// below HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall
// that names the uninstaller, and the record it keeps of the application's
// Uninstall.log (engine/log_record.h). Only administrators can write there, so
// the record tells the uninstaller which log the setup wrote. Key paths are
// relative to HKEY_LOCAL_MACHINE.

struct UninstallEntryValues {
    std::string displayName;
    std::string installDirectory; // as the user chose it
    std::string publisher;        // empty: not written
    std::uint64_t installedBytes = 0;
};

// Creates the key or updates it with the values the list of installed
// programs shows. False when the key cannot be written.
bool WriteUninstallEntry(const std::string& keyPath, const UninstallEntryValues& values);

// Sets one value of an existing key or of one it creates: the record of the
// log, or the size once the installation is complete.
void WriteLogRecord(const std::string& keyPath, const std::string& recordText);
void WriteEstimatedSize(const std::string& keyPath, std::uint64_t installedBytes);

bool UninstallKeyExists(const std::string& keyPath);

// A text value of the key; empty when it or the key is missing.
std::string UninstallKeyText(const std::string& keyPath, const char* valueName);

// Removes the key with all it holds. True when it is gone (or was not there).
bool DeleteUninstallKey(const std::string& keyPath);

// A key's values as they were, to put back exactly.
struct KeySnapshot {
    struct Value {
        std::string name;
        unsigned long type = 0;
        std::string data;
    };
    bool existed = false;
    std::vector<Value> values;
};
KeySnapshot SnapshotUninstallKey(const std::string& keyPath);
// Makes the key what the snapshot holds: its values, or no key at all.
void RestoreUninstallKey(const std::string& keyPath, const KeySnapshot& snapshot);

// Whether the log `logBytes` beside the uninstaller `uninstallerPath` is the
// one the setup wrote: the key `keyPath` exists, its UninstallString names that
// uninstaller, and its record matches the log. Empty when it is; else why not.
std::string LogTrustFault(const std::string& keyPath, const std::string& logBytes,
                          const std::string& uninstallerPath);

// The key below the Uninstall key that names `uninstallerPath` and records
// `logBytes`: the key of a log whose run never wrote its key line. Empty when
// there is none.
std::string FindKeyOfLog(const std::string& logBytes, const std::string& uninstallerPath);
