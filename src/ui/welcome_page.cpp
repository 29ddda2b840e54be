#include "ui/welcome_page.h"

#include "platform/app_state.h"
#include "engine/variables.h"
#include "resources/resource_ids.h"
#include "ui/page_frame.h"

namespace {

void OnInitDialog(HWND page) {
    SetWindowTextA(page, variables.Lookup("WELCOMESTRING_CAP").c_str());
    SetDlgItemTextA(page, IDC_WELCOME_TEXT, variables.Lookup("WELCOMESTRING").c_str());
    SetDlgItemTextA(page, IDC_WELCOME_TEXT2, variables.Lookup("WELCOMESTRING2").c_str());
}

// The picture sits at pixel (40, 30) of the client area, unscaled.
void OnPaint(HWND page) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_WELCOME), IMAGE_BITMAP, 0, 0, 0));
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    if (bitmap != nullptr) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        BitBlt(dc, 40, 30, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
    EndPaint(page, &paint);
}

} // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    PageCommon(page, message, lParam, wParam, "DIALOG_WELCOME");
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(page);
        break;
    case WM_PAINT:
        OnPaint(page);
        break;
    default:
        break;
    }
    return 0;
}
