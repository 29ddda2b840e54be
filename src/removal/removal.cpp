#include "removal/removal.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <set>
#include <utility>

#include "engine/path_text.h"
#include "platform/system_libraries.h"
#include "platform/system_text.h"
#include "engine/log_record.h"
#include "removal/uninstall_registration.h"

namespace {

constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The shared-file counts, made when missing.
    bool OpenSharedDlls() {
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0,
                               KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                               nullptr) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

    // The count named `path`; false when there is none (or not a number).
    bool ReadCount(const std::string& path, DWORD& count) const {
        DWORD type = 0;
        DWORD size = sizeof count;
        return RegQueryValueExA(key_, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count),
                                &size) == ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof count;
    }
    void WriteCount(const std::string& path, DWORD count) const {
        RegSetValueExA(key_, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                       sizeof count);
    }

  private:
    HKEY key_ = nullptr;
};

std::string ErrorText(DWORD error) {
    std::string text = SystemErrorText(error);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(error) : text;
}

std::string FullPath(const std::string& path) {
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), &buffer[0], nullptr);
        if (length == 0) {
            return path;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');
    }
    return path;
}

// The full path with long names, as far as it exists; short (8.3) names, as
// the log holds them, and long ones then compare equal.
std::string LongPath(const std::string& path) {
    const std::string full = FullPath(path);
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            GetLongPathNameA(full.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return full;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');
    }
    return full;
}

std::string Comparable(const std::string& path) {
    return ComparablePath(LongPath(path));
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsInside(const std::string& child, const std::string& parent) {
    return child.size() > parent.size() + 1 && child.compare(0, parent.size(), parent) == 0 &&
           child[parent.size()] == '\\';
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::string();
    }
    return path;
}

// Folders that must stay even when empty: the Windows and system folders, and
// every folder the shell knows by name (profile, Start menu, programs folder,
// program files, desktop, documents, ...).
const std::set<std::string>& KeptFolders() {
    static const std::set<std::string> folders = [] {
        std::set<std::string> found;
        for (const std::string& directory : ProtectedDirectories()) {
            found.insert(Comparable(directory));
        }
        for (int csidl = 0; csidl < 0x40; ++csidl) {
            const std::string folder = ShellFolder(csidl);
            if (!folder.empty()) {
                found.insert(Comparable(folder));
            }
        }
        return found;
    }();
    return folders;
}

bool IsKeptFolder(const std::string& comparable) {
    const bool driveRoot = comparable.size() <= 2;
    const bool shareRoot = comparable.compare(0, 2, "\\\\") == 0 &&
                           std::count(comparable.begin() + 2, comparable.end(), '\\') <= 1;
    return driveRoot || shareRoot || KeptFolders().count(comparable) != 0;
}

// Servers unregister themselves through COM. It is started on first need
// only: a removal without servers is spared its start-up, which takes seconds
// on some systems.
class ComForServers {
  public:
    ComForServers() = default;
    ~ComForServers() {
        if (started_) {
            CoUninitialize();
        }
    }
    ComForServers(const ComForServers&) = delete;
    ComForServers& operator=(const ComForServers&) = delete;

    void Start() {
        if (!asked_) {
            asked_ = true;
            started_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        }
    }

  private:
    bool asked_ = false;
    bool started_ = false;
};

// Whether the server has taken its registrations back. One that cannot be
// loaded, or whose DllUnregisterServer fails, stays registered.
bool Unregister(const std::string& path, ComForServers& com) {
    HMODULE library = LoadLibraryByPath(path);
    if (library == nullptr) {
        return false;
    }
    com.Start();
    using UnregisterFunction = HRESULT(STDAPICALLTYPE*)();
    const auto unregister = reinterpret_cast<UnregisterFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
    const bool done = unregister != nullptr && SUCCEEDED(unregister());
    FreeLibrary(library);
    return done;
}

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The folder on the way to `path` that is a link (a junction or a symbolic
// link), or empty when there is none: a file is reached only through the
// folders that were installed, never through one that leads elsewhere.
std::string LinkOnTheWay(const std::string& path) {
    for (const std::string& level : DirectoryLevels(DirectoryOf(path))) {
        const DWORD attributes = GetFileAttributesA(level.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes)) {
            return level;
        }
    }
    return std::string();
}

enum class FileOutcome { Removed, Gone, AtRestart, Failed };

// What one run of RemoveEntries has decided so far.
struct Removal {
    Removal(const RemovalOptions& givenOptions, RemovalReport& givenReport)
        : options(givenOptions), report(givenReport) {}

    const RemovalOptions& options;
    RemovalReport& report;
    std::string ownFile;         // comparable
    std::set<std::string> going; // comparable paths deleted at the next start
    std::set<std::string> afterOwn;
    std::vector<std::pair<std::size_t, UninstallLogEntry>> remaining;
    ComForServers com;
    bool yesToAll = false;
    bool noToAll = false;

    FileOutcome DeleteOne(const std::string& path);
    FileOutcome ScheduleOrFail(const std::string& path, DWORD error);
    void RemoveShared(std::size_t index, const UninstallLogEntry& entry);
    bool SharedFileGoes(const std::string& path);
    void RemoveKey();
    void WriteOrDeleteLog();
    void PruneDirectory(const std::string& directory, bool quiet);
};

FileOutcome Removal::DeleteOne(const std::string& path) {
    const std::string link = LinkOnTheWay(path);
    if (!link.empty()) {
        report.notRemoved.push_back(path + ": the folder " + link +
                                    " is a link now, not the folder that was installed");
        return FileOutcome::Failed;
    }
    // Opened as it is, never through a link, and deleted through the handle
    // that was checked: nothing can be put in its place in between.
    HANDLE file =
        CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return FileOutcome::Gone;
        }
        return ScheduleOrFail(path, error);
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        report.notRemoved.push_back(path + ": " + ErrorText(error));
        return FileOutcome::Failed;
    }
    // Installed files are never links; deleting one that someone made would,
    // under some systems, delete what it points to.
    const DWORD attributes = information.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || IsLink(attributes)) {
        CloseHandle(file);
        report.notRemoved.push_back(path + ": a folder or link, not the file that was installed");
        return FileOutcome::Failed;
    }
    // Files copied from a CD keep its read-only mark.
    FILE_BASIC_INFO basic = {};
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
        CloseHandle(file);
        return FileOutcome::Removed;
    }
    const DWORD error = GetLastError();
    if (readOnly) {
        basic.FileAttributes = attributes;
        SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    }
    CloseHandle(file);
    return ScheduleOrFail(path, error);
}

FileOutcome Removal::ScheduleOrFail(const std::string& path, DWORD error) {
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                       error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
    if (inUse && MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        report.atRestart.push_back(path);
        going.insert(Comparable(path));
        return FileOutcome::AtRestart;
    }
    report.notRemoved.push_back(path + ": " + ErrorText(error));
    return FileOutcome::Failed;
}

bool Removal::SharedFileGoes(const std::string& path) {
    if (!options.askShared || yesToAll) {
        return true;
    }
    if (noToAll) {
        return false;
    }
    switch (options.askShared(path)) {
    case SharedFileAnswer::YesToAll:
        yesToAll = true;
        return true;
    case SharedFileAnswer::Yes:
        return true;
    case SharedFileAnswer::NoToAll:
        noToAll = true;
        return false;
    case SharedFileAnswer::No:
        break;
    }
    return false;
}

void Removal::RemoveShared(std::size_t index, const UninstallLogEntry& entry) {
    const bool exists = Exists(entry.path);
    // Other programs still use it, or nobody knows who does: it stays.
    if (ReleaseSharedFileUse(entry.path) != 0) {
        return;
    }
    if (!exists) {
        ForgetSharedFile(entry.path);
        return;
    }
    // Kept at the user's word, with a count of 0 that says nobody uses it.
    if (!SharedFileGoes(entry.path)) {
        return;
    }
    if (entry.registration == SelfRegistration::Registered && !Unregister(entry.path, com)) {
        // Deleted, it would leave registrations that point to nothing.
        CountSharedFileUse(entry.path, false);
        report.notRemoved.push_back(entry.path +
                                    ": the server could not take its registration back");
        remaining.emplace_back(index, entry);
        return;
    }
    const FileOutcome outcome = DeleteOne(entry.path);
    if (outcome == FileOutcome::Failed || outcome == FileOutcome::AtRestart) {
        // As it was, so that another run takes its use back again.
        CountSharedFileUse(entry.path, false);
        remaining.emplace_back(index, entry);
        return;
    }
    ForgetSharedFile(entry.path);
}

void Removal::RemoveKey() {
    const std::string& key = options.uninstallKey;
    if (key.empty()) {
        return;
    }
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened);
    if (result == ERROR_SUCCESS) {
        RegCloseKey(opened);
        result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    }
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        report.notRemoved.push_back("HKEY_LOCAL_MACHINE\\" + key + ": " +
                                    ErrorText(static_cast<DWORD>(result)));
        report.remaining.uninstallKey = key;
    }
}

void Removal::WriteOrDeleteLog() {
    const std::string& path = options.logPath;
    if (path.empty()) {
        return;
    }
    if (report.remaining.entries.empty() && report.remaining.uninstallKey.empty()) {
        DeleteOne(path);
        return;
    }
    const DWORD error =
        WriteUninstallLogFile(path, report.remaining, report.remaining.uninstallKey);
    if (error != ERROR_SUCCESS) {
        report.notRemoved.push_back(
            path + ": the list of what is left cannot be written: " + ErrorText(error));
    }
    // It stays with the uninstaller for another run; its folder is not the user's.
    afterOwn.insert(Comparable(path));
}

void Removal::PruneDirectory(const std::string& directory, bool quiet) {
    const std::string comparable = ComparablePath(directory);
    if (directory.empty() || IsKeptFolder(comparable)) {
        return;
    }
    // A folder replaced by a link, or reached through one, is not the folder
    // that was made: it and what it leads to stay.
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (IsLink(attributes) || !LinkOnTheWay(directory).empty())) {
        if (!quiet) {
            report.keptDirectories.push_back(directory);
        }
        return;
    }
    if (::RemoveDirectoryA(directory.c_str())) {
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return;
    }
    // Empty but for what goes later?
    bool holdsOwnFile = false;
    bool holdsOther = false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        holdsOther = true;
    } else {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = ComparablePath(directory + "\\" + name);
            if (path == ownFile || afterOwn.count(path) != 0) {
                holdsOwnFile = true;
            } else if (going.count(path) == 0) {
                holdsOther = true;
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (holdsOther) {
        if (!quiet) {
            report.keptDirectories.push_back(directory);
        }
    } else if (holdsOwnFile) {
        report.afterOwnFile.push_back(directory);
        afterOwn.insert(comparable);
    } else if (MoveFileExA(directory.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        going.insert(comparable);
    }
}

} // namespace

void CountSharedFileUse(const std::string& path, bool foundInPlace) {
    RegistryKey key;
    if (!key.OpenSharedDlls()) {
        return;
    }
    DWORD count = 0;
    if (!key.ReadCount(path, count)) {
        // A file that was there without a count has a user nobody knows of.
        count = foundInPlace ? 1 : 0;
    }
    key.WriteCount(path, count < MAXDWORD ? count + 1 : count);
}

int ReleaseSharedFileUse(const std::string& path) {
    RegistryKey key;
    DWORD count = 0;
    if (!key.OpenSharedDlls() || !key.ReadCount(path, count)) {
        return -1;
    }
    count = count > 1 ? count - 1 : 0;
    key.WriteCount(path, count);
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

void ForgetSharedFile(const std::string& path) {
    RegistryKey key;
    if (key.OpenSharedDlls()) {
        RegDeleteValueA(key.Get(), path.c_str());
    }
}

std::vector<std::string> ProtectedDirectories() {
    std::vector<std::string> directories = {WindowsDirectory(), SystemDirectoryText()};
    char wow64[MAX_PATH] = {};
    const UINT length = GetSystemWow64DirectoryA(wow64, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        directories.push_back(wow64);
    }
    return directories;
}

bool CheckEntriesOnDisk(const std::vector<UninstallLogEntry>& entries,
                        std::vector<std::string>& reasons) {
    bool accepted = true;
    for (const UninstallLogEntry& entry : entries) {
        const DWORD attributes = GetFileAttributesA(entry.path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            reasons.push_back(entry.path + ": a folder, not a file");
            accepted = false;
        }
    }
    return accepted;
}

bool AnythingToRemove(const UninstallLog& log, const std::string& ownFile) {
    const std::string own = ownFile.empty() ? std::string() : Comparable(ownFile);
    for (const UninstallLogEntry& entry : log.entries) {
        if (Exists(entry.path) && Comparable(entry.path) != own) {
            return true;
        }
    }
    HKEY key = nullptr;
    if (!log.uninstallKey.empty() && RegOpenKeyExA(HKEY_LOCAL_MACHINE, log.uninstallKey.c_str(), 0,
                                                   KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        return true;
    }
    return false;
}

std::vector<std::string> InstalledDirectories(const std::vector<UninstallLogEntry>& entries,
                                              const std::string& installDirectory,
                                              std::vector<std::string>& parents) {
    std::string install = installDirectory.empty() ? std::string() : LongPath(installDirectory);
    while (install.size() > 3 && install.back() == '\\') {
        install.pop_back();
    }
    const std::string installComparable = ComparablePath(install);
    const std::string programs[] = {Comparable(ShellFolder(CSIDL_PROGRAMS)),
                                    Comparable(ShellFolder(CSIDL_COMMON_PROGRAMS))};
    std::vector<std::string> directories;
    parents.clear();
    std::set<std::string> seen;
    // `directory` and the folders above it, up to `stop` (comparable) or a
    // folder that always stays; the first `reported` levels into `directories`,
    // the others into `parents`.
    const auto addWithParents = [&](std::string directory, const std::string& stop,
                                    std::size_t reported) {
        for (std::size_t level = 0;; ++level) {
            const std::string comparable = ComparablePath(directory);
            if (comparable.size() <= 2 || comparable == stop || IsKeptFolder(comparable) ||
                !seen.insert(comparable).second) {
                return;
            }
            (level < reported ? directories : parents).push_back(directory);
            const std::string parent = DirectoryOf(directory);
            if (parent.empty() || parent == directory) {
                return;
            }
            directory = parent;
        }
    };
    for (const UninstallLogEntry& entry : entries) {
        if (entry.shared) {
            continue;
        }
        const std::string directory = LongPath(DirectoryOf(FullPath(entry.path)));
        const std::string comparable = ComparablePath(directory);
        // Below the installation directory, a (nested) program group, or
        // folders made for the file elsewhere: each goes once it is empty.
        const std::string name = ComparablePath(FileNameOf(entry.path));
        const bool shortcut = name.size() > 4 && name.compare(name.size() - 4, 4, ".LNK") == 0;
        bool inGroup = false;
        for (const std::string& folder : programs) {
            inGroup = inGroup || (shortcut && !folder.empty() && IsInside(comparable, folder));
        }
        if (!install.empty() && IsInside(comparable, installComparable)) {
            addWithParents(directory, installComparable, SIZE_MAX);
        } else {
            addWithParents(directory, std::string(), inGroup ? 1 : 0);
        }
    }
    const auto deepestFirst = [](const std::string& a, const std::string& b) {
        return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    };
    std::stable_sort(directories.begin(), directories.end(), deepestFirst);
    if (!install.empty()) {
        addWithParents(install, std::string(), 1);
    }
    std::stable_sort(parents.begin(), parents.end(), deepestFirst);
    return directories;
}

DWORD ReadUninstallLogBytes(const std::string& path, std::string& bytes) {
    // A log beyond this size was not written by a setup.
    constexpr DWORD kLargestLog = 16 * 1024 * 1024;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD error = ERROR_SUCCESS;
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > kLargestLog) {
        error = ERROR_FILE_TOO_LARGE;
    } else {
        bytes.assign(size, '\0');
        DWORD read = 0;
        if (size > 0 && (!ReadFile(file, &bytes[0], size, &read, nullptr) || read != size)) {
            error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_READ_FAULT;
        }
    }
    CloseHandle(file);
    return error;
}

DWORD WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool complete =
        file != INVALID_HANDLE_VALUE &&
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    DWORD error = complete ? ERROR_SUCCESS : GetLastError();
    if (!complete && error == ERROR_SUCCESS) {
        error = ERROR_WRITE_FAULT; // a short write
    }
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return error;
}

bool IsPlainFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

DWORD WriteUninstallLogFile(const std::string& path, const UninstallLog& log,
                            const std::string& recordKey) {
    const std::string bytes = ToCrLf(UninstallLogText(log, TodaysLocalDate()));
    if (!recordKey.empty()) {
        WriteLogRecord(recordKey, LogRecordText(LogStateOf(bytes)));
    }
    return WriteWholeFile(path, bytes);
}

void RemoveEntries(const std::vector<UninstallLogEntry>& entries, const RemovalOptions& options,
                   RemovalReport& report) {
    report = RemovalReport();
    Removal removal(options, report);
    if (!options.ownFile.empty()) {
        removal.ownFile = Comparable(options.ownFile);
    }
    std::size_t ownIndex = entries.size();
    // Each file once: a shared file's use is taken back once per application.
    std::set<std::string> handled;
    for (std::size_t i = entries.size(); i-- > 0;) {
        const UninstallLogEntry& entry = entries[i];
        if (!handled.insert(ComparablePath(entry.path)).second) {
            continue;
        }
        if (!removal.ownFile.empty() && Comparable(entry.path) == removal.ownFile) {
            ownIndex = i;
        } else if (entry.shared) {
            removal.RemoveShared(i, entry);
        } else {
            const FileOutcome outcome = removal.DeleteOne(entry.path);
            if (outcome == FileOutcome::Failed || outcome == FileOutcome::AtRestart) {
                removal.remaining.emplace_back(i, entry);
            }
        }
    }
    // The entry stays while anything it names is left, also a file that goes
    // only at the next start: until then there is something to retry from.
    if (removal.remaining.empty()) {
        removal.RemoveKey();
    } else {
        report.remaining.uninstallKey = options.uninstallKey;
    }
    // The running uninstaller stays listed only beside something else to
    // remove, for the run that removes the rest.
    if (ownIndex < entries.size() &&
        (!removal.remaining.empty() || !report.remaining.uninstallKey.empty())) {
        removal.remaining.emplace_back(ownIndex, entries[ownIndex]);
    }
    std::sort(removal.remaining.begin(), removal.remaining.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& item : removal.remaining) {
        report.remaining.entries.push_back(item.second);
    }
    removal.WriteOrDeleteLog();
    for (const std::string& directory : options.directories) {
        removal.PruneDirectory(directory, false);
    }
    for (const std::string& directory : options.emptyParents) {
        removal.PruneDirectory(directory, true);
    }
}
