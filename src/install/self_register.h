#pragma once

#include <windows.h>

#include <string>

// Loads an installed shared file as a library; its initialisation runs now.
// nullptr when the file is no library or cannot be loaded. No error box of the
// system comes up for a file that is no library.
HMODULE LoadInstalledLibrary(const std::string& installedPath);

// The registration step after the file's shared entry in the uninstall log:
// calls the library's DllRegisterServer when it exports one (a failure,
// including the result 1, is reported in the "Server registration" message
// owned by the current page) and, when `logged`, writes AUTOREGSVR, or
// NOAUTOREGSVR without the export. Frees the library. Returns whether it
// exports DllRegisterServer.
bool RegisterServer(HMODULE library, const std::string& installedPath, bool logged);
