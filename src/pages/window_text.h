#pragma once

#include <windows.h>

#include <string>

// A control's whole text, however long.
std::string WindowText(HWND window);

// At most `limit` characters of a control's text, as a fixed-size read gives.
std::string WindowTextLimited(HWND window, int limit);

// The file-system path of a shell item list; empty when it has none.
std::string PathFromItemList(const void* itemList);
