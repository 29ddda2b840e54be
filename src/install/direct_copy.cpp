#include "install/direct_copy.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "install/install_result.h"
#include "platform/file_system.h"

namespace {

// Large blocks: a small file is one read and one write.
constexpr DWORD kBlock = 1024 * 1024;

// Sources packed by the platform's compressors, which the service expands.
bool IsPacked(const char* bytes, DWORD length) {
    static const char* const kMagics[] = {"SZDD\x88\xF0\x27\x33", "KWAJ\x88\xF0\x27\xD1",
                                          "SZ \x88\xF0\x27\x33"};
    for (const char* magic : kMagics) {
        const std::size_t size = std::strlen(magic);
        if (length >= size && std::memcmp(bytes, magic, size) == 0) {
            return true;
        }
    }
    return false;
}

std::uint32_t CreateFailure(DWORD error) {
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return kTakeTheService;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return kVifSharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return kVifOutOfSpace;
    default:
        return kVifCannotCreate;
    }
}

} // namespace

std::uint32_t CopyDirectly(const std::string& source, const std::string& destination) {
    FileHandle input(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!input.IsOpen()) {
        return kVifCannotReadSrc;
    }
    // One buffer for the run: the copy page installs thousands of files.
    static std::vector<char> buffer(kBlock);
    DWORD read = 0;
    if (!ReadFile(input.Get(), buffer.data(), kBlock, &read, nullptr)) {
        return kVifCannotReadSrc;
    }
    if (IsPacked(buffer.data(), read)) {
        return kTakeTheService;
    }
    FILETIME written = {};
    GetFileTime(input.Get(), nullptr, nullptr, &written);
    // Made new, never opened over something: a name that appeared since it
    // was found missing is the service's to replace, after its checks.
    FileHandle output(CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!output.IsOpen()) {
        return CreateFailure(GetLastError());
    }
    std::uint32_t result = 0;
    while (read > 0) {
        DWORD put = 0;
        if (!WriteFile(output.Get(), buffer.data(), read, &put, nullptr) || put != read) {
            const DWORD error = GetLastError();
            result = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || put != read
                         ? kVifOutOfSpace
                         : kVifCannotCreate;
            break;
        }
        if (!ReadFile(input.Get(), buffer.data(), kBlock, &read, nullptr)) {
            result = kVifCannotReadSrc;
            break;
        }
    }
    // The service keeps the source's time of the last change.
    if (result == 0 && !SetFileTime(output.Get(), nullptr, nullptr, &written)) {
        result = kVifCannotCreate;
    }
    // Written data can still fail to reach the disk when the file is closed.
    if (result == 0 && !CloseHandle(output.Release())) {
        result = kVifCannotCreate;
    }
    if (result != 0) {
        output.Close();
        DeleteFileA(destination.c_str());
    }
    return result;
}
