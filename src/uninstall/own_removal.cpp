#include "uninstall/own_removal.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "engine/path_text.h"
#include "install/run_directory.h"

namespace {

constexpr char kRemoverSwitch[] = "/remove-after-end";

// No path holds a quote; a backslash before the closing quote would escape it.
std::string Quoted(std::string path) {
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return "\"" + path + "\"";
}

void RemoveAtRestart(const std::string& ownFile, const std::vector<std::string>& directories) {
    MoveFileExA(ownFile.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // After the file, in this order; a directory that holds anything then stays.
    for (const std::string& directory : directories) {
        MoveFileExA(directory.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

// When this process began, as GetProcessTimes gives it: with the process id it
// names this run of the program, as an id alone does not once it has ended.
unsigned long long StartTime(HANDLE process) {
    FILETIME created = {};
    FILETIME unused[3] = {};
    if (!GetProcessTimes(process, &created, &unused[0], &unused[1], &unused[2])) {
        return 0;
    }
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool StartCopy(const std::string& ownFile, const std::vector<std::string>& directories) {
    const std::string copy = CopyToRunFile(ownFile, "VLUninstall", ".exe");
    if (copy.empty()) {
        return false;
    }
    std::string command = Quoted(copy) + " " + kRemoverSwitch + " " +
                          std::to_string(GetCurrentProcessId()) + " " +
                          std::to_string(StartTime(GetCurrentProcess())) + " " + Quoted(ownFile);
    for (const std::string& directory : directories) {
        command += " " + Quoted(directory);
    }
    // Nothing is handed down, not even standard handles, which Wine would
    // pass on otherwise: a file or pipe that a caller reads our output from
    // must close when this process ends, not when the copy does. Started in
    // its own folder, since a process keeps its current directory from being
    // removed.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        DirectoryOf(copy).c_str(), &startup, &process)) {
        DeleteRunFile(copy);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Waits until the uninstaller named by its id and start time has ended.
void WaitForEnd(const char* id, const char* startTime) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 static_cast<DWORD>(std::strtoul(id, nullptr, 10)));
    if (process == nullptr) {
        return;
    }
    // Another process that got the id after the uninstaller ended.
    if (StartTime(process) == std::strtoull(startTime, nullptr, 10)) {
        WaitForSingleObject(process, INFINITE);
    }
    CloseHandle(process);
}

bool EndsWithExe(const std::string& path) {
    return path.size() > 4 && _stricmp(path.c_str() + path.size() - 4, ".exe") == 0;
}

} // namespace

void RemoveAfterEnd(const std::string& ownFile, const std::vector<std::string>& directories) {
    if (!StartCopy(ownFile, directories)) {
        RemoveAtRestart(ownFile, directories);
    }
}

bool RemoveForEndedUninstaller(int argc, char** argv) {
    if (argc < 5 || std::strcmp(argv[1], kRemoverSwitch) != 0) {
        return false;
    }
    WaitForEnd(argv[2], argv[3]);
    const std::string ownFile = argv[4];
    const std::vector<std::string> directories(argv + 5, argv + argc);
    // Only ever the uninstaller's program file; a scanner may still hold it
    // for a moment after the program ended.
    if (EndsWithExe(ownFile)) {
        bool deleted = false;
        for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
            SetFileAttributesA(ownFile.c_str(), FILE_ATTRIBUTE_NORMAL);
            deleted = DeleteFileA(ownFile.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
                      GetLastError() == ERROR_PATH_NOT_FOUND;
            if (!deleted) {
                Sleep(100);
            }
        }
        if (!deleted) {
            RemoveAtRestart(ownFile, directories);
        }
        for (std::size_t i = 0; deleted && i < directories.size(); ++i) {
            // One that still holds files deleted at the next start goes after them.
            if (!RemoveDirectoryA(directories[i].c_str())) {
                MoveFileExA(directories[i].c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            }
        }
    }
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        RemoveAtRestart(self, {DirectoryOf(self)});
    }
    return true;
}
