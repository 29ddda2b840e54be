#pragma once

// Ends the run (the interpreter's stop signal), after asking "Are you really
// sure to quit setup?" when `code` is 1; codes 0 and 2 end it unasked. Returns
// 1 when the run ends, else 0.
int ConfirmQuit(int code);
