#include "test_support.h"

#include <shlobj.h>

#include <algorithm>

namespace vltest {

namespace {

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";

bool Until(bool (*condition)(const std::string&), const std::string& path, bool wanted) {
    for (int i = 0; i < 1000 && condition(path) != wanted; ++i)
        Sleep(10);
    return condition(path) == wanted;
}

std::string UnixPathOf(const std::string& path) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr)
        return std::string();
    std::wstring wide(path.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    char* name = unixFileName(wide.c_str());
    if (name == nullptr)
        return std::string();
    const std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Wine gives no handle to wait on for a Linux program: callers wait for its effect.
bool StartLinuxProgram(const std::string& program, const std::string& arguments) {
    std::string command = program + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(("Z:\\bin\\" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

std::string WinePath(const std::string& path) {
    std::string result = path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return !path.empty() && path[0] == '/' ? "Z:" + result : result;
}

std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    for (size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool done =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return done;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool EntryExists(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

std::vector<std::string> Entries(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& directory) {
    for (const std::string& name : Entries(directory)) {
        const std::string path = directory + "\\" + name;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(directory.c_str());
}

std::string ShortPath(const std::string& path) {
    char buffer[1024] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

std::string SystemDirectory() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

std::string WindowsTemp() {
    char path[MAX_PATH] = {};
    GetWindowsDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\TEMP";
}

std::string StartMenuPrograms() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return path;
}

bool PointsTo(const std::string& link, const std::string& target) {
    const std::string saved = ReadBytes(target);
    const std::string probe = "probe written to " + target;
    const bool linked = WriteBytes(target, probe) && ReadBytes(link) == probe;
    return WriteBytes(target, saved) && linked && ReadBytes(link) == saved;
}

bool MakeLink(const std::string& link, const std::string& target) {
    const std::string unixLink = UnixPathOf(link);
    const std::string unixTarget = UnixPathOf(target);
    if (unixLink.empty() || unixTarget.empty())
        return CreateSymbolicLinkA(link.c_str(), target.c_str(), 0x2) && PointsTo(link, target);
    return StartLinuxProgram("ln", "-s " + unixTarget + " " + unixLink) &&
           Until(EntryExists, link, true) && PointsTo(link, target);
}

void RemoveLink(const std::string& link) {
    const std::string unixLink = UnixPathOf(link);
    if (unixLink.empty())
        DeleteFileA(link.c_str());
    else if (EntryExists(link) && StartLinuxProgram("rm", "-f " + unixLink))
        Until(EntryExists, link, false);
}

std::string RegistryText(HKEY root, const std::string& key, const std::string& value) {
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "<no key>";
    char text[4096] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(opened, value.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : "<no value>";
}

std::string UninstallKey(const std::string& app) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + app;
}

void RemoveUninstallEntry(const std::string& app) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey(app).c_str());
}

SavedRegistryValue::SavedRegistryValue(HKEY root, std::string key, std::string value)
    : root_(root), key_(std::move(key)), value_(std::move(value)) {
    HKEY opened;
    if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(opened, value_.c_str(), nullptr, &type_, nullptr, &size) ==
        ERROR_SUCCESS) {
        data_.resize(size);
        had_ = RegQueryValueExA(opened, value_.c_str(), nullptr, &type_,
                                reinterpret_cast<BYTE*>(&data_[0]), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(opened);
}

SavedRegistryValue::~SavedRegistryValue() {
    HKEY opened;
    if (RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (had_)
        RegSetValueExA(opened, value_.c_str(), 0, type_,
                       reinterpret_cast<const BYTE*>(data_.data()),
                       static_cast<DWORD>(data_.size()));
    else
        RegDeleteValueA(opened, value_.c_str());
    RegCloseKey(opened);
}

PendingRenames::PendingRenames()
    : SavedRegistryValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue) {}

bool PendingRenames::Holds(const std::string& from, const std::string& to) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    std::string data;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, kPendingValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        data.resize(size);
        RegQueryValueExA(key, kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                         &size);
    }
    RegCloseKey(key);
    return data.find("\\??\\" + from + '\0' + "!\\??\\" + to + '\0') != std::string::npos;
}

void PendingRenames::Block() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    const DWORD blocked = 0;
    RegSetValueExA(key, kPendingValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&blocked),
                   sizeof blocked);
    RegCloseKey(key);
}

const char kUninstallLogHeader[] =
    "QLUNLOG V1\r\n\r\nQUENLO UNINSTALLATION LOG FILE\r\n\r\n"
    "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!\r\n"
    "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!\r\n"
    "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR SYSTEM, YOU\r\n"
    "COULD BE UNABLE TO RESTART WINDOWS\r\n\r\n";

std::string LogAfterFiles(const std::string& log) {
    const std::string line = "\r\n[FILES]\r\n";
    const size_t at = log.find(line);
    return at == std::string::npos ? "<no [FILES] line>" : log.substr(at + line.size());
}

} // namespace vltest
