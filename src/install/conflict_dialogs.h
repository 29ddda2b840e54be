#pragma once

#include <cstdint>
#include <string>

#include "install/install_result.h"

// Set by "Install all" in the language question and by "Overwrite every file"
// in the overwrite question; never reset. While it is set the installation
// forces files that differ in language or code page without asking.
extern bool installAllAnswer;

// Set when the overwrite question was answered "Overwrite every file"; never
// reset. While it is set, existing non-shared files are overwritten unasked.
extern bool overwriteAllAnswer;

// The paths that the conflict questions show. The shared way sets both before
// it examines each result of the version service; the non-shared way sets the
// destination before its overwrite question. Read by the question dialogs.
extern std::string currentSourcePath;
extern std::string currentDestinationPath;

// What the version resource of a file tells about it.
struct FileVersionInfo {
    uint32_t versionMs = 0; // major version in the upper 16 bits, minor in the lower
    uint32_t versionLs = 0;
    bool hasTranslation = false; // the resource names a language and code page
    uint16_t languageId = 0;
    uint16_t codePage = 0;
    std::string languageName; // English name of the language, as the platform gives it
};

// Reads the version resource of the file at `path`; false when it has none or
// it cannot be read. Without a translation entry the language fields stay
// empty and hasTranslation false.
bool ReadVersionInfo(const std::string& path, FileVersionInfo& info);

// The language question (dialog 115, owned by the background window), showing
// currentSourcePath and currentDestinationPath with their languages and code
// pages. Returns 0 No, 1 Yes, 2 Install all (which also sets installAllAnswer).
// A dialog that cannot be shown counts as No.
int AskLanguageConflict();

// The overwrite question (dialog 116, owned by the current page), showing
// currentDestinationPath. Returns 0 No, 1 Yes, 2 Overwrite every file (which
// also sets installAllAnswer; the caller remembers overwriteAllAnswer). A
// dialog that cannot be shown counts as No.
int AskOverwrite();

// The questions and messages of the installation as the user sees them:
// message boxes without owner, the language question, and the disk prompt and
// quit question owned by the background window.
InstallQuestions& ScreenQuestions();
