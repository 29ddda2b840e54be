#include "driver.h"

#include <algorithm>

namespace e2e {

namespace {

// Long enough for a wizard that repaints (with its redraw wait) before it answers; short
// enough that a hung wizard only delays the test that waits on it.
constexpr UINT kSendTimeoutMs = 2000;

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

std::string SafeFileName(std::string name) {
    for (char& c : name) {
        if (std::string("\\/:*?\"<>|").find(c) != std::string::npos || c < ' ')
            c = '_';
    }
    return name;
}

bool CreateDirectories(const std::string& path) {
    // Skip the drive ("Z:\") and create each level below it in turn.
    for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1))
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HasChild(HWND window, int id) {
    return GetDlgItem(window, id) != nullptr;
}

bool Matches(HWND window, const WindowQuery& query) {
    if (!query.className.empty() && ClassNameOf(window) != query.className)
        return false;
    if (query.title && TitleOf(window) != *query.title)
        return false;
    return query.childId == 0 || HasChild(window, query.childId);
}

struct EnumContext {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    auto* context = reinterpret_cast<EnumContext*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == context->processId && IsWindowVisible(window))
        context->windows->push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool ShowsIcon(HWND control) {
    if (ClassNameOf(control) != "Static" || !IsWindowVisible(control))
        return false;
    if ((GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return false;
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
    return icon != 0;
}

} // namespace

// ---- UniqueHandle ------------------------------------------------------------------------

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
    if (this != &other)
        Reset(other.Release());
    return *this;
}

HANDLE UniqueHandle::Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
}

void UniqueHandle::Reset(HANDLE handle) {
    if (IsValid())
        CloseHandle(handle_);
    handle_ = handle;
}

// ---- Paths and files -------------------------------------------------------------------

std::string ToWinePath(const std::string& linuxPath) {
    std::string path = linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!linuxPath.empty() && linuxPath[0] == '/')
        path = "Z:" + path;
    return path;
}

bool WriteFileBytes(const std::string& windowsPath, const std::string& bytes) {
    const size_t slash = windowsPath.rfind('\\');
    if (slash != std::string::npos)
        CreateDirectories(windowsPath.substr(0, slash));
    UniqueHandle file(CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

bool DeleteTree(const std::string& windowsPath) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((windowsPath + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = windowsPath + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(windowsPath.c_str());
    return GetFileAttributesA(windowsPath.c_str()) == INVALID_FILE_ATTRIBUTES;
}

SetupDir::SetupDir(const std::string& name, const std::string& root) : path_(ToWinePath(root)) {
    if (!EndsWithSeparator(path_))
        path_ += '\\';
    path_ += "e2e-work\\" + SafeFileName(name);
    DeleteTree(path_);
    CreateDirectories(path_);
}

std::string SetupDir::PathOf(const std::string& relative) const {
    return path_ + "\\" + ToWinePath(relative);
}

bool SetupDir::WriteScript(const std::string& bytes) const {
    return WriteFileBytes(PathOf("SetupScript.ini"), bytes);
}

bool SetupDir::WriteFile(const std::string& relative, const std::string& bytes) const {
    return WriteFileBytes(PathOf(relative), bytes);
}

std::string WorkRoot() {
#ifdef VL_BINARY_DIR
    return VL_BINARY_DIR;
#else
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
#endif
}

// ---- Windows of another process ----------------------------------------------------------

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length))
        return {};
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return {};
    text.resize(std::min<size_t>(copied, length));
    return text;
}

std::string TitleOf(HWND window) {
    // GetWindowTextA reads another process's title without sending it a message.
    std::string title(GetWindowTextLengthA(window) + 1, '\0');
    title.resize(GetWindowTextA(window, &title[0], static_cast<int>(title.size())));
    return title;
}

MessageBoxInfo ReadMessageBox(HWND window) {
    MessageBoxInfo info;
    if (ClassNameOf(window) != kDialogClass)
        return info;
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (text == nullptr || ClassNameOf(text) != "Static")
        return info;
    info.window = window;
    info.caption = TitleOf(window);
    info.text = TextOf(text);
    for (HWND child : ChildrenOf(window)) {
        if (ClassNameOf(child) == "Button" && IsWindowVisible(child))
            info.buttons.push_back(GetDlgCtrlID(child));
        info.hasIcon = info.hasIcon || ShowsIcon(child);
    }
    std::sort(info.buttons.begin(), info.buttons.end());
    return info;
}

// ---- The wizard process ------------------------------------------------------------------

WizardProcess::WizardProcess(const std::string& exePath, const std::string& currentDir) {
    const std::string exe = ToWinePath(exePath);
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        ToWinePath(currentDir).c_str(), &startup, &info)) {
        startError_ = GetLastError();
        return;
    }
    process_.Reset(info.hProcess);
    thread_.Reset(info.hThread);
    processId_ = info.dwProcessId;
}

WizardProcess::~WizardProcess() {
    Kill();
}

bool WizardProcess::IsRunning() const {
    return Started() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<int> WizardProcess::ExitCode() const {
    DWORD code = 0;
    if (!Started() || IsRunning() || !GetExitCodeProcess(process_.Get(), &code))
        return std::nullopt;
    return static_cast<int>(code);
}

std::optional<int> WizardProcess::WaitForExit(DWORD timeoutMs) {
    WaitUntil(
        [this] {
            TopLevelWindows();
            return !IsRunning();
        },
        timeoutMs);
    return ExitCode();
}

void WizardProcess::Kill() {
    if (!IsRunning())
        return;
    TerminateProcess(process_.Get(), 0xDEAD);
    WaitForSingleObject(process_.Get(), 10000);
}

std::vector<HWND> WizardProcess::TopLevelWindows() {
    std::vector<HWND> windows;
    if (!Started())
        return windows;
    EnumContext context{processId_, &windows};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&context));
    for (HWND window : windows)
        Record(window);
    return windows;
}

void WizardProcess::Record(HWND window) {
    if (seen_.count(window) != 0)
        return;
    SeenWindow& seen = seen_[window];
    seen.className = ClassNameOf(window);
    seen.title = TitleOf(window);
    if (MessageBoxInfo box = ReadMessageBox(window))
        seen.messageText = box.text;
}

HWND WizardProcess::Find(const WindowQuery& query) {
    const std::vector<HWND> found = FindAll(query);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> WizardProcess::FindAll(const WindowQuery& query) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows()) {
        if (Matches(window, query))
            found.push_back(window);
    }
    return found;
}

HWND WizardProcess::WaitFor(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = Find(query);
            return found != nullptr || !IsRunning();
        },
        timeoutMs);
    return found;
}

HWND WizardProcess::WaitForPage(int controlId, DWORD timeoutMs) {
    return WaitFor(WindowQuery{kDialogClass, std::nullopt, controlId}, timeoutMs);
}

HWND WizardProcess::WaitForBackground(DWORD timeoutMs) {
    return WaitFor(WindowQuery{kBackgroundClass, std::nullopt, 0}, timeoutMs);
}

HWND WizardProcess::WaitForSplash(DWORD timeoutMs) {
    return WaitFor(WindowQuery{kSplashClass, std::nullopt, 0}, timeoutMs);
}

MessageBoxInfo WizardProcess::WaitForMessageBox(DWORD timeoutMs) {
    return WaitForMessageBox(std::string(), timeoutMs);
}

MessageBoxInfo WizardProcess::WaitForMessageBox(const std::string& caption, DWORD timeoutMs) {
    MessageBoxInfo found;
    WaitUntil(
        [&] {
            for (HWND window : FindAll(WindowQuery{kDialogClass, std::nullopt, 0})) {
                MessageBoxInfo box = ReadMessageBox(window);
                if (box && (caption.empty() || box.caption == caption)) {
                    found = box;
                    return true;
                }
            }
            return !IsRunning();
        },
        timeoutMs);
    return found;
}

bool WizardProcess::WaitUntilGone(HWND window, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            TopLevelWindows();
            return !IsWindow(window) || !IsWindowVisible(window);
        },
        timeoutMs);
}

bool WizardProcess::SawClass(const std::string& className) const {
    return std::any_of(seen_.begin(), seen_.end(),
                       [&](const auto& entry) { return entry.second.className == className; });
}

bool WizardProcess::SawMessageText(const std::string& text) const {
    return std::any_of(seen_.begin(), seen_.end(),
                       [&](const auto& entry) { return entry.second.messageText == text; });
}

// ---- Controls ------------------------------------------------------------------------------

HWND Control(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

std::string ControlText(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    return control ? TextOf(control) : std::string();
}

bool IsControlVisible(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsControlEnabled(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    return control && IsWindowEnabled(control);
}

RECT ControlRect(HWND dialog, int id) {
    RECT rect = {};
    HWND control = Control(dialog, id);
    if (control && GetWindowRect(control, &rect))
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// ---- Input ---------------------------------------------------------------------------------

void ClickButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(dialog, id)));
}

void AnswerMessageBox(HWND box, int answerId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answerId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(box, answerId)));
}

void PressKey(HWND dialog, UINT virtualKey) {
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) &&
        thread.hwndFocus != nullptr)
        target = thread.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageA(target, WM_KEYUP, virtualKey, scan | 1 | (1L << 30) | (1L << 31));
}

bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                               &result) != 0;
}

void PressCloseBox(HWND window) {
    SendAndWait(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace e2e
