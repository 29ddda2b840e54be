#pragma once

#include <string>

// Takes back the installation run that was stopped after it began to install
// (a quit the user confirmed, or an abort after its message), from its record
// (removal/uninstall_log.h): removes what this run made (files and shortcuts
// that were not there before, with the counts and registrations of shared
// ones, and then the directories it created once they are empty again).
//
// The earlier installation into the directory comes back as it was: its log
// and Uninstall entry exactly, when nothing of this run stays. What does stay
// (files that were there before and were replaced with the user's consent,
// files that could not be removed) is listed in the log after the earlier
// installation's entries, and the entry names the log, but only when the
// uninstaller is there to remove it; otherwise the log stays beside the files
// without an entry, and its path is returned so that the user is told.
// Returns an empty text in every other case.
std::string TakeBackInstallation();
