#include "app/script_host.h"

#include <windows.h>

#include "platform/app_state.h"
#include "platform/run_log.h"
#include "pages/copy_page.h"
#include "pages/destination_page.h"
#include "pages/program_group_page.h"
#include "pages/sections_page.h"
#include "ui/page_frame.h"
#include "ui/welcome_page.h"

// Task-modal: the background window and any page stay out of use under the
// box, so that neither Next nor closing the background can act behind it.
void WindowsCommandHost::ShowImmediateMessage(const std::string& text, const std::string& caption) {
    AskOrAnswer(nullptr, text, caption, MB_OK | MB_TASKMODAL, IDOK);
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
    // has gone, no page comes up: a page that is not shown ends the run as a
    // quit (the interpreter sets the stop signal), never as Next.
    if (QuitRequested() || !IsWindow(mainWindow)) {
        return kPageCancelled;
    }
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(page), mainWindow, procedure, 0);
    if (result == -1 || QuitRequested()) {
        return kPageCancelled;
    }
    return static_cast<int>(result);
}

void WindowsCommandHost::ShowSyntaxError() {
    AskOrAnswer(nullptr, kSyntaxErrorText, kFatalErrorCaption, MB_OK | MB_ICONHAND, IDOK);
}
