#include "removal/uninstall_log.h"

#include <windows.h>

#include "engine/uninstall_log_text.h"

std::vector<RunLogEntry> runLogEntries;
std::vector<std::string> runMadeDirectories;
std::uint64_t runInstalledBytes = 0;

namespace {

HANDLE logFile = INVALID_HANDLE_VALUE;

} // namespace

bool OpenUninstallLog(const std::string& path) {
    CloseUninstallLog();
    runLogEntries.clear();
    runInstalledBytes = 0;
    logFile = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return logFile != INVALID_HANDLE_VALUE;
}

void WriteUninstallLog(const std::string& text) {
    if (logFile == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string bytes = ToCrLf(text);
    DWORD written = 0;
    WriteFile(logFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void CloseUninstallLog() {
    if (logFile != INVALID_HANDLE_VALUE) {
        CloseHandle(logFile);
        logFile = INVALID_HANDLE_VALUE;
    }
}

void LogInstalledEntry(const std::string& text, const RunLogEntry& entry) {
    WriteUninstallLog(text);
    runLogEntries.push_back(entry);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(entry.installed.c_str(), GetFileExInfoStandard, &data)) {
        runInstalledBytes +=
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
}
