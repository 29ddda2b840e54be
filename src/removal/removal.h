#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/uninstall_log_read.h"

// Removes what an installation logged: the uninstaller's work, and the
// setup's when it takes back an installation that was stopped. It touches only
// the files, key and directories it is given, and never a directory that
// still holds anything else.

// Counts of the programs that use a shared file, kept by the platform under
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs as a
// REG_DWORD named by the file's full path (the text the log holds for it).

// One more program uses the file. A missing count is created at 1, or at 2
// when the file was found in place: it has a user nobody knows of, whose use
// must keep it after ours is taken back.
void CountSharedFileUse(const std::string& path, bool foundInPlace);

// One program less uses the file. Returns the uses left, 0 when no program
// uses it any more (the count stays, at 0, until ForgetSharedFile), or -1 when
// the file has no count: nobody knows who uses it, so it must stay.
int ReleaseSharedFileUse(const std::string& path);

// Deletes the count of a shared file that is gone.
void ForgetSharedFile(const std::string& path);

// The Windows directory and the system directories (System32, and SysWOW64
// where it exists): no entry may name one of them.
std::vector<std::string> ProtectedDirectories();

// Checks on the machine what the log reader cannot: adds a reason for each
// entry that names an existing directory. True when there is none.
bool CheckEntriesOnDisk(const std::vector<UninstallLogEntry>& entries,
                        std::vector<std::string>& reasons);

// Whether any entry's file, or the key, still exists. `ownFile`, the running
// uninstaller, does not count.
bool AnythingToRemove(const UninstallLog& log, const std::string& ownFile);

// The directories an installation into `installDirectory` made for `entries`,
// in the order to remove them: the folders below the installation directory
// that hold entries, deepest first; the program group folders (a shortcut's
// folder inside the Start menu's programs folder); the installation directory
// last. `parents` gets the folders above them that may have been made for
// them too (a nested program group's, the installation directory's, those of
// files installed elsewhere), deepest first, up to a folder that always
// stays. Call it before removing the entries: short names resolve only while
// the files are there.
std::vector<std::string> InstalledDirectories(const std::vector<UninstallLogEntry>& entries,
                                              const std::string& installDirectory,
                                              std::vector<std::string>& parents);

// The answer to "The shared file <path> is no longer used by any program.
// Remove it?".
enum class SharedFileAnswer { Yes, No, YesToAll, NoToAll };
using SharedFileQuestion = std::function<SharedFileAnswer(const std::string& path)>;

struct RemovalOptions {
    std::string uninstallKey; // under HKEY_LOCAL_MACHINE, removed with all it holds; empty: none
    // Removed when empty, in this order, after the key and the log; the
    // Windows, system and shell folders and drive roots never.
    std::vector<std::string> directories;
    // Removed when empty after `directories`; one that is not is not reported.
    std::vector<std::string> emptyParents;
    // The log: deleted when everything is gone, else rewritten to list what
    // is left, for another run. Empty: not touched.
    std::string logPath;
    // The running uninstaller: never removed here, since it goes after it ends.
    std::string ownFile;
    // Asked when a shared file is no longer used; none removes such files.
    SharedFileQuestion askShared;
};

struct RemovalReport {
    std::vector<std::string> notRemoved; // "what: why", for the key too
    std::vector<std::string> atRestart;  // files in use, deleted at the next start (listed still)
    std::vector<std::string> keptDirectories; // they hold what was not installed
    // Directories that hold nothing but `ownFile` now: to remove after it.
    std::vector<std::string> afterOwnFile;
    UninstallLog remaining; // what is still to remove, as the rewritten log lists it
};

// An uninstall log read whole: ERROR_SUCCESS, or the error that kept it from
// being read (ERROR_FILE_TOO_LARGE beyond what a setup writes). A link in its
// place is not followed.
unsigned long ReadUninstallLogBytes(const std::string& path, std::string& bytes);

// `bytes` as the whole file at `path`, replacing what is there. Returns
// ERROR_SUCCESS or the platform's error.
unsigned long WriteWholeFile(const std::string& path, const std::string& bytes);

// Whether `path` is a file, not a folder nor a link.
bool IsPlainFile(const std::string& path);

// Writes `log` to `path` as the setup writes it, replacing what is there,
// after recording it in the Uninstall key `recordKey` (none when empty).
// Returns ERROR_SUCCESS or the platform's error.
unsigned long WriteUninstallLogFile(const std::string& path, const UninstallLog& log,
                                    const std::string& recordKey);

// Removes `entries` last first: each non-shared file; each shared file whose
// use count drops to 0, after the question, unregistering it first
// (DllUnregisterServer) when it registered itself; a server that cannot be
// unregistered stays, with its use. A file is reached only through folders
// that are not links, and never is one itself. A file in use is deleted at
// the next start and stays listed until then. Then the key (only when nothing
// is left), the log and the directories of `options`. Whatever cannot be
// removed is reported and the rest goes on.
void RemoveEntries(const std::vector<UninstallLogEntry>& entries, const RemovalOptions& options,
                   RemovalReport& report);
