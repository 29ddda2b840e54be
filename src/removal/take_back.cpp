#include "removal/take_back.h"

#include <windows.h>

#include <set>
#include <vector>

#include "engine/log_record.h"
#include "engine/uninstall_log_read.h"
#include "removal/removal.h"
#include "removal/uninstall_log.h"


std::string TakeBackInstallation() {
    InstallationRun& run = installationRun;
    CloseUninstallLog();
    // The uninstaller this run placed goes last, and only when nothing else
    // of the run stays: what stays needs it.
    const std::string uninstaller = ComparablePath(run.uninstallerPath);
    const auto isUninstaller = [&](const RunLogEntry& logged) {
        return ComparablePath(logged.installed) == uninstaller;
    };
    const auto entryToRemove = [](const RunLogEntry& logged) {
        UninstallLogEntry entry = logged.entry;
        // A use this run did not count is not this run's to take back.
        entry.shared = entry.shared && logged.counted;
        return entry;
    };
    std::vector<UninstallLogEntry> made;
    for (const RunLogEntry& logged : run.entries) {
        if (logged.madeByThisRun && !isUninstaller(logged)) {
            made.push_back(entryToRemove(logged));
        }
    }
    RemovalOptions options;
    RemovalReport report;
    RemoveEntries(made, options, report);

    std::set<std::string> notRemoved;
    for (const UninstallLogEntry& entry : report.remaining.entries) {
        notRemoved.insert(ComparablePath(entry.path));
    }
    UninstallLog left;
    left.uninstallKey = run.keyPath;
    std::set<std::string> listed;
    if (run.earlier.trusted) {
        left.entries = run.earlier.log.entries;
        for (const UninstallLogEntry& entry : left.entries) {
            listed.insert(ComparablePath(entry.path));
        }
    }
    bool runLeftAnything = false;
    for (const RunLogEntry& logged : run.entries) {
        const std::string path = ComparablePath(logged.entry.path);
        const bool stays = !logged.madeByThisRun || notRemoved.count(path) != 0;
        if (stays && !isUninstaller(logged) && listed.insert(path).second) {
            left.entries.push_back(logged.entry);
            runLeftAnything = true;
        }
    }
    for (const RunLogEntry& logged : run.entries) {
        if (!isUninstaller(logged)) {
            continue;
        }
        if (!runLeftAnything && logged.madeByThisRun) {
            RemovalReport ownReport;
            RemoveEntries({entryToRemove(logged)}, options, ownReport);
        } else if (runLeftAnything && listed.insert(ComparablePath(logged.entry.path)).second) {
            left.entries.insert(left.entries.begin(), logged.entry);
        }
    }
    std::string logWithoutEntry;
    if (!runLeftAnything) {
        // Nothing of this run is left: the earlier installation as it was.
        if (run.earlier.logFound) {
            WriteWholeFile(run.logPath, run.earlier.bytes);
        } else {
            DeleteFileA(run.logPath.c_str());
        }
        RestoreUninstallKey(run.keyPath, run.earlier.key);
    } else if (!run.keyPath.empty() && IsPlainFile(run.uninstallerPath)) {
        RestoreUninstallKey(run.keyPath, run.earlier.key);
        UninstallEntryValues values = run.entryValues;
        values.installedBytes = run.installedBytes;
        WriteUninstallEntry(run.keyPath, values);
        WriteUninstallLogFile(run.logPath, left, run.keyPath);
    } else {
        RestoreUninstallKey(run.keyPath, run.earlier.key);
        WriteUninstallLogFile(run.logPath, left, std::string());
        logWithoutEntry = run.logPath;
    }
    run.entries.clear();
    // Deepest first; one that still holds anything stays.
    options.directories.assign(run.madeDirectories.rbegin(), run.madeDirectories.rend());
    run.madeDirectories.clear();
    RemoveEntries({}, options, report);
    return logWithoutEntry;
}
