#include "controls.h"

namespace e2e {

namespace {

struct ChildSearch {
    std::string text;
    std::string className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
    ChildSearch& search = *reinterpret_cast<ChildSearch*>(data);
    if (!search.className.empty()) {
        if (lstrcmpiA(ClassNameOf(child).c_str(), search.className.c_str()) == 0)
            search.found.push_back(child);
    } else if (TextOf(child) == search.text) {
        search.found.push_back(child);
    }
    return TRUE;
}

} // namespace

HWND ChildWithText(HWND page, const std::string& text) {
    ChildSearch search{text, "", {}};
    EnumChildWindows(page, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

std::vector<HWND> ChildrenOfClass(HWND page, const std::string& className) {
    ChildSearch search{"", className, {}};
    EnumChildWindows(page, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ClickControl(HWND control) {
    PostMessageA(control, BM_CLICK, 0, 0);
}

int CheckState(HWND control) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return static_cast<int>(state);
}

void SetControlText(HWND control, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &result);
}

bool WaitForNextEnabled(HWND page, bool enabled, DWORD timeoutMs) {
    return WaitUntil([&] { return IsControlEnabled(page, kNextId) == enabled; }, timeoutMs);
}

bool NextStays(HWND page, bool enabled, DWORD forMs) {
    if (!WaitForNextEnabled(page, enabled))
        return false;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < forMs) {
        if (IsControlEnabled(page, kNextId) != enabled)
            return false;
        Sleep(kPollMs);
    }
    return IsControlEnabled(page, kNextId) == enabled;
}

} // namespace e2e
