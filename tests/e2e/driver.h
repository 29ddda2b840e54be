// End-to-end driver: starts the real VLSetup.exe in a fresh setup directory and drives it
// from outside, by window class, caption and control id, as a user would.
//
// Everything here runs in the test process, a Windows program of its own: the wizard's
// windows belong to another process, so controls are read with WM_GETTEXT through
// SendMessageTimeout and driven with posted messages. Every wait polls with a timeout and
// gives up early when the wizard has exited.
#ifndef VL_TESTS_E2E_DRIVER_H
#define VL_TESTS_E2E_DRIVER_H

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// How long a wait lasts unless a test says otherwise. Start-up alone holds a fixed pause of
// more than a second and Wine starts processes slowly, so this is generous.
constexpr DWORD kDefaultTimeoutMs = 20000;
// How often the waits look again.
constexpr DWORD kPollMs = 25;

// Window classes and captions that the wizard shows.
inline constexpr char kDialogClass[] = "#32770";
inline constexpr char kSplashClass[] = "SETUPSPLASHCLASS_HI_HOW_DO_YOU_DO";
inline constexpr char kBackgroundClass[] = "SETUPMAINCLASS_HALLO_WIE_GEHTS";
inline constexpr char kBackgroundTitle[] = "Setup";

// Control ids of the wizard pages, and the one that holds a message box's text.
constexpr int kNextId = 1017;
constexpr int kCancelId = 1018;
constexpr int kLastId = 5;
constexpr int kMessageBoxTextId = 0xFFFF;

// Owns a kernel handle; both NULL and INVALID_HANDLE_VALUE count as empty.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Release();
    void Reset(HANDLE handle = nullptr);

  private:
    HANDLE handle_ = nullptr;
};

// ---- Paths and files -------------------------------------------------------------------

// "/a/b" -> "Z:\a\b": the Windows name of a Linux path under Wine's Z: drive. A path
// that is already a Windows path is returned with its slashes turned into backslashes.
std::string ToWinePath(const std::string& linuxPath);

// Writes `bytes` exactly as given (binary, no line-end translation), creating missing
// parent directories. Returns false when the file cannot be written.
bool WriteFileBytes(const std::string& windowsPath, const std::string& bytes);

// Deletes a directory with everything below it. Returns true when it is gone afterwards.
bool DeleteTree(const std::string& windowsPath);

// Where setup directories are made: the build tree (compile definition VL_BINARY_DIR), else
// the current directory.
std::string WorkRoot();

// A test's setup directory: <root>/e2e-work/<name>. The constructor deletes what an earlier
// run left there and creates the directory afresh.
class SetupDir {
  public:
    // `name` is typically "<suite>.<test>"; characters that cannot be in a file name
    // ('/', ':' and the like, from parameterised tests) become '_'.
    explicit SetupDir(const std::string& name, const std::string& root = WorkRoot());

    const std::string& Path() const { return path_; }      // Windows path, no trailing backslash
    std::string PathOf(const std::string& relative) const; // Path() + '\' + relative

    // Writes SetupScript.ini with exactly these bytes; the test chooses CR LF or LF.
    bool WriteScript(const std::string& bytes) const;
    // Writes any other file, relative to the directory ("disk1\\demo.exe").
    bool WriteFile(const std::string& relative, const std::string& bytes) const;

  private:
    std::string path_;
};

// ---- Windows of another process ----------------------------------------------------------

std::string ClassNameOf(HWND window);
// A window's text through WM_GETTEXT (sent with a timeout, so a hung wizard cannot hang the
// test); empty when the window is gone or does not answer.
std::string TextOf(HWND window);
// A top-level window's title.
std::string TitleOf(HWND window);

// What identifies a top-level window: every field that is set must match.
struct WindowQuery {
    std::string className;            // empty: any class
    std::optional<std::string> title; // exact title
    int childId = 0;                  // nonzero: the window must hold a child with this id
};

// A message box: a dialog whose static control 0xFFFF holds the text.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttons; // ids of its visible buttons, ascending (IDOK 1, IDYES 6, ...)
    bool hasIcon = false;

    explicit operator bool() const { return window != nullptr; }
};

// Reads a message box, or returns an empty info when `window` is not one.
MessageBoxInfo ReadMessageBox(HWND window);

// One sighting of a top-level window, as the polls recorded it.
struct SeenWindow {
    std::string className;
    std::string title;
    std::string messageText; // message boxes only
};

// ---- The wizard process ------------------------------------------------------------------

// The running VLSetup.exe. The destructor kills it (TerminateProcess) when it still runs,
// so a failing test never leaves a wizard on the screen.
class WizardProcess {
  public:
    // Starts `exePath` (a Linux or Windows path) with `currentDir` as its current
    // directory. Check Started() afterwards.
    WizardProcess(const std::string& exePath, const std::string& currentDir);
    ~WizardProcess();
    WizardProcess(const WizardProcess&) = delete;
    WizardProcess& operator=(const WizardProcess&) = delete;

    bool Started() const { return process_.IsValid(); }
    DWORD StartError() const { return startError_; }
    DWORD Id() const { return processId_; }
    HANDLE Handle() const { return process_.Get(); }
    bool IsRunning() const;

    // The exit code as the signed value the program returned (-5 rather than 0xFFFFFFFB);
    // nothing while it runs.
    std::optional<int> ExitCode() const;
    // Waits for the end of the process, recording its windows meanwhile.
    std::optional<int> WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs);
    // Kills the process if it still runs and waits until it is gone.
    void Kill();

    // Its visible top-level windows, in z-order. Each call also records what it sees.
    std::vector<HWND> TopLevelWindows();
    HWND Find(const WindowQuery& query);
    std::vector<HWND> FindAll(const WindowQuery& query);

    // The waits return nullptr (or an empty info) after the timeout, or at once when the
    // wizard has exited.
    HWND WaitFor(const WindowQuery& query, DWORD timeoutMs = kDefaultTimeoutMs);
    // A wizard page: a dialog holding `controlId` (Next by default).
    HWND WaitForPage(int controlId = kNextId, DWORD timeoutMs = kDefaultTimeoutMs);
    HWND WaitForBackground(DWORD timeoutMs = kDefaultTimeoutMs);
    HWND WaitForSplash(DWORD timeoutMs = kDefaultTimeoutMs);
    // Any message box, or only one with this caption.
    MessageBoxInfo WaitForMessageBox(DWORD timeoutMs = kDefaultTimeoutMs);
    MessageBoxInfo WaitForMessageBox(const std::string& caption,
                                     DWORD timeoutMs = kDefaultTimeoutMs);
    // Until `window` is destroyed or hidden; false on timeout.
    bool WaitUntilGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);

    // What the polls have seen so far: every visible top-level window, once per handle.
    const std::map<HWND, SeenWindow>& Seen() const { return seen_; }
    bool SawClass(const std::string& className) const;
    bool SawMessageText(const std::string& text) const;

  private:
    void Record(HWND window);

    UniqueHandle process_;
    UniqueHandle thread_;
    DWORD processId_ = 0;
    DWORD startError_ = 0;
    std::map<HWND, SeenWindow> seen_;
};

// Polls `condition` every kPollMs until it holds or `timeoutMs` elapsed.
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

// ---- Controls ------------------------------------------------------------------------------

HWND Control(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
// The control's own visible style. WM_SETREDRAW with FALSE clears it too, so a control whose
// redrawing is switched off for a moment (Next, on every tick of the page-state check)
// reads as hidden during that moment.
bool IsControlVisible(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
// The control's rectangle in its parent's client coordinates, in pixels.
RECT ControlRect(HWND dialog, int id);

// ---- Input ---------------------------------------------------------------------------------

// Posts the command a click on the button `id` sends (WM_COMMAND, BN_CLICKED).
void ClickButton(HWND dialog, int id);
// Answers a message box with IDOK, IDYES, IDNO, ...
void AnswerMessageBox(HWND box, int answerId);
// Posts a key press (WM_KEYDOWN, WM_KEYUP) to the control that has the focus in the
// dialog's thread, or to the dialog itself when no control has it: the dialog's own loop
// then treats Esc, Enter and Tab as for real keys.
void PressKey(HWND dialog, UINT virtualKey);
// Sends `message` and waits until the window's procedure has handled it, or until the
// timeout when the handling opens a modal loop (a message box). Whatever the handling posts
// is then queued before anything the test posts afterwards.
bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The command that the title bar's close box sends (WM_SYSCOMMAND, SC_CLOSE), sent with
// SendAndWait. A dialog turns it into WM_CLOSE and then posts the command IDCANCEL.
void PressCloseBox(HWND window);

} // namespace e2e

#endif
