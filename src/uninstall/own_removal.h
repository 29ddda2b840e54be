#pragma once

#include <string>
#include <vector>

// A program cannot delete its own file while it runs. The uninstaller starts a
// copy of itself from a fresh folder of its own in the Windows TEMP folder,
// which waits for it to end, then deletes its file and the `directories` that
// held nothing else. The file goes at once, so the installation directory can
// go too; deleting it at the next start instead would leave both until then,
// and is only what happens when no copy can be started. The copy itself and
// its folder go at the next start.
void RemoveAfterEnd(const std::string& ownFile, const std::vector<std::string>& directories);

// The copy's work, when the command line is that of such a copy: returns true
// after it has been done.
bool RemoveForEndedUninstaller(int argc, char** argv);
