#include "install/run_directory.h"

#include <cstring>
#include <set>
#include <vector>

#include "engine/path_text.h"
#include "platform/file_system.h"
#include "platform/system_libraries.h"
#include "platform/system_text.h"

namespace {

std::string runDirectory;                // the run's folder once made; empty before
std::set<std::string> runFiles;          // files the run made there and may delete
std::set<std::string> scheduledRunFiles; // copies waiting for the next restart

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
        if (CreatePrivateDirectory(path)) {
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

// Appends `source` to `target`, expanded when the platform's LZ compressor
// packed it; any other file is copied as it is.
bool AppendExpanded(const std::string& source, HANDLE target) {
    HANDLE input = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (input == INVALID_HANDLE_VALUE) {
        return false;
    }
    // The LZ functions take a file number of the 16-bit era; handles fit in
    // one. LZClose closes the file as well.
    const INT packed = LZInit(static_cast<INT>(reinterpret_cast<INT_PTR>(input)));
    if (packed < 0) {
        CloseHandle(input);
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    bool done = true;
    for (;;) {
        const INT read = LZRead(packed, buffer.data(), static_cast<INT>(buffer.size()));
        DWORD written = 0;
        if (read <= 0 ||
            !WriteFile(target, buffer.data(), static_cast<DWORD>(read), &written, nullptr) ||
            written != static_cast<DWORD>(read)) {
            done = read == 0;
            break;
        }
    }
    LZClose(packed);
    return done;
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
        HANDLE copy = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (copy == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
                return std::string();
            }
            continue;
        }
        runFiles.insert(path);
        const bool copied = AppendExpanded(source, copy);
        CloseHandle(copy);
        if (!copied) {
            DeleteRunFile(path);
            return std::string();
        }
        return path;
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

void DiscardRunDirectory() {
    for (const std::string& path : scheduledRunFiles) {
        runFiles.insert(path);
    }
    scheduledRunFiles.clear();
    RemoveRunDirectory();
}
