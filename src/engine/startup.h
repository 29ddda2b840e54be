#pragma once

#include <windows.h>

// Values that start-up sets once and every window reads.
extern HINSTANCE instance; // the program's own module: classes, templates, bitmap
extern int screenWidth;    // primary screen size in pixels, read once at start
extern int screenHeight;
extern HWND splashWindow; // shown while the script is read, then destroyed
extern HWND mainWindow;   // the full-screen background window, owner of every page

// Registers a window class of the given name with the shared window procedure
// and creates a top-level window of it.
HWND CreateAppWindow(const char* title, const char* className, HWND parent, DWORD style, int x,
                     int y, int width, int height);

// The whole run, from the splash window to the shut-down; returns the exit code.
int RunSetup(HINSTANCE moduleInstance);
