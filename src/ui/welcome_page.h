#pragma once

#include <windows.h>

// The welcome page: the script's caption and two texts beside the welcome picture.
INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
