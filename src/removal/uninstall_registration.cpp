#include "removal/uninstall_registration.h"

#include <windows.h>

#include <algorithm>

#include "engine/log_record.h"
#include "engine/uninstall_entry.h"

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void SetText(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void SetNumber(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

DWORD Kilobytes(std::uint64_t bytes) {
    const std::uint64_t kilobytes = (bytes + 1023) / 1024;
    return kilobytes > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kilobytes);
}

HKEY CreateKey(const std::string& keyPath) {
    HKEY key = nullptr;
    if (keyPath.empty() ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

std::string TextOf(HKEY key, const char* valueName) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > 64 * 1024) {
        return std::string();
    }
    std::string text(size, '\0');
    if (size > 0 && RegQueryValueExA(key, valueName, nullptr, &type,
                                     reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS) {
        return std::string();
    }
    text.resize(std::min<std::size_t>(size, text.size()));
    const std::size_t end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

// The long form of an existing path, so that a short form names the same file.
std::string LongForm(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

bool NamesUninstaller(const std::string& command, const std::string& uninstallerPath) {
    if (CommandNamesUninstaller(command, uninstallerPath)) {
        return true;
    }
    if (command.size() < 2 || command.front() != '"' || command.back() != '"') {
        return false;
    }
    const std::string named = LongForm(command.substr(1, command.size() - 2));
    return CommandNamesUninstaller("\"" + named + "\"", LongForm(uninstallerPath));
}

} // namespace

bool WriteUninstallEntry(const std::string& keyPath, const UninstallEntryValues& values) {
    HKEY key = CreateKey(keyPath);
    if (key == nullptr) {
        return false;
    }
    const std::string command = UninstallCommand(values.installDirectory);
    SetText(key, "DisplayName", values.displayName);
    SetText(key, "UninstallString", command);
    SetText(key, "QuietUninstallString", command + " /quiet");
    SetText(key, "DisplayIcon", FileInInstallDirectory(values.installDirectory, "VLUninstall.exe"));
    SetText(key, "InstallLocation", values.installDirectory);
    if (!values.publisher.empty()) {
        SetText(key, "Publisher", values.publisher);
    }
    SetNumber(key, "EstimatedSize", Kilobytes(values.installedBytes));
    SetNumber(key, "NoModify", 1);
    SetNumber(key, "NoRepair", 1);
    RegCloseKey(key);
    return true;
}

void WriteLogRecord(const std::string& keyPath, const std::string& recordText) {
    if (HKEY key = CreateKey(keyPath)) {
        SetText(key, kLogRecordValue, recordText);
        RegCloseKey(key);
    }
}

void WriteEstimatedSize(const std::string& keyPath, std::uint64_t installedBytes) {
    if (HKEY key = CreateKey(keyPath)) {
        SetNumber(key, "EstimatedSize", Kilobytes(installedBytes));
        RegCloseKey(key);
    }
}

bool UninstallKeyExists(const std::string& keyPath) {
    HKEY key = nullptr;
    if (keyPath.empty() ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string UninstallKeyText(const std::string& keyPath, const char* valueName) {
    HKEY key = nullptr;
    if (keyPath.empty() ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::string();
    }
    const std::string text = TextOf(key, valueName);
    RegCloseKey(key);
    return text;
}

bool DeleteUninstallKey(const std::string& keyPath) {
    if (keyPath.empty() || !UninstallKeyExists(keyPath)) {
        return true;
    }
    return RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyPath.c_str()) == ERROR_SUCCESS &&
           !UninstallKeyExists(keyPath);
}

KeySnapshot SnapshotUninstallKey(const std::string& keyPath) {
    KeySnapshot snapshot;
    HKEY key = nullptr;
    if (keyPath.empty() ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return snapshot;
    }
    snapshot.existed = true;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        KeySnapshot::Value value;
        value.name.assign(name, nameLength);
        value.type = type;
        value.data.assign(size, '\0');
        if (size > 0 &&
            RegQueryValueExA(key, value.name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&value.data[0]), &size) != ERROR_SUCCESS) {
            continue;
        }
        value.data.resize(std::min<std::size_t>(size, value.data.size()));
        snapshot.values.push_back(value);
    }
    RegCloseKey(key);
    return snapshot;
}

void RestoreUninstallKey(const std::string& keyPath, const KeySnapshot& snapshot) {
    DeleteUninstallKey(keyPath);
    if (!snapshot.existed) {
        return;
    }
    HKEY key = CreateKey(keyPath);
    if (key == nullptr) {
        return;
    }
    for (const KeySnapshot::Value& value : snapshot.values) {
        RegSetValueExA(key, value.name.c_str(), 0, value.type,
                       reinterpret_cast<const BYTE*>(value.data.data()),
                       static_cast<DWORD>(value.data.size()));
    }
    RegCloseKey(key);
}

std::string LogTrustFault(const std::string& keyPath, const std::string& logBytes,
                          const std::string& uninstallerPath) {
    HKEY key = nullptr;
    if (keyPath.empty() ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "the Uninstall entry it names does not exist: HKEY_LOCAL_MACHINE\\" + keyPath;
    }
    const std::string command = TextOf(key, "UninstallString");
    const std::string record = TextOf(key, kLogRecordValue);
    RegCloseKey(key);
    if (!NamesUninstaller(command, uninstallerPath)) {
        return "the Uninstall entry it names belongs to another program: HKEY_LOCAL_MACHINE\\" +
               keyPath;
    }
    if (!LogMatchesRecord(logBytes, record)) {
        return "it is not the log the setup wrote: it was changed, or another program's";
    }
    return std::string();
}

std::string FindKeyOfLog(const std::string& logBytes, const std::string& uninstallerPath) {
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &parent) != ERROR_SUCCESS) {
        return std::string();
    }
    std::string found;
    for (DWORD index = 0; found.empty(); ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::string keyPath = std::string(kUninstallKey) + "\\" + std::string(name, length);
        if (LogTrustFault(keyPath, logBytes, uninstallerPath).empty()) {
            found = keyPath;
        }
    }
    RegCloseKey(parent);
    return found;
}
