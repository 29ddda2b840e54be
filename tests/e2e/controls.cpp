#include "controls.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>

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

namespace {

// The copy page and the conflict dialogs hold a static text with the id of a message box's
// text too; only a message box has the standard answer buttons (IDOK to IDCONTINUE).
bool IsMessageBox(const MessageBoxInfo& box) {
    return box && std::any_of(box.buttons.begin(), box.buttons.end(),
                              [](int id) { return id >= IDOK && id <= IDCONTINUE; });
}

} // namespace

std::vector<SeenBox> AnswerBoxesUntilExit(WizardProcess& wizard,
                                          const std::function<int(const MessageBoxInfo&)>& answer,
                                          DWORD timeoutMs) {
    std::vector<SeenBox> seen;
    WaitUntil(
        [&] {
            for (HWND window : wizard.FindAll(WindowQuery{kDialogClass, std::nullopt, 0})) {
                const MessageBoxInfo box = ReadMessageBox(window);
                if (!IsMessageBox(box)) {
                    if (GetDlgItem(window, kNextId) == nullptr)
                        continue;
                    seen.push_back(SeenBox{"page", TitleOf(window)});
                    return true;
                }
                seen.push_back(SeenBox{box.caption, box.text});
                AnswerMessageBox(box.window, answer(box));
                wizard.WaitUntilGone(box.window, 5000);
                return false;
            }
            return !wizard.IsRunning();
        },
        timeoutMs);
    return seen;
}

void PrintTo(const SeenBox& box, std::ostream* out) {
    constexpr std::size_t kShown = 100;
    *out << '"' << box.caption << "\": \"" << box.text.substr(0, kShown)
         << (box.text.size() > kShown ? "...\"" : "\"");
}

std::string DescribeExit(const std::optional<int>& code) {
    if (!code)
        return "still running: the wizard hangs";
    char text[96];
    const unsigned value = static_cast<unsigned>(*code);
    if ((value & 0xC0000000u) == 0xC0000000u)
        std::snprintf(text, sizeof text, "crashed with exception 0x%08X", value);
    else
        std::snprintf(text, sizeof text, "exit code %d", *code);
    return text;
}

std::optional<std::string> FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ReadBytes(const std::string& path) {
    return FileBytes(path).value_or("<missing>");
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ShortPath(const std::string& path) {
    char buffer[1024] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? buffer : path;
}

std::string SystemDirectory() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

std::string ProgramFilesDirectory() {
    HKEY key;
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", &key) ==
        ERROR_SUCCESS) {
        RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size);
        RegCloseKey(key);
    }
    return value;
}

std::string StartMenuProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return path;
}

std::string UninstallKeyOf(const std::string& appName) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appName;
}

void RemoveUninstallKey(const std::string& appName) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKeyOf(appName).c_str());
}

namespace {

bool IsLogDate(const std::string& line) {
    // DATE:month/day/year, decimal numbers without leading zeros.
    const std::string prefix = "DATE:";
    if (line.compare(0, prefix.size(), prefix) != 0)
        return false;
    int numbers = 0;
    std::size_t i = prefix.size();
    while (i < line.size()) {
        const std::size_t start = i;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
            ++i;
        if (i == start || line[start] == '0')
            return false;
        ++numbers;
        if (i < line.size() && (line[i] != '/' || numbers == 3))
            return false;
        if (i < line.size())
            ++i;
    }
    return numbers == 3;
}

} // namespace

UninstallLogCheck CheckUninstallLog(const std::string& bytes, const std::string& appName) {
    UninstallLogCheck check;
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            check.problem = "the last line does not end in CR LF";
            return check;
        }
        lines.push_back(bytes.substr(start, end - start));
        if (lines.back().find_first_of("\r\n") != std::string::npos) {
            check.problem = "a line holds a lone CR or LF: " + lines.back();
            return check;
        }
        start = end + 2;
    }
    static const char* const kHeader[] = {
        "QLUNLOG V1",
        "",
        "QUENLO UNINSTALLATION LOG FILE",
        "",
        "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!",
        "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!",
        "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR SYSTEM, YOU",
        "COULD BE UNABLE TO RESTART WINDOWS",
        ""};
    constexpr std::size_t kHeaderLines = sizeof kHeader / sizeof kHeader[0];
    for (std::size_t i = 0; i < kHeaderLines; ++i) {
        if (i >= lines.size() || lines[i] != kHeader[i]) {
            check.problem = "header line " + std::to_string(i + 1) + " is wrong";
            return check;
        }
    }
    std::size_t i = kHeaderLines;
    if (i >= lines.size() || !IsLogDate(lines[i])) {
        check.problem = "no date line";
        return check;
    }
    if (++i >= lines.size() || lines[i] != "[FILES]") {
        check.problem = "no [FILES] line";
        return check;
    }
    for (++i; i < lines.size() && lines[i] != "[REGISTRY]";) {
        const std::string& path = lines[i];
        const std::string kind = i + 1 < lines.size() ? lines[i + 1] : "";
        if (path.empty() || (kind != "NONSHARED" && kind != "SHARED")) {
            check.problem = "line " + std::to_string(i + 1) + " starts no entry: " + path;
            return check;
        }
        check.paths.push_back(path);
        i += 2;
        if (kind == "SHARED" && i < lines.size() &&
            (lines[i] == "AUTOREGSVR" || lines[i] == "NOAUTOREGSVR"))
            ++i;
    }
    if (i + 2 != lines.size() || lines[i] != "[REGISTRY]" ||
        lines[i + 1] != UninstallKeyOf(appName)) {
        check.problem = "the log does not end with [REGISTRY] and the key path";
        return check;
    }
    return check;
}

} // namespace e2e
