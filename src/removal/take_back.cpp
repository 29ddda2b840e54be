#include "removal/take_back.h"

#include <windows.h>

#include <set>
#include <vector>

#include "engine/uninstall_log_read.h"
#include "removal/removal.h"
#include "removal/uninstall_log.h"

bool TakeBackInstallation(const std::string& logPath, const std::string& uninstallKey,
                          const std::string& uninstallerPath) {
    CloseUninstallLog();
    bool replacedKept = false;
    for (const RunLogEntry& logged : runLogEntries) {
        replacedKept = replacedKept || !logged.madeByThisRun;
    }
    // What stays needs the uninstaller that removes it later.
    const std::string uninstaller = ComparablePath(uninstallerPath);
    const auto stays = [&](const RunLogEntry& logged) {
        return !logged.madeByThisRun ||
               (replacedKept && ComparablePath(logged.installed) == uninstaller);
    };
    std::vector<UninstallLogEntry> made;
    for (const RunLogEntry& logged : runLogEntries) {
        if (!stays(logged)) {
            made.push_back(logged.entry);
        }
    }
    RemovalOptions options;
    RemovalReport report;
    RemoveEntries(made, options, report);

    std::set<std::string> notRemoved;
    for (const UninstallLogEntry& entry : report.remaining.entries) {
        notRemoved.insert(entry.path);
    }
    UninstallLog left;
    left.uninstallKey = uninstallKey;
    for (const RunLogEntry& logged : runLogEntries) {
        if (stays(logged) || notRemoved.count(logged.entry.path) != 0) {
            left.entries.push_back(logged.entry);
        }
    }
    runLogEntries.clear();
    if (left.entries.empty()) {
        DeleteFileA(logPath.c_str());
    } else {
        WriteUninstallLogFile(logPath, left);
    }
    // Deepest first; one that still holds anything stays.
    options.directories.assign(runMadeDirectories.rbegin(), runMadeDirectories.rend());
    runMadeDirectories.clear();
    RemoveEntries({}, options, report);
    return !left.entries.empty();
}
