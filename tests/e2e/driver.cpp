#include "driver.h"

#include "resources/resource_ids.h"

#include <commctrl.h>

namespace e2e {

namespace {

constexpr DWORD kPollMs = 20;
constexpr UINT kSendMs = 5000;
constexpr int kBoxTextId = 0xFFFF;

std::string Shown(const Box& box) {
    return "box \"" + box.caption + "\": \"" + box.text.substr(0, 200) + "\"";
}

HWND ControlOf(HWND page, const std::string& control) {
    return control[0] == '#' ? GetDlgItem(page, std::stoi(control.substr(1)))
                             : ChildWithText(page, control);
}

// Memory in the wizard's process, for the list view messages that take a pointer.
class Remote {
  public:
    Remote(HWND window, SIZE_T size) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
        if (process_ != nullptr)
            at_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~Remote() {
        if (at_ != nullptr)
            VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    char* At() const { return at_; }
    void Put(SIZE_T offset, const void* data, SIZE_T size) {
        WriteProcessMemory(process_, at_ + offset, data, size, nullptr);
    }
    void Get(SIZE_T offset, void* data, SIZE_T size) {
        ReadProcessMemory(process_, at_ + offset, data, size, nullptr);
    }

  private:
    HANDLE process_ = nullptr;
    char* at_ = nullptr;
};

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendMs, &result);
    return static_cast<LRESULT>(result);
}

bool IsBox(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770" || GetDlgItem(window, kBoxTextId) == nullptr ||
        GetDlgItem(window, IDC_NEXT) != nullptr)
        return false;
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        if (GetDlgItem(window, id) != nullptr)
            return true;
    }
    return false;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

struct ChildSearch {
    const std::string& text;
    HWND found;
};

BOOL CALLBACK FindChild(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch*>(data);
    if (TextOf(child) != search->text)
        return TRUE;
    search->found = child;
    return FALSE;
}

Step Clicking(std::string what, const std::string& control) {
    return {what, [control](Wizard&, HWND& page) -> std::string {
                HWND button = ControlOf(page, control);
                if (button == nullptr)
                    return "no such control on the page";
                PostMessageA(button, BM_CLICK, 0, 0);
                return "";
            }};
}

} // namespace

Wizard::Wizard(const std::string& exe, const std::string& directory) {
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                   directory.c_str(), &startup, &process_);
}

Wizard::~Wizard() {
    if (Running()) {
        TerminateProcess(process_.hProcess, 0xDEAD);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    if (process_.hProcess != nullptr) {
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool Wizard::Running() const {
    return process_.hProcess != nullptr &&
           WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<int> Wizard::WaitForExit(DWORD ms) {
    DWORD code = 0;
    if (process_.hProcess == nullptr || !WaitUntil([&] { return !Running(); }, ms) ||
        !GetExitCodeProcess(process_.hProcess, &code))
        return std::nullopt;
    return static_cast<int>(code);
}

std::vector<HWND> Wizard::Windows() const {
    WindowSearch search{process_.dwProcessId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Wizard::WaitForPage(int controlId, DWORD ms) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : Windows()) {
                if (!IsBox(window) && GetDlgItem(window, controlId) != nullptr)
                    found = window;
            }
            return found != nullptr || !Running();
        },
        ms);
    return found;
}

Box Wizard::WaitForBox(DWORD ms) {
    Box box;
    WaitUntil(
        [&] {
            for (HWND window : Windows()) {
                if (IsBox(window)) {
                    box = ReadBox(window);
                    return true;
                }
            }
            return !Running();
        },
        ms);
    return box;
}

HWND Wizard::Background() const {
    for (HWND window : Windows()) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::string(name) == "SETUPMAINCLASS_HALLO_WIE_GEHTS")
            return window;
    }
    return nullptr;
}

Box ReadBox(HWND window) {
    Box box;
    box.window = window;
    char caption[512] = {};
    GetWindowTextA(window, caption, sizeof caption);
    box.caption = caption;
    box.text = TextOf(GetDlgItem(window, kBoxTextId));
    return box;
}

std::string TextOf(HWND window) {
    const LRESULT length = Ask(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kSendMs, &copied))
        return std::string();
    text.resize(copied < static_cast<DWORD_PTR>(length) ? copied : length);
    return text;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

HWND ChildWithText(HWND page, const std::string& text) {
    ChildSearch search{text, nullptr};
    EnumChildWindows(page, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string RowHighlights(HWND list) {
    std::string rows;
    for (LRESULT row = 0, count = Ask(list, LVM_GETITEMCOUNT, 0, 0); row < count; ++row)
        rows += Ask(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED ? '1' : '0';
    return rows;
}

std::string CellText(HWND list, int row, int column) {
    char text[256] = {};
    Remote remote(list, sizeof(LVITEMA) + sizeof text);
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = remote.At() + sizeof item;
    item.cchTextMax = sizeof text - 1;
    remote.Put(0, &item, sizeof item);
    Ask(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.At()));
    remote.Get(sizeof item, text, sizeof text - 1);
    return text;
}

void ClickRow(HWND list, int row) {
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    Remote remote(list, sizeof rect);
    remote.Put(0, &rect, sizeof rect);
    Ask(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.At()));
    remote.Get(0, &rect, sizeof rect);
    const LPARAM point = MAKELPARAM(rect.left + 10, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

void PressKey(HWND page, UINT key, int id) {
    HWND target = id != 0 ? GetDlgItem(page, id) : page;
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    if (id == 0 && GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &thread) &&
        thread.hwndFocus != nullptr)
        target = thread.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16;
    PostMessageA(target, WM_KEYDOWN, key, scan | 1);
    PostMessageA(target, WM_KEYUP, key, scan | 1 | (1u << 30) | (1u << 31));
}

Step Page(int controlId) {
    return {"page with control " + std::to_string(controlId),
            [controlId](Wizard& wizard, HWND& page) -> std::string {
                HWND previous = page;
                HWND found = nullptr;
                Box box;
                WaitUntil([&] {
                    for (HWND window : wizard.Windows()) {
                        if (IsBox(window))
                            box = ReadBox(window);
                        else if (window != previous && GetDlgItem(window, controlId) != nullptr)
                            found = window;
                    }
                    return found != nullptr || box.window != nullptr || !wizard.Running();
                });
                if (found == nullptr)
                    return box.window ? "instead a " + Shown(box) : "no such page";
                page = found;
                return "";
            }};
}

Step Click(int id) {
    return Clicking("click " + std::to_string(id), "#" + std::to_string(id));
}

Step ClickText(std::string text) {
    return Clicking("click \"" + text + "\"", text);
}

Step Type(int id, std::string text) {
    return {"type \"" + text + "\"", [id, text](Wizard&, HWND& page) -> std::string {
                HWND field = GetDlgItem(page, id);
                if (field == nullptr)
                    return "no such field";
                Ask(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                return "";
            }};
}

Step Key(UINT key, int id) {
    return {"key " + std::to_string(key), [key, id](Wizard&, HWND& page) -> std::string {
                PressKey(page, key, id);
                return "";
            }};
}

Step NextOn(bool enabled) {
    return {enabled ? "Next on" : "Next off", [enabled](Wizard&, HWND& page) -> std::string {
                HWND next = GetDlgItem(page, IDC_NEXT);
                const auto is = [&] { return (IsWindowEnabled(next) != FALSE) == enabled; };
                if (next == nullptr || !WaitUntil(is, 10000))
                    return "Next is not so";
                for (int tick = 0; tick < 8; ++tick) {
                    Sleep(50);
                    if (!is())
                        return "Next changed back";
                }
                return "";
            }};
}

Step Expect(std::string what, std::function<bool(HWND page)> holds) {
    return {what, [holds](Wizard&, HWND& page) -> std::string {
                return WaitUntil([&] { return holds(page); }, 10000) ? "" : "does not hold";
            }};
}

Step ExpectBoxThat(std::string caption, std::function<bool(const std::string&)> text, int answer) {
    return {"box \"" + caption + "\"",
            [caption, text, answer](Wizard& wizard, HWND&) -> std::string {
                // Another box may stay open under the one expected (a disk prompt under
                // the quit question); one that stays alone for a while is the wrong one.
                Box box;
                Box other;
                DWORD otherSince = 0;
                WaitUntil([&] {
                    for (HWND window : wizard.Windows()) {
                        if (!IsBox(window))
                            continue;
                        char title[512] = {};
                        GetWindowTextA(window, title, sizeof title);
                        if (caption == title)
                            box = ReadBox(window);
                        else if (other.window != window)
                            other = ReadBox(window), otherSince = GetTickCount();
                    }
                    return box.window != nullptr || !wizard.Running() ||
                           (other.window != nullptr && GetTickCount() - otherSince > 3000);
                });
                if (box.window == nullptr)
                    return other.window ? "instead a " + Shown(other) : "no box came";
                if (!text(box.text))
                    return "instead a " + Shown(box);
                PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box.window, answer)));
                return WaitUntil([&] { return !IsWindowVisible(box.window); }) ? "" : "stayed open";
            }};
}

Step ExpectBox(std::string caption, std::string text, int answer) {
    Step step = ExpectBoxThat(
        caption, [text](const std::string& shown) { return shown == text; }, answer);
    step.what += ": \"" + text.substr(0, 200) + "\"";
    return step;
}

Step Answer(std::string dialogCaption, int buttonId) {
    return {"answer \"" + dialogCaption + "\"",
            [dialogCaption, buttonId](Wizard& wizard, HWND&) -> std::string {
                HWND dialog = nullptr;
                WaitUntil([&] {
                    for (HWND window : wizard.Windows()) {
                        char title[256] = {};
                        GetWindowTextA(window, title, sizeof title);
                        if (!IsBox(window) && dialogCaption == title)
                            dialog = window;
                    }
                    return dialog != nullptr || !wizard.Running();
                });
                if (dialog == nullptr)
                    return "no such dialog";
                PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
                return WaitUntil([&] { return !IsWindowVisible(dialog); }) ? "" : "stayed open";
            }};
}

Step Do(std::string what, std::function<void(HWND page)> action) {
    return {what, [action](Wizard&, HWND& page) -> std::string {
                action(page);
                return "";
            }};
}

Step Post(std::string what, UINT message, WPARAM wParam) {
    return Do(what, [=](HWND page) { PostMessageA(page, message, wParam, 0); });
}

Step ExpectExit(int code) {
    return {"exit code " + std::to_string(code), [code](Wizard& wizard, HWND&) -> std::string {
                Box box;
                WaitUntil([&] {
                    for (HWND window : wizard.Windows()) {
                        if (IsBox(window))
                            box = ReadBox(window);
                    }
                    return box.window != nullptr || !wizard.Running();
                });
                if (box.window != nullptr)
                    return "instead a " + Shown(box);
                const std::optional<int> exit = wizard.WaitForExit(0);
                if (!exit)
                    return "still running";
                return *exit == code ? "" : "exit code " + std::to_string(*exit);
            }};
}

Step Rows(std::string highlights) {
    return Expect("rows " + highlights, [=](HWND page) {
        return RowHighlights(GetDlgItem(page, IDC_SECTIONS_LIST)) == highlights;
    });
}

Step Size(int row, std::string text) {
    return Expect("size " + text, [=](HWND page) {
        return CellText(GetDlgItem(page, IDC_SECTIONS_LIST), row, 1) == text;
    });
}

Step ClickListRow(int row) {
    return Do("click row " + std::to_string(row),
              [=](HWND page) { ClickRow(GetDlgItem(page, IDC_SECTIONS_LIST), row); });
}

std::string Play(Wizard& wizard, const std::vector<Step>& steps) {
    HWND page = nullptr;
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string problem = steps[i].run(wizard, page);
        if (!problem.empty())
            return "step " + std::to_string(i + 1) + " (" + steps[i].what + "): " + problem;
    }
    return "";
}

} // namespace e2e
