#include "install/restart_replace.h"

#include <windows.h>

#include <cstdint>

#include "install/conflict_dialogs.h"
#include "install/ini_file.h"
#include "install/run_directory.h"
#include "platform/system_text.h"

namespace {

// Windows processes the rename section of this file at its next start.
int AddWininitRename(const std::string& destinationPath, const std::string& temporaryPath) {
    const std::string wininit = WindowsDirectory() + "\\Wininit.ini";
    // Create the file when it is missing; an existing one is left as it is.
    HANDLE file = CreateFileA(wininit.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    IniFile profile;
    // A file that is there but cannot be read holds entries of other programs
    // that a save would wipe out.
    if (profile.Load(wininit) == kIniUnreadable) {
        return 1;
    }
    profile.SetEntry("rename", destinationPath, temporaryPath);
    profile.Save(wininit);
    return 0;
}

} // namespace

int ReplaceAtRestart(const std::string& sourcePath, const std::string& destinationPath,
                     const std::string& sourceName) {
    FileVersionInfo source;
    FileVersionInfo destination;
    if (!ReadVersionInfo(sourcePath, source) || !ReadVersionInfo(destinationPath, destination)) {
        return 1;
    }
    // Major and minor version only; a copy in place that is newer stays.
    if (static_cast<int32_t>(source.versionMs) < static_cast<int32_t>(destination.versionMs)) {
        return 0;
    }

    // A new file in the run's own temporary folder: nothing that someone put
    // into the shared TEMP folder under a predictable name is written through.
    // Without a copy there is nothing to schedule.
    const std::string temporaryPath = CopyToRunFile(sourcePath, sourceName, ".tmp");
    if (temporaryPath.empty()) {
        return 1;
    }

    // The destination exists, so the move must be allowed to replace it, or it
    // would fail at the restart.
    if (MoveFileExA(temporaryPath.c_str(), destinationPath.c_str(),
                    MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) ||
        AddWininitRename(destinationPath, temporaryPath) == 0) {
        KeepRunFile(temporaryPath);
        return 0;
    }
    DeleteRunFile(temporaryPath);
    return 1;
}
