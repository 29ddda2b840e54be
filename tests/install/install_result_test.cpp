#include "install/install_result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Answers each question with the next letter of `answers` (y/n, 0/1/2 for the language
// question, a/r/i for the disk prompt) and notes every box by a letter: t for the
// temporary-file message, m for any other message, Y, L, D and Q for the questions.
struct ScriptedQuestions : InstallQuestions {
    ScriptedQuestions(const char* answers, bool installAll) : answers(answers), all(installAll) {}
    char Note(char box) {
        seen += box;
        return *answers ? *answers++ : '?';
    }
    void ShowMessage(const std::string&, const std::string& text) override {
        seen += text.rfind("Temporary file", 0) == 0 ? 't' : 'm';
    }
    bool AskYesNoDefaultNo(const std::string&, const std::string&) override {
        return Note('Y') == 'y';
    }
    bool InstallAllAnswered() override { return all; }
    int AskLanguageConflict() override { return Note('L') - '0'; }
    DiskPromptAnswer AskForDisk(const std::string&, const std::string&) override {
        const char answer = Note('D');
        return answer == 'a'   ? DiskPromptAnswer::Abort
               : answer == 'r' ? DiskPromptAnswer::Retry
                               : DiskPromptAnswer::Ignore;
    }
    bool AskQuit(const std::string&, const std::string&) override { return Note('Q') == 'y'; }

    const char* answers;
    bool all;
    std::string seen;
};

} // namespace

TEST(MapInstallResult, DecidesOnTheServiceResult) {
    const struct {
        uint32_t bits;
        bool installAll;
        const char* answers;
        int action;
        const char* seen;
    } rows[] = {
        {0, false, "", kActionInstalled, ""},
        {kVifCannotDeleteCur, false, "", kActionInstalled, ""},
        {kVifTempFile, false, "", kActionAbort, "t"},
        {kVifTempFile | kVifMismatch, false, "y", kActionForce, "Y"},
        {kVifMismatch, false, "n", kActionSkip, "Y"},
        {kVifTempFile | kVifDiffLang | kVifDiffCodePage, false, "0", kActionSkip, "L"},
        {kVifTempFile | kVifDiffLang, true, "", kActionForce, "t"},
        {kVifSrcOld | kVifDiffLang, false, "", kActionSkip, ""},
        {kVifTempFile | kVifWriteProt | kVifFileInUse, false, "", kActionReplaceAtRestart, "tm"},
        {kVifSharingViolation | kVifCannotDelete, false, "", kActionReplaceAtRestart, "m"},
        {kVifAccessViolation, false, "", kActionReplaceAtRestart, ""},
        {kVifSharingViolation, false, "", kActionAbort, "m"},
        {kVifTempFile | kVifCannotReadSrc, false, "ananr", kActionRetry, "DQDQD"},
        {kVifCannotReadSrc, false, "i", kActionSkip, "D"},
        {kVifCannotReadSrc | kVifCannotReadDst, false, "ay", kActionAbort, "DQm"},
    };
    for (const auto& row : rows) {
        ScriptedQuestions questions(row.answers, row.installAll);
        EXPECT_EQ(MapInstallResult(row.bits, "a.dll", 2, questions), row.action) << row.bits;
        EXPECT_EQ(questions.seen, row.seen) << row.bits;
        EXPECT_EQ(*questions.answers, '\0') << row.bits;
    }
}

TEST(PathTooLongText, AVeryLongPathDoesNotMakeAVeryLongBox) {
    EXPECT_LT(PathTooLongText(std::string(40000, 'p')).size(), 320u);
}
