// Helpers for the wizard's controls that the page tests share: script-made
// controls (id 0, found by text), check boxes, edit fields, and reading a
// variable through a ShowMessage "NOW" that the script puts after a page.
#ifndef VL_TESTS_E2E_CONTROLS_H
#define VL_TESTS_E2E_CONTROLS_H

#include "driver.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The child of `page` whose window text is `text` (script-made controls have id 0).
HWND ChildWithText(HWND page, const std::string& text);
// Every child of `page` of class `className` (compared case-insensitively).
std::vector<HWND> ChildrenOfClass(HWND page, const std::string& className);

// Clicks a button control itself (BM_CLICK): an automatic check box toggles and
// notifies its page as for a real click.
void ClickControl(HWND control);
int CheckState(HWND control);

// Replaces an edit field's text (WM_SETTEXT): the field notifies its page of
// the change as for typing.
void SetControlText(HWND control, const std::string& text);

// Waits until Next of `page` is enabled (or disabled); false on timeout. The
// page-state check runs every 50 ms, so a few ticks are allowed.
bool WaitForNextEnabled(HWND page, bool enabled, DWORD timeoutMs = 3000);
// Waits until Next shows `enabled`, then checks that it keeps it for a while
// (several ticks of the check).
bool NextStays(HWND page, bool enabled, DWORD forMs = 400);

// A list view of another process: its rows, a cell's text, a row's states and
// rectangle (the texts and rectangles travel through memory of that process).
int ListRowCount(HWND list);
std::string ListCellText(HWND list, int row, int column);
UINT ListRowState(HWND list, int row); // LVIS_SELECTED, LVIS_FOCUSED
RECT ListRowRect(HWND list, int row);  // in the list's client pixels
// Posts a left click at the middle of a row.
void ClickListRow(HWND list, int row);
// Posts a key press to a control.
void PostKey(HWND control, UINT virtualKey);

// ---- Runs to their end ------------------------------------------------------------------

// A message box as a run met it.
struct SeenBox {
    std::string caption;
    std::string text;
    bool operator==(const SeenBox& other) const {
        return caption == other.caption && text == other.text;
    }
};
void PrintTo(const SeenBox& box, std::ostream* out);
// Lets the wizard run until it exits or `timeoutMs` has passed, answering each message box
// with the button that `answer` chooses for it, and returns the boxes in the order they
// came. A page waiting for Next ends the wait early; it is listed with the caption "page"
// and its title as the text.
std::vector<SeenBox> AnswerBoxesUntilExit(WizardProcess& wizard,
                                          const std::function<int(const MessageBoxInfo&)>& answer,
                                          DWORD timeoutMs);
// An exit code as a failure message shows it: a crash is named by its exception code.
std::string DescribeExit(const std::optional<int>& code);

// ---- What an installation leaves behind ------------------------------------------------

// A file's bytes; nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::string& path);
// A file's bytes, or "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// The short (8.3) form of an existing path; the path itself when it has none.
std::string ShortPath(const std::string& path);
std::string SystemDirectory();
// Where DP starts: the registry's program files directory.
std::string ProgramFilesDirectory();
// The current user's Start-menu programs folder, where program groups are made.
std::string StartMenuProgramsFolder();
// "Software\Microsoft\Windows\CurrentVersion\Uninstall\" and the application name: the
// key under HKEY_LOCAL_MACHINE that the copy page registers and logs.
std::string UninstallKeyOf(const std::string& appName);
// Deletes that key with its values, when it exists.
void RemoveUninstallKey(const std::string& appName);

// An uninstall log taken apart: the path lines of its entries, or what is wrong with it.
// A well-formed log is the header with a date line, "[FILES]", entries of a path line and
// a kind line ("NONSHARED", or "SHARED" with an optional registration line), then
// "[REGISTRY]" and the key path as its last line; every line ends in CR LF.
struct UninstallLogCheck {
    std::string problem; // empty when well formed
    std::vector<std::string> paths;
    explicit operator bool() const { return problem.empty(); }
};
UninstallLogCheck CheckUninstallLog(const std::string& bytes, const std::string& appName);

} // namespace e2e

#endif
