#include "install/run_directory.h"

#include <cstring>

#include "platform/system_libraries.h"
#include "engine/path_text.h"
#include "platform/system_text.h"

std::string runDirectory;
std::set<std::string> runFiles;
std::set<std::string> scheduledRunFiles;

namespace {

// Names are drawn again when one is taken; a clash is already unlikely
// enough with 128 random bits, so reaching the limit means something is wrong.
constexpr int kNameAttempts = 16;

bool IsReparsePoint(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// kRunDirectoryPrefix and 16 bytes of the system's random numbers in
// hexadecimal; empty when the system gives none. Nothing guessable, such as
// the time or the process id, stands in for them.
std::string RandomDirectoryName() {
    unsigned char bytes[16] = {};
    if (!SystemFunctions().GenRandom(bytes, sizeof bytes)) {
        return std::string();
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string name = kRunDirectoryPrefix;
    for (unsigned char byte : bytes) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 0xF];
    }
    return name;
}

bool MakeRunDirectory() {
    const std::string temporary = WindowsDirectory() + "\\TEMP";
    CreateDirectoryA(temporary.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(temporary.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        IsReparsePoint(attributes)) {
        return false;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = RandomDirectoryName();
        if (name.empty()) {
            return false;
        }
        const std::string path = temporary + "\\" + name;
        // Fails when anything of that name exists: a folder the run did not
        // make itself is never used.
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            runDirectory = path;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

bool InRunDirectory(const std::string& path) {
    return !runDirectory.empty() && DirectoryOf(path) == runDirectory;
}

} // namespace

std::string RunFilePath(const std::string& name) {
    if (runDirectory.empty() && !MakeRunDirectory()) {
        return std::string();
    }
    std::string safeName = name;
    for (char& c : safeName) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr) {
            c = '_';
        }
    }
    return runDirectory + "\\" + safeName;
}

HANDLE OpenRunFile(const std::string& path) {
    if (!InRunDirectory(path)) {
        return INVALID_HANDLE_VALUE;
    }
    if (runFiles.count(path) == 0) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            runFiles.insert(path);
        }
        return file;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    if (file != INVALID_HANDLE_VALUE && (!GetFileInformationByHandle(file, &information) ||
                                         IsReparsePoint(information.dwFileAttributes))) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

void DeleteRunFile(const std::string& path) {
    if (runFiles.erase(path) != 0) {
        DeleteFileA(path.c_str());
    }
}

std::string CopyToRunFile(const std::string& source, const std::string& stem,
                          const std::string& extension) {
    for (int number = 1; number < 100; ++number) {
        const std::string name =
            number == 1 ? stem + extension : stem + "." + std::to_string(number) + extension;
        const std::string path = RunFilePath(name);
        if (path.empty()) {
            return std::string();
        }
        if (runFiles.count(path) != 0 || scheduledRunFiles.count(path) != 0) {
            continue;
        }
        // Fails when anything is there: the copy never writes through
        // something it did not create.
        if (CopyFileA(source.c_str(), path.c_str(), TRUE)) {
            runFiles.insert(path);
            // A source from a write-protected disk would otherwise keep the
            // read-only attribute, and the copy could not be removed.
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            return path;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return std::string();
        }
    }
    return std::string();
}

void KeepRunFile(const std::string& path) {
    if (runFiles.erase(path) != 0) {
        scheduledRunFiles.insert(path);
    }
}

void RemoveRunDirectory() {
    for (const std::string& path : runFiles) {
        DeleteFileA(path.c_str());
    }
    runFiles.clear();
    if (runDirectory.empty() || !scheduledRunFiles.empty()) {
        return;
    }
    RemoveDirectoryA(runDirectory.c_str());
    runDirectory.clear();
}
