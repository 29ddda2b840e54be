#include "ui/page_frame.h"

#include "ui/dynamic_windows.h"

CurrentPageInfo CurrentPage;
HFONT PageFont = nullptr;
bool quitRequested = false;

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
        if (id == kNextButton) {
            EndDialog(page, 0);
        } else if (id == kCancelButton) {
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

int ConfirmQuit(int code) {
    switch (code) {
    case 0:
    case 2:
        quitRequested = true;
        PostQuitMessage(code);
        return 1;
    case 1:
        if (MessageBoxA(nullptr,
                        "Are you really sure to quit setup? The application will be deleted if "
                        "you click on Yes",
                        "Quit setup", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            quitRequested = true;
            PostQuitMessage(1);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}
