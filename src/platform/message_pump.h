#pragma once

#include <windows.h>

#include <functional>

// The wizard has one thread for its windows. Long work on it (the copy page
// installing files) keeps the windows answering by handing their messages on
// between steps, and runs a single long call of the system on a worker thread
// meanwhile. A message handled here may ask the quit question; the work goes
// on to its next step, where the caller looks at QuitRequested().

// Hands on the messages waiting for this thread's windows (keyboard messages
// of the current page as a dialog takes them), at most every few milliseconds.
void KeepWindowsAnswering();

// Runs `work` on a worker thread and hands on messages until it has ended;
// returns its result. Without a thread it runs here.
DWORD RunWhileAnswering(const std::function<DWORD()>& work);
