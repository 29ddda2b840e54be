#include "pages/copy_page.h"

#include "ui/page_frame.h"

// The installation itself is not built yet: the page shows its template and
// can only be left through Cancel and the quit question.
INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    PageCommon(page, message, lParam, wParam, "DIALOG_COPY");
    return 0;
}
