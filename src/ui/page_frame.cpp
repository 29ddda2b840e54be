#include "ui/page_frame.h"

#include "platform/app_state.h"
#include "platform/quit_question.h"
#include "resources/resource_ids.h"
#include "ui/dynamic_windows.h"

bool IsNextPress(UINT message, WPARAM wParam) {
    return message == WM_COMMAND && static_cast<short>(LOWORD(wParam)) == IDC_NEXT &&
           !QuitQuestionOpen();
}

INT_PTR PageCommon(HWND page, UINT message, LPARAM lParam, WPARAM wParam, const char* pageName) {
    CurrentPage.window = page;
    CurrentPage.name = pageName;
    switch (message) {
    case WM_SETFONT:
        PageFont = reinterpret_cast<HFONT>(wParam);
        break;
    case WM_INITDIALOG:
        CreatePageControls(page, pageName);
        break;
    case WM_DESTROY:
        DestroyPageControls(pageName);
        break;
    case WM_COMMAND: {
        const short id = static_cast<short>(LOWORD(wParam));
        if (IsNextPress(message, wParam)) {
            EndDialog(page, 0);
        } else if (id == IDC_CANCEL_PAGE) {
            if (ConfirmQuit(1) == 1) {
                EndDialog(page, kPageCancelled);
            }
        } else if (id == 0) {
            HandleControlCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        }
        // Any other id, such as the IDCANCEL that Esc and the close box send,
        // does nothing: a page is left only by Next or a confirmed Cancel.
        break;
    }
    default:
        break;
    }
    return 0;
}
