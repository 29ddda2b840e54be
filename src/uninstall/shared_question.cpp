#include "uninstall/shared_question.h"

#include <windows.h>

#include "engine/path_text.h"
#include "resources/uninstall_resource_ids.h"

namespace {

struct Question {
    std::string text;
    std::string caption;
};

INT_PTR OnInitDialog(HWND dialog, const Question& question) {
    SetWindowTextA(dialog, question.caption.c_str());
    SetDlgItemTextA(dialog, IDC_SHARED_TEXT, question.text.c_str());
    SendDlgItemMessageA(dialog, IDC_SHARED_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_QUESTION)), 0);
    // The focus on the default button, so that Enter keeps the file.
    SetFocus(GetDlgItem(dialog, IDNO));
    return FALSE;
}

INT_PTR CALLBACK QuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, *reinterpret_cast<const Question*>(lParam));
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDCANCEL:
        case IDC_SHARED_YES_TO_ALL:
        case IDC_SHARED_NO_TO_ALL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

SharedFileAnswer AskAboutSharedFile(const std::string& path, const std::string& caption) {
    const Question question{"The shared file " + ShortenedForDisplay(path, 60) +
                                " is no longer used by any program. Remove it?",
                            caption};
    switch (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SHARED_QUESTION),
                            nullptr, QuestionProc, reinterpret_cast<LPARAM>(&question))) {
    case IDYES:
        return SharedFileAnswer::Yes;
    case IDC_SHARED_YES_TO_ALL:
        return SharedFileAnswer::YesToAll;
    case IDC_SHARED_NO_TO_ALL:
        return SharedFileAnswer::NoToAll;
    default:
        return SharedFileAnswer::No;
    }
}
