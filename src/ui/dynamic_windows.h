#pragma once

#include <windows.h>

#include <string>

// Script-made controls: created when their page opens, destroyed when it closes.
void CreatePageControls(HWND page, const std::string& pageName);
void DestroyPageControls(const std::string& pageName);

// A command notification from a script-made control (control id 0): shows the
// script's "COMMAND" messages bound to it.
void HandleControlCommand(HWND sender, WORD notification);

// The page-state timer's procedure: keeps Next of the current page enabled or
// disabled by destinationValid and the page's Next rules.
void CALLBACK PageStateCheck(HWND window, UINT message, UINT_PTR timerId, DWORD time);

// The class, style and extended style that a control type stands for.
struct ControlClass {
    std::string className;
    DWORD style;
    DWORD extendedStyle;
};
ControlClass ControlClassForType(const std::string& type);
