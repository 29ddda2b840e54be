#pragma once

#include <windows.h>

#include <string>

// The title of both folder browsers.
extern const char kBrowseTitle[];

// Opens the folder browser owned by `owner`, rooted at `root` (an item list, or
// null for the desktop), limited to file-system folders. Returns true and the
// folder's path when the user picked one, false when they cancelled.
bool BrowseForFolder(HWND owner, const void* root, std::string& folderOut);

// Frees an item list with the shell's allocator.
void FreeItemList(void* itemList);
