#pragma once

#include <windows.h>

#include <string>

// The page that last passed a message through PageCommon, and its name
// ("DIALOG_WELCOME", "DIALOG_DEST", ...). Empty before the first page; after a
// page closes it keeps naming it until the next page's first message. Read by
// the page-state check and by the installation's dialogs as their owner.
struct CurrentPageInfo {
    HWND window = nullptr;
    std::string name;
};
extern CurrentPageInfo CurrentPage;

// The font the dialog manager last gave a page; script-made controls use it.
extern HFONT PageFont;

// Set once a quit request has been posted; the interpreter then runs no
// further statement.
extern bool quitRequested;

// Shared control ids of every page.
constexpr int kNextButton = 1017;
constexpr int kCancelButton = 1018;
constexpr int kLastButton = 5;

// Result of a page ended by a confirmed Cancel.
constexpr int kPageCancelled = -2;

// The behaviour all pages share; every page procedure passes each message here
// with its own page name. Note the order: lParam before wParam. Returns 0.
INT_PTR PageCommon(HWND page, UINT message, LPARAM lParam, WPARAM wParam, const char* pageName);

// Posts a quit request, after asking when code is 1. Returns 1 when a request
// was posted, else 0.
int ConfirmQuit(int code);
