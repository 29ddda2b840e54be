#include "install/restart_replace.h"

#include <windows.h>

#include <algorithm>

#include <vector>

#include "engine/uninstall_log_read.h"
#include "install/conflict_dialogs.h"
#include "install/ini_file.h"
#include "install/run_directory.h"
#include "platform/run_log.h"
#include "platform/system_text.h"

namespace {

// Windows processes the rename section of this file at its next start. Every
// line already there (other programs' entries, comments, repeated NUL= keys)
// stays as it is; 1 when the file cannot be read or written.
int AddWininitRename(const std::string& destinationPath, const std::string& temporaryPath) {
    const std::string wininit = WindowsDirectory() + "\\Wininit.ini";
    IniFile profile;
    const int16_t loaded = profile.Load(wininit);
    if (loaded != kIniRead && loaded != kIniMissing) {
        return 1;
    }
    profile.AddEntry("rename", destinationPath, temporaryPath);
    return profile.Save(wininit) == kIniSaved ? 0 : 1;
}

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";

// The delayed moves as the platform keeps them: pairs of texts, "\??\" and
// the path, then the new path or an empty text for a delete.
std::vector<std::string> ReadPendingMoves() {
    std::vector<std::string> texts;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return texts;
    }
    DWORD type = 0;
    DWORD size = 0;
    std::string data;
    if (RegQueryValueExA(key, kPendingValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size > 0) {
        data.assign(size, '\0');
        if (RegQueryValueExA(key, kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                             &size) != ERROR_SUCCESS) {
            data.clear();
        }
        data.resize(std::min<std::size_t>(size, data.size()));
    }
    RegCloseKey(key);
    // Texts end with a zero; the list with an empty one, which pairs make
    // ambiguous, so every text up to the data's end counts.
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find('\0', start);
        if (end == std::string::npos) {
            end = data.size();
        }
        texts.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    if (texts.size() % 2 != 0 && texts.back().empty()) {
        texts.pop_back();
    }
    return texts;
}

void WritePendingMoves(const std::vector<std::string>& texts) {
    std::string data;
    for (const std::string& text : texts) {
        data += text;
        data += '\0';
    }
    data += '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    if (texts.empty()) {
        RegDeleteValueA(key, kPendingValue);
    } else {
        RegSetValueExA(key, kPendingValue, 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    }
    RegCloseKey(key);
}

std::string PathOfMove(const std::string& text) {
    std::string path = text.compare(0, 4, "\\??\\") == 0 ? text.substr(4) : text;
    char longForm[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), longForm, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        path.assign(longForm, length);
    }
    return ComparablePath(path);
}

// The files to be deleted at the next start, as comparable paths; read once.
bool pendingRead = false;
std::vector<std::string> pendingDeletes;

} // namespace

void ForgetPendingDeletes() {
    pendingRead = false;
    pendingDeletes.clear();
}

void CancelPendingDelete(const std::string& path) {
    if (!pendingRead) {
        pendingRead = true;
        const std::vector<std::string> texts = ReadPendingMoves();
        for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
            if (texts[i + 1].empty()) {
                pendingDeletes.push_back(PathOfMove(texts[i]));
            }
        }
    }
    if (pendingDeletes.empty()) {
        return;
    }
    const std::string comparable = PathOfMove(path);
    bool listed = false;
    for (const std::string& pending : pendingDeletes) {
        listed = listed || pending == comparable;
    }
    if (!listed) {
        return;
    }
    std::vector<std::string> texts = ReadPendingMoves();
    std::vector<std::string> kept;
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
        if (!(texts[i + 1].empty() && PathOfMove(texts[i]) == comparable)) {
            kept.push_back(texts[i]);
            kept.push_back(texts[i + 1]);
        }
    }
    WritePendingMoves(kept);
}

int ReplaceAtRestart(const std::string& sourcePath, const std::string& destinationPath,
                     const std::string& sourceName) {
    // A new file in the run's own temporary folder: nothing that someone put
    // into the shared TEMP folder under a predictable name is written through.
    // Made first, expanded, so that a packed source's version can be read and
    // what is moved into place is the file itself. Without a copy there is
    // nothing to schedule.
    const std::string temporaryPath = CopyToRunFile(sourcePath, sourceName, ".tmp");
    if (temporaryPath.empty()) {
        return 1;
    }
    FileVersionInfo source;
    FileVersionInfo destination;
    if (!ReadVersionInfo(temporaryPath, source) || !ReadVersionInfo(destinationPath, destination)) {
        DeleteRunFile(temporaryPath);
        return 1;
    }
    // Major and minor version only, as the unsigned numbers they are; a copy
    // in place that is newer stays.
    if (source.versionMs < destination.versionMs) {
        DeleteRunFile(temporaryPath);
        return 0;
    }
    // The destination exists, so the move must be allowed to replace it, or it
    // would fail at the restart.
    if (MoveFileExA(temporaryPath.c_str(), destinationPath.c_str(),
                    MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) ||
        AddWininitRename(destinationPath, temporaryPath) == 0) {
        KeepRunFile(temporaryPath);
        NoteRestartNeeded();
        LogStep("replaced when Windows restarts: " + destinationPath);
        return 0;
    }
    DeleteRunFile(temporaryPath);
    return 1;
}
