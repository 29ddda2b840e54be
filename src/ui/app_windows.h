#pragma once

#include <windows.h>

// The window procedure shared by the splash and the background window; it
// tells the two apart by their handles.
LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The splash window's two-line product banner.
extern const char kSplashBanner[];
