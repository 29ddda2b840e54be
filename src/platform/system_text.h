#pragma once

#include <windows.h>

#include <string>

// Directory queries of any length: the platform reports the size it needs when
// a buffer is too small, so nothing is ever cut.
std::string CurrentDirectoryText();
std::string WindowsDirectoryText();
std::string SystemDirectoryText();

// The Windows directory without a trailing backslash, of any length.
std::string WindowsDirectory();

// The system's text for an error code (default language), as a message box shows it.
std::string SystemErrorText(DWORD error);
