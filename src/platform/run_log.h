#pragma once

#include <windows.h>

#include <string>

// An unattended run (/quiet) shows no window at all: no splash, background,
// pages or boxes. What a box would have said, and the answer the run gave in
// the user's place, goes to the run's log (/log=FILE) instead, which an
// interactive run can keep too. One line a step, each with its time.

extern bool quietRun;

// Opens the run's log at `path`, replacing what is there; false when it
// cannot be written.
bool OpenRunLog(const std::string& path);
void CloseRunLog();

// Appends a line with the local time in front; nothing when no log is open.
void LogStep(const std::string& text);

// A message box of an interactive run, noted in the log with the answer. In a
// quiet run nothing is shown: the message and `quietAnswer` go to the log,
// with `why` that answer, and `quietAnswer` is returned.
int AskOrAnswer(HWND owner, const std::string& text, const std::string& caption, UINT type,
                int quietAnswer, const std::string& why = std::string());

// A file that is only replaced at the next start of Windows was installed:
// the quiet run ends with 3010.
void NoteRestartNeeded();
bool RestartNeeded();
