#pragma once

#include <windows.h>

#include <string>

// The temporary files of a run (the staging files of split files, the copies
// that replace files at the next restart) live in a folder of the run's own
// inside the Windows directory's TEMP folder. Anyone may create files in that
// TEMP folder, so the run's folder is made afresh under a name nobody can
// guess and with an access list that lets no other user in, its files are
// always created new, and nothing outside it is opened, written or deleted: a
// file or link planted under a predictable name is never touched.

// The run's folder is named this, followed by 32 random hexadecimal digits.
constexpr char kRunDirectoryPrefix[] = "VLSetup-";

// The path of the temporary file `name` in the run's folder, which is made on
// first use; empty when it cannot be made. Characters that are not allowed in
// a file name, or that would lead out of the folder, become '_'.
std::string RunFilePath(const std::string& name);

// Opens the run's temporary file at `path` for writing: creates it when the run
// has not made it yet (failing when anything at all is there already), or
// opens the one it made. INVALID_HANDLE_VALUE on failure and for any path
// outside the run's folder.
HANDLE OpenRunFile(const std::string& path);

// Deletes a temporary file that the run made; any other path is left alone.
void DeleteRunFile(const std::string& path);

// Copies `source` into a new temporary file named `stem` and `extension`, or,
// when the run has made one of that name already, `stem`, a dot, a number and
// `extension`. A source packed by the platform's LZ compressor is expanded on
// the way. Returns its path, or empty when it cannot be made.
std::string CopyToRunFile(const std::string& source, const std::string& stem,
                          const std::string& extension);

// Keeps a copy that is scheduled to replace a file at the next restart: it
// and the run's folder stay after the installation.
void KeepRunFile(const std::string& path);

// Deletes the files the run made in its folder, and the folder itself unless
// it holds copies scheduled for the next restart. The copy page calls it when
// the installation ends, start-up again at the end of the run; a later
// temporary file makes a new folder.
void RemoveRunDirectory();

// Removes the folder with all the run made in it, the scheduled copies too,
// and forgets it: a fresh start for a run that gives up its replacements.
void DiscardRunDirectory();
