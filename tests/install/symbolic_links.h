// Symbolic links for tests that plant one where the program must not follow
// it. Wine's own call for making links does nothing, so under Wine the link is
// made on the Linux side, by ln, which a Windows program can start there. Used
// by the installation tests and the end-to-end tests alike, so it needs
// nothing but the platform.
#pragma once

#include <windows.h>

#include <string>

namespace links {

// The Linux path of a Windows path under Wine; empty elsewhere.
inline std::string UnixPathOf(const std::string& path) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) {
        return std::string();
    }
    std::wstring wide(path.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    char* name = unixFileName(wide.c_str());
    if (name == nullptr) {
        return std::string();
    }
    const std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Whether a directory entry of this name exists, also a link whose target is
// gone (which GetFileAttributesA does not see under Wine).
inline bool EntryExists(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

// Polls `condition` every 10 ms for up to ten seconds.
template <typename Condition> bool Eventually(Condition condition) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!condition()) {
        if (GetTickCount64() > deadline) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

// Starts /bin/<program> with `arguments` under Wine. Wine gives no handle to
// wait on for a Linux program, so callers wait for its effect.
inline bool StartLinuxProgram(const std::string& program, const std::string& arguments) {
    std::string command = program + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(("Z:\\bin\\" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// The whole file, or "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool done =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return done;
}

// Whether reading `link` gives what the file `target` holds, also after the
// target has changed: `link` is a link to it. The target's bytes are put back.
inline bool PointsTo(const std::string& link, const std::string& target) {
    const std::string saved = ReadBytes(target);
    const std::string probe = "probe written to " + target;
    const bool linked = WriteBytes(target, probe) && ReadBytes(link) == probe;
    return WriteBytes(target, saved) && linked && ReadBytes(link) == saved;
}

// Makes `link` a symbolic link to the existing file `target` (paths without
// blanks). False when no link could be made here.
inline bool Make(const std::string& link, const std::string& target) {
    const std::string unixLink = UnixPathOf(link);
    const std::string unixTarget = UnixPathOf(target);
    if (unixLink.empty() || unixTarget.empty()) {
        const DWORD allowUnprivileged = 0x2;
        return CreateSymbolicLinkA(link.c_str(), target.c_str(), allowUnprivileged) &&
               PointsTo(link, target);
    }
    return StartLinuxProgram("ln", "-s " + unixTarget + " " + unixLink) &&
           Eventually([&] { return EntryExists(link); }) && PointsTo(link, target);
}

// Removes a link, and not its target, which is what Wine's DeleteFileA would
// remove.
inline void Remove(const std::string& link) {
    const std::string unixLink = UnixPathOf(link);
    if (unixLink.empty()) {
        DeleteFileA(link.c_str());
    } else if (EntryExists(link) && StartLinuxProgram("rm", "-f " + unixLink)) {
        Eventually([&] { return !EntryExists(link); });
    }
}

} // namespace links
