#include "engine/script_host.h"

#include <windows.h>

#include "engine/startup.h"
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
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(page), mainWindow, procedure, 0);
    return static_cast<int>(result);
}

void WindowsCommandHost::ShowSyntaxError() {
    MessageBoxA(nullptr, kSyntaxErrorText, kFatalErrorCaption, MB_OK | MB_ICONHAND);
}

bool WindowsCommandHost::QuitRequested() {
    return quitRequested;
}
