#include "driver.h"

#include "resources/resource_ids.h"

#include <commctrl.h>
#include <tlhelp32.h>

namespace e2e {

namespace {

constexpr int kBoxTextId = 0xFFFF;

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::string TitleOf(HWND window) {
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

bool IsBox(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770" || !GetDlgItem(window, kBoxTextId) ||
        GetDlgItem(window, IDC_NEXT))
        return false;
    for (int id = IDOK; id <= IDCONTINUE; ++id)
        if (GetDlgItem(window, id))
            return true;
    return false;
}

std::string BoxText(HWND box) {
    return TextOf(GetDlgItem(box, kBoxTextId));
}

std::string Shown(HWND box) {
    return "instead a box \"" + TitleOf(box) + "\": \"" + BoxText(box).substr(0, 200) + "\"";
}

// Waits for a window of the wizard that `pick` takes. A message box that it does not take
// and that stays for a while ends the wait as well (another box may stay open under the
// one expected, as a disk prompt under the quit question, but not alone).
HWND WaitFor(Wizard& wizard, const std::function<bool(HWND)>& pick, HWND& other) {
    HWND found = nullptr;
    DWORD otherSince = 0;
    WaitUntil([&] {
        for (HWND window : wizard.Windows()) {
            if (pick(window))
                found = window;
            else if (IsBox(window) && other != window)
                other = window, otherSince = GetTickCount();
        }
        return found || !wizard.Running() || (other && GetTickCount() - otherSince > 3000);
    });
    return found;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->first && IsWindowVisible(window))
        search->second.push_back(window);
    return TRUE;
}

BOOL CALLBACK FindChild(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<std::string, HWND>*>(data);
    if (TextOf(child) != search->first)
        return TRUE;
    search->second = child;
    return FALSE;
}

// Sends a list view message whose argument points into the wizard's process: `data` goes
// there first and comes back afterwards.
void AskWithData(HWND list, UINT message, WPARAM wParam, void* data, SIZE_T size) {
    DWORD id = 0;
    GetWindowThreadProcessId(list, &id);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    char* remote =
        static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (remote != nullptr) {
        auto* item = static_cast<LVITEMA*>(data);
        if (message == LVM_GETITEMTEXTA)
            item->pszText = remote + sizeof(LVITEMA);
        WriteProcessMemory(process, remote, data, size, nullptr);
        Ask(list, message, wParam, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, data, size, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
}

// The highlight of each row of a list view: "10" is row 0 highlighted, row 1 not.
std::string RowHighlights(HWND list) {
    std::string rows;
    for (LRESULT row = 0, count = Ask(list, LVM_GETITEMCOUNT, 0, 0); row < count; ++row)
        rows += Ask(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED ? '1' : '0';
    return rows;
}

std::string CellText(HWND list, int row, int column) {
    struct {
        LVITEMA item;
        char text[256];
    } cell = {};
    cell.item.iSubItem = column;
    cell.item.cchTextMax = sizeof cell.text - 1;
    AskWithData(list, LVM_GETITEMTEXTA, row, &cell, sizeof cell);
    return cell.text;
}

void ClickRow(HWND list, int row) {
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    AskWithData(list, LVM_GETITEMRECT, row, &rect, sizeof rect);
    const LPARAM point = MAKELPARAM(rect.left + 10, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

Step Clicking(std::string what, std::function<HWND(HWND page)> control) {
    return {what, [control](Wizard&, HWND& page) -> std::string {
                HWND button = control(page);
                return button && PostMessageA(button, BM_CLICK, 0, 0) ? "" : "no such control";
            }};
}

} // namespace

Wizard::Wizard(const std::string& exe, const std::string& directory, const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
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
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

bool Wizard::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<int> Wizard::WaitForExit(DWORD ms) {
    DWORD code = 0;
    if (!process_.hProcess || !WaitUntil([&] { return !Running(); }, ms) ||
        !GetExitCodeProcess(process_.hProcess, &code))
        return std::nullopt;
    return static_cast<int>(code);
}

bool Wizard::WaitForItsChildren(DWORD ms) const {
    std::vector<HANDLE> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != process_.dwProcessId)
            continue;
        if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID))
            children.push_back(child);
    }
    CloseHandle(snapshot);
    bool ended = true;
    for (HANDLE child : children) {
        ended = ended && WaitForSingleObject(child, ms) == WAIT_OBJECT_0;
        CloseHandle(child);
    }
    return ended;
}

std::vector<HWND> Wizard::Windows() const {
    std::pair<DWORD, std::vector<HWND>> search{process_.dwProcessId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

void Wizard::Hold(bool held) {
    held ? SuspendThread(process_.hThread) : ResumeThread(process_.hThread);
}

std::string TextOf(HWND window) {
    std::string text(static_cast<size_t>(Ask(window, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(std::min<size_t>(
        text.size() - 1, Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(20))
        if (GetTickCount() - start >= ms)
            return false;
    return true;
}

HWND ChildWithText(HWND page, const std::string& text) {
    std::pair<std::string, HWND> search{text, nullptr};
    EnumChildWindows(page, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

void PressKey(HWND page, UINT key, int id) {
    HWND target = id != 0 ? GetDlgItem(page, id) : page;
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    if (id == 0 && GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &thread) &&
        thread.hwndFocus)
        target = thread.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16;
    PostMessageA(target, WM_KEYDOWN, key, scan | 1);
    PostMessageA(target, WM_KEYUP, key, scan | 1 | (1u << 30) | (1u << 31));
}

Step Page(int controlId) {
    return {"page with " + std::to_string(controlId), [=](Wizard& wizard, HWND& page) {
                const HWND previous = page;
                HWND other = nullptr;
                page = WaitFor(
                    wizard,
                    [&](HWND w) { return !IsBox(w) && w != previous && GetDlgItem(w, controlId); },
                    other);
                return page ? "" : other ? Shown(other) : "no such page";
            }};
}

Step Click(int id) {
    return Clicking("click " + std::to_string(id),
                    [id](HWND page) { return GetDlgItem(page, id); });
}

Step ClickText(std::string text) {
    return Clicking("click " + text, [text](HWND page) { return ChildWithText(page, text); });
}

Step Type(int id, std::string text) {
    return Do("type " + text, [=](HWND page) {
        Ask(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    });
}

Step Key(UINT key, int id) {
    return Do("key " + std::to_string(key), [=](HWND page) { PressKey(page, key, id); });
}

Step NextOn(bool enabled) {
    return {enabled ? "Next on" : "Next off", [enabled](Wizard&, HWND& page) -> std::string {
                const auto is = [&] {
                    return IsWindowEnabled(GetDlgItem(page, IDC_NEXT)) == (enabled ? TRUE : FALSE);
                };
                if (!WaitUntil(is, 10000) || !IsWindow(page))
                    return IsWindow(page) ? "it is not" : "the page is gone";
                for (int tick = 0; tick < 8; ++tick, Sleep(50))
                    if (!is())
                        return "it changed back";
                return "";
            }};
}

Step Expect(std::string what, std::function<bool(HWND page)> holds) {
    return {what, [holds](Wizard&, HWND& page) {
                return WaitUntil([&] { return holds(page); }, 10000) ? "" : "it does not hold";
            }};
}

// Without `text` the window is a question dialog of the wizard, not a message box.
Step ExpectBoxThat(std::string caption, std::function<bool(const std::string&)> text, int answer) {
    return {"box " + caption, [=](Wizard& wizard, HWND&) -> std::string {
                HWND other = nullptr;
                const HWND box = WaitFor(
                    wizard, [&](HWND w) { return IsBox(w) == !!text && TitleOf(w) == caption; },
                    other);
                if (!box || (text && !text(BoxText(box))))
                    return box ? Shown(box) : other ? Shown(other) : "none came";
                PostMessageA(box, WM_COMMAND, answer, 0);
                return WaitUntil([&] { return !IsWindowVisible(box); }) ? "" : "it stayed open";
            }};
}

Step ExpectBox(std::string caption, std::string text, int answer) {
    Step step = ExpectBoxThat(
        caption, [text](const std::string& shown) { return shown == text; }, answer);
    step.what += ": " + text.substr(0, 200);
    return step;
}

Step Answer(std::string dialogCaption, int buttonId) {
    return ExpectBoxThat(dialogCaption, nullptr, buttonId);
}

Step Do(std::string what, std::function<void(HWND page)> action) {
    return {what, [action](Wizard&, HWND& page) {
                action(page);
                return "";
            }};
}

Step Burst(std::string what, std::function<void(HWND page)> input) {
    return {what, [input](Wizard& wizard, HWND& page) {
                wizard.Hold(true);
                input(page);
                wizard.Hold(false);
                return "";
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

Step ExpectExit(int code) {
    return {"exit code " + std::to_string(code), [=](Wizard& wizard, HWND&) -> std::string {
                HWND other = nullptr;
                WaitFor(
                    wizard, [](HWND) { return false; }, other);
                // A box that was closing as the run ended does not count; one that
                // stays open does.
                const std::optional<int> exit = wizard.WaitForExit(0);
                if (!exit)
                    return other ? Shown(other) : "it still runs";
                return *exit == code ? "" : "it was " + std::to_string(*exit);
            }};
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
