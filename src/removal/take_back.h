#pragma once

#include <string>

// Takes back an installation that was stopped after it began to install
// (a quit the user confirmed, or an abort after its message): removes what this
// run made (files and shortcuts that were not there before, with the counts
// and registrations of shared ones, and then the directories it created once
// they are empty again). Files that were there before and were replaced with
// the user's consent keep their new contents and stay in the log at `logPath`,
// which is rewritten to list them (and the application's uninstaller) under
// the key `uninstallKey`; when nothing of the run is left, the log is deleted.
// Returns whether anything of the run is left, so that it stays registered.
bool TakeBackInstallation(const std::string& logPath, const std::string& uninstallKey,
                          const std::string& uninstallerPath);
