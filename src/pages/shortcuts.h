#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Makes PROGRAMGROUP a full path (a value without a colon is a folder inside the
// programs folder) and creates that folder. Only when useProgramGroup is set.
void PrepareProgramGroup();

// After files[index] was handled: creates its program group shortcut, pointing
// at `installedPath`, where the file really is, when the record asks for one,
// and logs it when it was saved. An empty path (the file was skipped, declined
// or is an earlier part of a split file) gets no shortcut.
void CreateRecordShortcut(std::size_t index, const std::string& installedPath);

// A shell link at `linkPath` to `target` with `description`; the platform's
// result code (S_OK on success).
HRESULT CreateShortcut(const std::string& target, const std::string& linkPath,
                       const std::string& description);

// The shortcut file of a record: PROGRAMGROUP without one trailing backslash,
// a backslash, the shortcut name and ".lnk".
std::string ShortcutPath(const std::string& programGroup, const std::string& shortcutName);
