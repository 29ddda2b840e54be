#include "controls.h"

#include <commctrl.h>

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

// Memory in the list's process for one structure and a text buffer.
class RemoteBuffer {
  public:
    RemoteBuffer(HWND window, std::size_t size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_ != nullptr)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Valid() const { return address_ != nullptr; }
    char* Address() const { return static_cast<char*>(address_); }
    bool Write(std::size_t offset, const void* data, std::size_t size) {
        return WriteProcessMemory(process_, Address() + offset, data, size, nullptr) != FALSE;
    }
    bool Read(std::size_t offset, void* data, std::size_t size) {
        return ReadProcessMemory(process_, Address() + offset, data, size, nullptr) != FALSE;
    }

  private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    std::size_t size_;
};

namespace {

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

} // namespace

int ListRowCount(HWND list) {
    return static_cast<int>(SendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListCellText(HWND list, int row, int column) {
    constexpr std::size_t kTextSize = 512;
    RemoteBuffer remote(list, sizeof(LVITEMA) + kTextSize);
    if (!remote.Valid())
        return "<no access>";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = remote.Address() + sizeof(LVITEMA);
    item.cchTextMax = kTextSize;
    remote.Write(0, &item, sizeof item);
    SendWithTimeout(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                    reinterpret_cast<LPARAM>(remote.Address()));
    char text[kTextSize] = {};
    remote.Read(sizeof(LVITEMA), text, kTextSize - 1);
    return text;
}

UINT ListRowState(HWND list, int row) {
    return static_cast<UINT>(SendWithTimeout(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                             LVIS_SELECTED | LVIS_FOCUSED));
}

RECT ListRowRect(HWND list, int row) {
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    RemoteBuffer remote(list, sizeof rect);
    if (!remote.Valid())
        return RECT{};
    remote.Write(0, &rect, sizeof rect);
    SendWithTimeout(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                    reinterpret_cast<LPARAM>(remote.Address()));
    remote.Read(0, &rect, sizeof rect);
    return rect;
}

void ClickListRow(HWND list, int row) {
    const RECT rect = ListRowRect(list, row);
    const LPARAM point = MAKELPARAM(rect.left + 10, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

void PostKey(HWND control, UINT virtualKey) {
    PostMessageA(control, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(control, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

} // namespace e2e
