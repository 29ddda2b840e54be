#pragma once

// Ends the run (the interpreter's stop signal), after asking "Are you really
// sure to quit setup?" when `code` is 1; codes 0 and 2 end it unasked. Returns
// 1 when the run ends, else 0. The question is task-modal, so that the page
// and the background window cannot be used under it, and never opens twice.
int ConfirmQuit(int code);

// True while the quit question is on the screen: Next does nothing then.
bool QuitQuestionOpen();
