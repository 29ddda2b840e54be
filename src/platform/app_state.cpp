#include "platform/app_state.h"

HINSTANCE instance = nullptr;
int screenWidth = 0;
int screenHeight = 0;
HWND splashWindow = nullptr;
HWND mainWindow = nullptr;
CurrentPageInfo CurrentPage;
HFONT PageFont = nullptr;
bool destinationValid = true;

HWND LiveOwner(HWND owner) {
    return owner != nullptr && IsWindow(owner) ? owner : nullptr;
}
