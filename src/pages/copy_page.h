#pragma once

#include <windows.h>

#include <string>

// Set when the copy page starts its work; the work runs at most once per run.
extern bool copyStarted;

INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Installs the files of every chosen section in order. Returns 0 when every
// file was handled, or the failing record's position plus one when the
// installation must stop (a fatal failure or a quit confirmed meanwhile).
int InstallSections(HWND page);

// The file name that the page shows for a destination: the text after its
// last backslash, or the whole destination when it holds none.
std::string DisplayedFileName(const std::string& destination);

// The copy page's work in a quiet run, without a window: 0 when every file
// was handled, 1 when the installation stopped (and was taken back).
int RunCopyWithoutPage();
