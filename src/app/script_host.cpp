#include "app/script_host.h"

#include <windows.h>

#include "platform/app_state.h"
#include "pages/copy_page.h"
#include "pages/destination_page.h"
#include "pages/program_group_page.h"
#include "pages/sections_page.h"
#include "ui/page_frame.h"
#include "ui/welcome_page.h"

void WindowsCommandHost::ShowImmediateMessage(const std::string& text, const std::string& caption) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

void WindowsCommandHost::RepaintBackground() {
    InvalidateRect(mainWindow, nullptr, FALSE);
    UpdateWindow(mainWindow);
}

int WindowsCommandHost::RunPage(PageTemplate page) {
    DLGPROC procedure = nullptr;
    switch (page) {
    case kWelcomeTemplate:
        procedure = WelcomePageProc;
        break;
    case kDestinationTemplate:
        procedure = DestinationPageProc;
        break;
    case kSectionsTemplate:
        procedure = SectionsPageProc;
        break;
    case kCopyTemplate:
        procedure = CopyPageProc;
        break;
    case kProgramGroupTemplate:
        procedure = ProgramGroupPageProc;
        break;
    }
    // Once the run is ending, or the background window that owns every page
    // has gone, no page comes up; that ends the run as a quit, never as Next.
    if (QuitRequested() || !IsWindow(mainWindow)) {
        RequestQuit();
        return kPageCancelled;
    }
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(page), mainWindow, procedure, 0);
    if (result == -1 || QuitRequested()) {
        RequestQuit();
        return kPageCancelled;
    }
    return static_cast<int>(result);
}

void WindowsCommandHost::ShowSyntaxError() {
    MessageBoxA(nullptr, kSyntaxErrorText, kFatalErrorCaption, MB_OK | MB_ICONHAND);
}
