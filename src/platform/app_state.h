#pragma once

#include <windows.h>

#include <string>

// The process-wide values that every window layer reads. Start-up writes the
// first five once; the page frame writes the current page and its font.

extern HINSTANCE instance; // the program's own module: classes, templates, bitmap
extern int screenWidth;    // primary screen size in pixels, read once at start
extern int screenHeight;
extern HWND splashWindow; // shown while the script is read, then destroyed
extern HWND mainWindow;   // the full-screen background window, owner of every page

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

// False while the destination page's path field holds fewer than three
// characters; the page-state check then keeps Next disabled on every page.
// True at start and never reset when the page closes. Written by the
// destination page, read by the page-state check.
extern bool destinationValid;

// `owner` when it is still a window, else no owner: a box or dialog whose
// owner has gone would not come up at all.
HWND LiveOwner(HWND owner);
