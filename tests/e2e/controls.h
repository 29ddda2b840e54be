// Helpers for the wizard's controls that the page tests share: script-made
// controls (id 0, found by text), check boxes, edit fields, and reading a
// variable through a ShowMessage "NOW" that the script puts after a page.
#ifndef VL_TESTS_E2E_CONTROLS_H
#define VL_TESTS_E2E_CONTROLS_H

#include "driver.h"

#include <string>

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

} // namespace e2e

#endif
