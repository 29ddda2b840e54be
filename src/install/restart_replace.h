#pragma once

#include <string>

// Arranges for the file at `destinationPath`, which is in use, to be replaced
// by the file at `sourcePath` at the next start of Windows: a copy named after
// `sourceName` with ".tmp" (expanded when the source is packed) goes to the
// run's temporary folder in the Windows directory's TEMP folder (see
// install/run_directory.h), where it stays, and is moved over the destination
// by a delayed move, or, where the platform refuses that, by a line added to
// the rename section of Wininit.ini. Returns 0 when the replacement is
// scheduled or not needed (the copy in place is newer), 1 when the versions
// cannot be compared, the copy cannot be made, or Wininit.ini cannot be read
// or written.
int ReplaceAtRestart(const std::string& sourcePath, const std::string& destinationPath,
                     const std::string& sourceName);

// Drops a delete of `path` at the next start that an uninstaller scheduled
// for a file it found in use: the file installed there now must survive the
// restart. The list of delayed moves is read once per installation run.
void CancelPendingDelete(const std::string& path);

// Forgets what was read of the delayed moves: for a new installation run.
void ForgetPendingDeletes();
