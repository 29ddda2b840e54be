#include "install/restart_replace.h"

#include <windows.h>

#include "install/conflict_dialogs.h"
#include "install/ini_file.h"
#include "install/run_directory.h"
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

} // namespace

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
        return 0;
    }
    DeleteRunFile(temporaryPath);
    return 1;
}
