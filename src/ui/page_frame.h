#pragma once

#include <windows.h>

// Result of a page ended by a confirmed Cancel, or of a page that could not
// be shown because the run is ending.
constexpr int kPageCancelled = -2;

// The behaviour all pages share; every page procedure passes each message here
// with its own page name. Note the order: lParam before wParam. Returns 0.
INT_PTR PageCommon(HWND page, UINT message, LPARAM lParam, WPARAM wParam, const char* pageName);
