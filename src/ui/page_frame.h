#pragma once

#include <windows.h>

// Result of a page ended by a confirmed Cancel, or of a page that could not
// be shown because the run is ending.
constexpr int kPageCancelled = -2;

// A press of Next that the page acts on: the Next button's command while no
// quit question is open (the page under the question is out of use).
bool IsNextPress(UINT message, WPARAM wParam);

// The behaviour all pages share; every page procedure passes each message here
// with its own page name. Note the order: lParam before wParam. Returns 0.
INT_PTR PageCommon(HWND page, UINT message, LPARAM lParam, WPARAM wParam, const char* pageName);
