#include "pages/window_text.h"

#include <shlobj.h>

#include <vector>

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<std::size_t>(length) + 2);
    const int got = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

std::string WindowTextLimited(HWND window, int limit) {
    std::vector<char> text(static_cast<std::size_t>(limit) + 1);
    const int got = GetWindowTextA(window, text.data(), limit + 1);
    return std::string(text.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

std::string PathFromItemList(const void* itemList) {
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(static_cast<PCIDLIST_ABSOLUTE>(itemList), path)) {
        return std::string();
    }
    return path;
}
