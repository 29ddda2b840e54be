#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Free bytes available to the caller on the drive of `path` (its first three
// characters taken as the root); 0 for a path too short, no drive or a failure.
uint64_t FreeDiskSpace(const std::string& path);

// The free space as the page shows it: kilobytes and " kb".
std::string FreeSpaceText(uint64_t bytes);

// The installation directory that the browser's folder and the application
// name make: folder, "\", name, "\" (a drive root "C:\" gives "C:\\Demo\").
std::string DestinationFromFolder(const std::string& folder, const std::string& appName);

// What "Automatic" proposes: on the fixed drive with the most free space, the
// program files directory when that drive holds it, else the drive's root,
// followed by the application name and a backslash. Empty when no fixed drive
// is found.
std::string AutomaticDestination(const std::string& appName);
