#include "test_support.h"

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iterator>

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
    std::wstring wide(path.begin(), path.end());
    char* name = unixFileName ? unixFileName(wide.c_str()) : nullptr;
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// A directory entry, also of a dead link.
bool EntryExists(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    return search != INVALID_HANDLE_VALUE && FindClose(search);
}

// Wine starts Linux programs too, but gives no handle to wait on: callers wait for the effect.
bool RunLinux(const std::string& commandLine) {
    return WinExec(("Z:\\bin\\" + commandLine).c_str(), SW_HIDE) > 31;
}

std::string Folder(UINT(WINAPI* query)(LPSTR, UINT)) {
    char path[MAX_PATH] = {};
    query(path, MAX_PATH);
    return path;
}

} // namespace

std::string WinePath(const std::string& path) {
    std::string result = path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return !path.empty() && path[0] == '/' ? "Z:" + result : result;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    for (size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Entries(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
            names.push_back(found.cFileName);
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& directory) {
    for (const std::string& name : Entries(directory)) {
        const std::string path = directory + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(path.c_str()))
            RemoveTree(path);
    }
    RemoveDirectoryA(directory.c_str());
}

std::string ShortPath(const std::string& path) {
    char buffer[1024] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

std::string SystemDirectory() {
    return Folder(GetSystemDirectoryA);
}

std::string WindowsTemp() {
    return Folder(GetWindowsDirectoryA) + "\\TEMP";
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
    return RunLinux("ln -s \"" + UnixPathOf(target) + "\" \"" + UnixPathOf(link) + "\"") &&
           Until(EntryExists, link, true) && PointsTo(link, target);
}

void RemoveLink(const std::string& link) {
    if (EntryExists(link) && RunLinux("rm -f \"" + UnixPathOf(link) + "\""))
        Until(EntryExists, link, false);
}

std::string RegistryText(HKEY root, const std::string& key, const std::string& value) {
    char text[4096] = {};
    DWORD size = sizeof text - 1;
    if (!RegGetValueA(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text, &size))
        return text;
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened))
        return "<no key>";
    RegCloseKey(opened);
    return "<no value>";
}

std::string UninstallKey(const std::string& app) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + app;
}

void RemoveUninstallEntry(const std::string& app) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey(app).c_str());
}

namespace {
constexpr char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
} // namespace

long long SharedCount(const std::string& path) {
    DWORD count = 0;
    DWORD size = sizeof count;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str(), RRF_RT_REG_DWORD, nullptr,
                     &count, &size) != ERROR_SUCCESS)
        return -1;
    return count;
}

void SetSharedCount(const std::string& path, DWORD count) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str(), REG_DWORD, &count, sizeof count);
}

void ForgetSharedCount(const std::string& path) {
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str());
}

SavedRegistryValue::SavedRegistryValue(HKEY root, std::string key, std::string value)
    : root_(root), key_(std::move(key)), value_(std::move(value)) {
    DWORD size = 0;
    if (RegGetValueA(root_, key_.c_str(), value_.c_str(), RRF_RT_ANY, &type_, nullptr, &size))
        return;
    data_.resize(size);
    had_ = !RegGetValueA(root_, key_.c_str(), value_.c_str(), RRF_RT_ANY, &type_, &data_[0], &size);
}

SavedRegistryValue::~SavedRegistryValue() {
    if (had_)
        RegSetKeyValueA(root_, key_.c_str(), value_.c_str(), type_, data_.data(),
                        static_cast<DWORD>(data_.size()));
    else
        RegDeleteKeyValueA(root_, key_.c_str(), value_.c_str());
}

PendingRenames::PendingRenames()
    : SavedRegistryValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue) {}

bool PendingRenames::Holds(const std::string& from, const std::string& to) {
    std::string data(65536, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ,
                     nullptr, &data[0], &size))
        return false;
    return data.find("\\??\\" + from + '\0' + "!\\??\\" + to + '\0') != std::string::npos;
}

void PendingRenames::Block() {
    const DWORD blocked = 0;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, REG_DWORD, &blocked,
                    sizeof blocked);
}

std::string LogAfterFiles(const std::string& log) {
    const std::string line = "\r\n[FILES]\r\n";
    const size_t at = log.find(line);
    return at == std::string::npos ? "<no [FILES] line>" : log.substr(at + line.size());
}

} // namespace vltest
