#include "platform/quit_question.h"

#include <windows.h>

#include "engine/interpreter.h"

int ConfirmQuit(int code) {
    switch (code) {
    case 0:
    case 2:
        RequestQuit();
        return 1;
    case 1:
        if (MessageBoxA(nullptr,
                        "Are you really sure to quit setup? The application will be deleted if "
                        "you click on Yes",
                        "Quit setup", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            RequestQuit();
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}
