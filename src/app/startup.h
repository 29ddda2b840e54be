#pragma once

#include <windows.h>

// Registers a window class of the given name with the shared window procedure
// and creates a top-level window of it.
HWND CreateAppWindow(const char* title, const char* className, HWND parent, DWORD style, int x,
                     int y, int width, int height);

// The whole run, from the splash window to the shut-down; returns the exit code.
int RunSetup(HINSTANCE moduleInstance);

// The exit code of a setup started while another one runs; it changes nothing.
constexpr int kAnotherSetupRunning = 1618;
