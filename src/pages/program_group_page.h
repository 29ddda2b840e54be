#pragma once

#include <windows.h>

#include <string>

// Whether the copy page creates a program group folder and shortcuts. True at
// start; the program group page sets it when the user leaves with Next.
extern bool useProgramGroup;

INT_PTR CALLBACK ProgramGroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The group folder for a new group: programs folder, "\", name, "\". An empty
// name gives two backslashes at the end, which later collapse into the
// programs folder itself.
std::string NewGroupPath(const std::string& programsFolder, const std::string& groupName);

// The current user's Start-menu programs folder, created when missing.
std::string ProgramsFolderPath();
