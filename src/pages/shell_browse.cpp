#include "pages/shell_browse.h"

#include <shlobj.h>

#include "pages/window_text.h"

const char kBrowseTitle[] = "Please choose the directory in which the software will be installed.";

void FreeItemList(void* itemList) {
    if (itemList == nullptr) {
        return;
    }
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
        allocator->Free(itemList);
        allocator->Release();
    }
}

bool BrowseForFolder(HWND owner, const void* root, std::string& folderOut) {
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pidlRoot = static_cast<PCIDLIST_ABSOLUTE>(root);
    browse.pszDisplayName = displayName;
    browse.lpszTitle = kBrowseTitle;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (chosen == nullptr) {
        return false;
    }
    folderOut = PathFromItemList(chosen);
    FreeItemList(chosen);
    return true;
}
