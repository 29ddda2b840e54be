#include "ui/dynamic_windows.h"

#include <vector>

#include "engine/lenient_number.h"
#include "engine/model.h"
#include "platform/app_state.h"
#include "engine/variables.h"
#include "resources/resource_ids.h"

namespace {

HWND WindowOf(const WindowRecord& record) {
    return static_cast<HWND>(record.window);
}

bool IsButtonClass(HWND control) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Button") == 0;
}

// True while a "COMMAND" message box is open, so that notifications the box
// itself causes (focus leaving and returning) cannot open another one.
bool showingCommandMessage = false;

// Applies one Next rule to `enabled`: every matching record of a control rule
// decides anew, so the last one wins.
void ApplyNextRule(const DeferredStatement& rule, bool& enabled) {
    const std::vector<std::string>& a = rule.arguments;
    if (a[1] == "CONTROL") {
        for (const WindowRecord& record : model.windows) {
            if (record.name != a[2]) {
                continue;
            }
            HWND control = WindowOf(record);
            if (a[3] == "VALUE") {
                const LRESULT state =
                    control != nullptr ? SendMessageA(control, BM_GETCHECK, 0, 0) : 0;
                enabled = state == LenientNumber(a[4]);
            } else if (a[3] == "TEXT") {
                char text[1024] = {};
                if (control != nullptr) {
                    GetWindowTextA(control, text, sizeof text);
                }
                enabled = a[4] == text;
            }
        }
    } else if (a[1] == "VARIABLE") {
        enabled = variables.Lookup(a[2]) == a[3];
    }
}

} // namespace

ControlClass ControlClassForType(const std::string& type) {
    if (type == "CHECKBOX") {
        return {"BUTTON", BS_AUTOCHECKBOX, 0};
    }
    if (type == "CHECKBOX_BTNSTYLE") {
        return {"BUTTON", BS_AUTOCHECKBOX | BS_PUSHLIKE, 0};
    }
    if (type == "OPTION") {
        return {"BUTTON", BS_AUTORADIOBUTTON, 0};
    }
    if (type == "OPTION_BTNSTYLE") {
        return {"BUTTON", BS_AUTORADIOBUTTON | BS_PUSHLIKE, 0};
    }
    if (type == "LABEL") {
        return {"STATIC", 0, 0};
    }
    if (type == "EDIT") {
        return {"EDIT", 0, WS_EX_CLIENTEDGE | WS_EX_TOOLWINDOW};
    }
    return {type, 0, 0};
}

void CreatePageControls(HWND page, const std::string& pageName) {
    for (WindowRecord& record : model.windows) {
        if (record.page != pageName || record.window != nullptr) {
            continue;
        }
        const ControlClass kind = ControlClassForType(record.type);
        HWND control = CreateWindowExA(
            kind.extendedStyle, kind.className.c_str(), record.text.c_str(),
            WS_CHILD | WS_VISIBLE | kind.style, record.left, record.top, record.right - record.left,
            record.bottom - record.top, page, nullptr, instance, nullptr);
        if (control == nullptr) {
            continue; // e.g. a class that does not exist: no control, silently
        }
        record.window = control;
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(PageFont), TRUE);
        for (const DeferredStatement& statement : model.deferredStatements) {
            if (statement.name == "CheckButton" && statement.arguments[0] == record.name) {
                SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
            }
        }
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
    }
}

void DestroyPageControls(const std::string& pageName) {
    for (WindowRecord& record : model.windows) {
        if (record.page != pageName) {
            continue;
        }
        if (record.window != nullptr) {
            DestroyWindow(WindowOf(record));
        }
        record.window = nullptr;
    }
}

// Buttons report only clicks, so every notification of a button shows the
// message. Other controls report focus changes and every edit as well; for them
// only a click notification (code 0, e.g. a notifying static) counts. An edit
// field bound to a message therefore never opens a box as focus moves in and
// out of it, and no chain of boxes can start.
void HandleControlCommand(HWND sender, WORD notification) {
    if (sender == nullptr || showingCommandMessage) {
        return;
    }
    if (!IsButtonClass(sender) && notification != 0) {
        return;
    }
    showingCommandMessage = true;
    for (const DeferredStatement& statement : model.deferredStatements) {
        if (statement.name != "ShowMessage" || statement.arguments[3] != "COMMAND") {
            continue;
        }
        for (const WindowRecord& record : model.windows) {
            if (record.window == nullptr || WindowOf(record) != sender ||
                record.name != statement.arguments[2]) {
                continue;
            }
            // Task-modal, as the immediate messages: nothing behind the box acts.
            MessageBoxA(nullptr, statement.arguments[0].c_str(), statement.arguments[1].c_str(),
                        MB_OK | MB_TASKMODAL);
        }
    }
    showingCommandMessage = false;
}

void CALLBACK PageStateCheck(HWND, UINT, UINT_PTR, DWORD) {
    if (CurrentPage.window == nullptr || !IsWindow(CurrentPage.window)) {
        return;
    }
    HWND next = GetDlgItem(CurrentPage.window, IDC_NEXT);
    if (next == nullptr) {
        return;
    }
    // The rules are evaluated first and Next is set once, so that neither the
    // screen nor anyone asking for its state sees a passing value of a tick.
    SendMessageA(next, WM_SETREDRAW, FALSE, 0);
    bool enabled = destinationValid;
    if (destinationValid) {
        for (const DeferredStatement& rule : model.deferredStatements) {
            if (rule.name == "SetNextDynamicState" && rule.arguments[0] == CurrentPage.name) {
                ApplyNextRule(rule, enabled);
            }
        }
    }
    EnableWindow(next, enabled);
    SendMessageA(next, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(next, nullptr, TRUE);
    UpdateWindow(next);
}
