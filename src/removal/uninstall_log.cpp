#include "removal/uninstall_log.h"

#include <windows.h>

#include <set>

#include "engine/uninstall_log_text.h"
#include "removal/removal.h"

InstallationRun installationRun;

namespace {

HANDLE logFile = INVALID_HANDLE_VALUE;

void ReadEarlierInstallation(InstallationRun& run) {
    EarlierInstallation& earlier = run.earlier;
    earlier.key = SnapshotUninstallKey(run.keyPath);
    earlier.logFound = ReadUninstallLogBytes(run.logPath, earlier.bytes) == ERROR_SUCCESS;
    if (!earlier.logFound) {
        return;
    }
    std::vector<std::string> reasons;
    UninstallLog log;
    // Only the log of this application, vouched for by its entry, is carried
    // forward: anything else in the directory may have been written by anyone.
    if (!ReadUninstallLog(earlier.bytes, ProtectedDirectories(), log, reasons) ||
        (!log.uninstallKey.empty() &&
         ComparablePath(log.uninstallKey) != ComparablePath(run.keyPath)) ||
        !LogTrustFault(run.keyPath, earlier.bytes, run.uninstallerPath).empty()) {
        return;
    }
    earlier.trusted = true;
    earlier.log = log;
    std::set<std::string> seen;
    for (const UninstallLogEntry& entry : log.entries) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (seen.insert(ComparablePath(entry.path)).second && IsPlainFile(entry.path) &&
            GetFileAttributesExA(entry.path.c_str(), GetFileExInfoStandard, &data)) {
            run.carried.push_back(entry);
            run.installedBytes +=
                (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    }
}

std::string EntryText(const UninstallLogEntry& entry) {
    UninstallLog one;
    one.entries.push_back(entry);
    const std::string text = UninstallLogText(one, LogDate());
    const std::size_t begin = text.find("[FILES]\n") + 8;
    return text.substr(begin, text.rfind("[REGISTRY]\n") - begin);
}

} // namespace

void ResetInstallationRun() {
    CloseUninstallLog();
    installationRun = InstallationRun();
}

bool BeginUninstallLog(const std::string& logPath, const std::string& keyPath,
                       const std::string& uninstallerPath, const UninstallEntryValues& values) {
    CloseUninstallLog();
    InstallationRun& run = installationRun;
    run.logPath = logPath;
    run.keyPath = keyPath;
    run.uninstallerPath = uninstallerPath;
    run.entryValues = values;
    run.earlier = EarlierInstallation();
    run.entries.clear();
    run.carried.clear();
    run.listed.clear();
    run.installedBytes = 0;
    run.recorder.Reset();
    ReadEarlierInstallation(run);
    // An entry that is there already must go on naming the log as it grows.
    run.entryWritten = run.earlier.key.existed;
    logFile = CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string text = UninstallLogHeader(TodaysLocalDate());
    for (const UninstallLogEntry& entry : run.carried) {
        text += EntryText(entry);
        run.listed.insert(ComparablePath(entry.path));
    }
    WriteUninstallLog(text);
    return logFile != INVALID_HANDLE_VALUE;
}

void WriteUninstallLog(const std::string& text) {
    if (logFile == INVALID_HANDLE_VALUE) {
        return;
    }
    InstallationRun& run = installationRun;
    const std::string bytes = ToCrLf(text);
    run.recorder.Append(bytes);
    // The record first: a process killed between the two leaves a log that
    // matches the record's earlier state.
    if (run.entryWritten) {
        WriteLogRecord(run.keyPath, LogRecordText(run.recorder.Previous(), run.recorder.Current()));
    }
    DWORD written = 0;
    WriteFile(logFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void FinishUninstallLog() {
    InstallationRun& run = installationRun;
    if (!run.entryWritten && !run.keyPath.empty()) {
        WriteUninstallEntry(run.keyPath, run.entryValues);
        run.entryWritten = true;
    }
    WriteUninstallLog(RegistryLogPart(run.entryValues.displayName));
    CloseUninstallLog();
    run.entryValues.installedBytes = run.installedBytes;
    WriteUninstallEntry(run.keyPath, run.entryValues);
}

void CloseUninstallLog() {
    if (logFile != INVALID_HANDLE_VALUE) {
        CloseHandle(logFile);
        logFile = INVALID_HANDLE_VALUE;
    }
}

bool LogInstalledEntry(const std::string& text, const RunLogEntry& entry) {
    InstallationRun& run = installationRun;
    if (!run.entryWritten && !run.keyPath.empty() && logFile != INVALID_HANDLE_VALUE) {
        run.entryWritten = WriteUninstallEntry(run.keyPath, run.entryValues);
    }
    const bool listedNow = run.listed.insert(ComparablePath(entry.entry.path)).second;
    if (listedNow) {
        WriteUninstallLog(text);
    }
    run.entries.push_back(entry);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (listedNow &&
        GetFileAttributesExA(entry.installed.c_str(), GetFileExInfoStandard, &data)) {
        run.installedBytes +=
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return listedNow;
}

bool ListedEarlier(const std::string& path) {
    const EarlierInstallation& earlier = installationRun.earlier;
    if (!earlier.trusted) {
        return false;
    }
    const std::string comparable = ComparablePath(path);
    for (const UninstallLogEntry& entry : earlier.log.entries) {
        if (ComparablePath(entry.path) == comparable) {
            return true;
        }
    }
    return false;
}
