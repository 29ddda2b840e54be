#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "install/install_result.h"

// The answers that hold for the rest of the run, kept here and never reset
// during a run. "Install all" in the language question and "Overwrite every
// file" in the overwrite question: language and code-page conflicts are then
// installed without asking.
bool InstallAllAnswered();
// "Overwrite every file": existing non-shared files are then overwritten
// without asking.
bool OverwriteAllAnswered();
// Forgets both, as at the start of a run.
void ResetConflictAnswers();

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
// both files with their languages and code pages. Returns 0 No, 1 Yes, 2
// Install all (which is remembered). A dialog that cannot be shown counts as
// No.
int AskLanguageConflict(const std::string& sourcePath, const std::string& destinationPath);

// The overwrite question (dialog 116, owned by the current page), showing the
// destination. Returns 0 No, 1 Yes, 2 Overwrite every file (which is
// remembered, and counts as Install all too). A dialog that cannot be shown
// counts as No.
int AskOverwrite(const std::string& destinationPath, bool installedEarlier);

// The questions and messages of the installation as the user sees them:
// message boxes without owner, the language question about the two files
// given, and the disk prompt and quit question owned by the background window.
class ScreenQuestions : public InstallQuestions {
  public:
    ScreenQuestions() = default;
    ScreenQuestions(std::string sourcePath, std::string destinationPath)
        : sourcePath_(std::move(sourcePath)), destinationPath_(std::move(destinationPath)) {}

    void ShowMessage(const std::string& caption, const std::string& text) override;
    bool AskYesNoDefaultNo(const std::string& caption, const std::string& text) override;
    bool InstallAllAnswered() override;
    int AskLanguageConflict() override;
    DiskPromptAnswer AskForDisk(const std::string& caption, const std::string& text) override;
    bool AskQuit(const std::string& caption, const std::string& text) override;

  private:
    std::string sourcePath_;
    std::string destinationPath_;
};
