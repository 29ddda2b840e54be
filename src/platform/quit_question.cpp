#include "platform/quit_question.h"
#include "platform/run_log.h"

#include <windows.h>

#include "engine/interpreter.h"

namespace {

bool questionOpen = false;

} // namespace

bool QuitQuestionOpen() {
    return questionOpen;
}

int ConfirmQuit(int code) {
    switch (code) {
    case 0:
    case 2:
        RequestQuit();
        return 1;
    case 1: {
        // A message that reaches a page while the box is up (a posted Cancel)
        // must not stack a second question on the first.
        if (questionOpen) {
            return 0;
        }
        questionOpen = true;
        const int answer =
            AskOrAnswer(nullptr,
                        "Are you really sure to quit setup? The application will "
                        "be deleted if you click on Yes",
                        "Quit setup", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL, IDYES);
        questionOpen = false;
        if (answer == IDYES) {
            RequestQuit();
            return 1;
        }
        return 0;
    }
    default:
        return 0;
    }
}
