#include "pages/sections_page.h"

#include "ui/page_frame.h"

// The section list and its choices are not built yet: the page shows its
// template and offers Next and Cancel only.
INT_PTR CALLBACK SectionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    PageCommon(page, message, lParam, wParam, "DIALOG_SECTIONS");
    return 0;
}
