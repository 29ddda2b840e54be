#include "install/take_back.h"

#include <windows.h>

#include <set>
#include <vector>

#include "engine/uninstall_log_read.h"
#include "engine/uninstall_log_text.h"
#include "install/removal.h"
#include "install/uninstall_log.h"

bool TakeBackInstallation(const std::string& logPath, const std::string& uninstallKey,
                          const std::string& uninstallerPath) {
    CloseUninstallLog();
    bool replacedKept = false;
    for (const RunLogEntry& logged : runLogEntries) {
        replacedKept = replacedKept || !logged.madeByThisRun;
    }
    // What stays needs the uninstaller that removes it later.
    const std::string uninstaller = ComparablePath(uninstallerPath);
    std::vector<UninstallLogEntry> made;
    for (const RunLogEntry& logged : runLogEntries) {
        if (logged.madeByThisRun &&
            !(replacedKept && ComparablePath(logged.installed) == uninstaller)) {
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
        if (!logged.madeByThisRun || notRemoved.count(logged.entry.path) != 0 ||
            (replacedKept && ComparablePath(logged.installed) == uninstaller)) {
            left.entries.push_back(logged.entry);
        }
    }
    runLogEntries.clear();
    if (left.entries.empty()) {
        DeleteFileA(logPath.c_str());
    } else {
        const std::string bytes = ToCrLf(UninstallLogText(left, TodaysLocalDate()));
        HANDLE file = CreateFileA(logPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    // Deepest first; one that still holds anything stays.
    options.directories.assign(runMadeDirectories.rbegin(), runMadeDirectories.rend());
    runMadeDirectories.clear();
    RemoveEntries({}, options, report);
    return !left.entries.empty();
}
