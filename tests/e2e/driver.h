// Drives the real VLSetup.exe from outside, as a user would: it starts the program in a
// setup directory and plays a table of steps against its windows (show page, click, type,
// press a key, expect Next on or off, expect a box and answer it, expect the exit code).
// The wizard's windows belong to another process: texts are read with WM_GETTEXT through
// SendMessageTimeout and input is posted. Every wait polls and gives up when the wizard ends.
#ifndef VL_TESTS_E2E_DRIVER_H
#define VL_TESTS_E2E_DRIVER_H

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// How long a wait may last: reached only when something is wrong (Wine starts slowly).
constexpr DWORD kWaitMs = 60000;

class Wizard {
  public:
    Wizard(const std::string& exe, const std::string& directory, const std::string& arguments = "");
    ~Wizard(); // kills a wizard that still runs
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    bool Running() const;
    std::optional<int> WaitForExit(DWORD ms = kWaitMs);
    // After the wizard ended: waits until the processes it started have ended too (the
    // uninstaller's copy that deletes its file and folders).
    bool WaitForItsChildren(DWORD ms = kWaitMs) const;
    std::vector<HWND> Windows() const; // visible top-level windows, in z-order
    void Hold(bool held);              // suspends or resumes the wizard's one thread

  private:
    PROCESS_INFORMATION process_ = {};
};

std::string TextOf(HWND window);
bool WaitUntil(const std::function<bool()>& condition, DWORD ms = kWaitMs);
// A script-made control (id 0) found by its text.
HWND ChildWithText(HWND page, const std::string& text);
// Posts a key press to the control `id`, or to the focus of the page's thread for 0.
void PressKey(HWND page, UINT key, int id = 0);

// One line of a step table. The page step makes its page the one later steps act on.
struct Step {
    std::string what;
    std::function<std::string(Wizard&, HWND& page)> run; // "" when it went as expected
};

Step Page(int controlId);
Step Click(int id);               // a button of the current page
Step ClickText(std::string text); // a script-made control of the current page
Step Type(int id, std::string text);
Step Key(UINT key, int id = 0);
Step NextOn(bool enabled); // and it stays so for a few ticks of the page-state check
Step Expect(std::string what, std::function<bool(HWND page)> holds); // polled
Step ExpectBox(std::string caption, std::string text, int answer = IDOK);
Step ExpectBoxThat(std::string caption, std::function<bool(const std::string&)> text,
                   int answer = IDOK);
Step Answer(std::string dialogCaption, int buttonId); // a question dialog of the wizard
// The sections list: highlights as RowHighlights gives them, a size, a click on a row.
Step Rows(std::string highlights);
Step Size(int row, std::string text);
Step ClickListRow(int row);
Step Do(std::string what, std::function<void(HWND page)> action);
// Input that arrives all at once, before the wizard runs again (type-ahead).
Step Burst(std::string what, std::function<void(HWND page)> input);
Step ExpectExit(int code); // after no further message box

// Plays the steps; "" when all went as expected, else the step and what happened.
std::string Play(Wizard& wizard, const std::vector<Step>& steps);

} // namespace e2e

#endif
