#include "install/install_result.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kMismatchQuestion =
    "The file to install and the old file differ in one or more attributes. If you want to, "
    "you can install it though. Do you want to install the file (not recommended)?";
const char* const kDiskTwoPrompt = "Please insert disk 2 in order to continue setup. If you "
                                   "inserted correct disk and this message appears again, setup "
                                   "script may be corrupt.";

// Answers each question with the next letter of `answers` (y/n for Yes and No,
// 0/1/2 for the language question, a/r/i for Abort, Retry and Ignore) and
// records every box and question as one line.
class ScriptedQuestions : public InstallQuestions {
  public:
    ScriptedQuestions(std::string answers, bool installAll)
        : answers_(std::move(answers)), installAll_(installAll) {}

    std::vector<std::string> transcript;

    bool AllAnswersUsed() const { return next_ == answers_.size(); }

    void ShowMessage(const std::string& caption, const std::string& text) override {
        transcript.push_back("message " + caption + ": " + text);
    }
    bool AskYesNoDefaultNo(const std::string& caption, const std::string& text) override {
        transcript.push_back("yesno " + caption + ": " + text);
        return NextAnswer("yn") == 'y';
    }
    bool InstallAllAnswered() override { return installAll_; }
    int AskLanguageConflict() override {
        transcript.push_back("language");
        return NextAnswer("012") - '0';
    }
    DiskPromptAnswer AskForDisk(const std::string& caption, const std::string& text) override {
        transcript.push_back("disk " + caption + ": " + text);
        switch (NextAnswer("ari")) {
        case 'a':
            return DiskPromptAnswer::Abort;
        case 'r':
            return DiskPromptAnswer::Retry;
        default:
            return DiskPromptAnswer::Ignore;
        }
    }
    bool AskQuit(const std::string& caption, const std::string& text) override {
        transcript.push_back("quit " + caption + ": " + text);
        return NextAnswer("yn") == 'y';
    }

  private:
    // Fails the test when the script has no answer of the right kind left;
    // then answers with the last letter of `allowed` (No, Install all, Ignore),
    // which ends the examination.
    char NextAnswer(const std::string& allowed) {
        if (next_ < answers_.size() && allowed.find(answers_[next_]) != std::string::npos) {
            return answers_[next_++];
        }
        ADD_FAILURE() << "no answer of kind " << allowed << " at position " << next_;
        next_ = answers_.size();
        return allowed.back();
    }

    std::string answers_;
    std::string::size_type next_ = 0;
    bool installAll_;
};

std::string Message(const std::string& text) {
    return "message a.dll: " + text;
}

const std::string kTempFileMessage = Message("Temporary file, file cannot be copied.");
const std::string kWriteProtMessage =
    Message("File cannot be written to, because it is write protected. You should remove the "
            "write protection and try to install again.");
const std::string kOutOfSpaceMessage =
    Message("The file cannot be saved, because there is insufficient harddisk space.");
const std::string kSharingMessage =
    Message("Sharing violation occured, setup cannot install the file.");
const std::string kCannotCreateMessage =
    Message("Could not create the file, setup cannot install the file");
const std::string kOutOfMemoryMessage =
    Message("Out of memory error, file cannot be installed. This may be an internal error.");
const std::string kCannotReadDstMessage =
    Message("Couldn\xB4t read destination, file cannot be installed.");
const std::string kBuffTooSmallMessage = Message("VIF_BUFFTOOSMALL // INTERNAL ERROR!!!");
const std::string kMismatchAsked = std::string("yesno a.dll: ") + kMismatchQuestion;
const std::string kDiskAsked = std::string("disk a.dll: ") + kDiskTwoPrompt;
const std::string kQuitAsked = "quit Quit setup: Are you really sure to quit setup? The "
                               "application will be deleted if you click on Yes";

struct ResultCase {
    const char* name;
    uint32_t bits;
    bool installAll;
    const char* answers;
    int action;
    std::vector<std::string> transcript;
};

} // namespace

TEST(MapInstallResult, ExaminesTheBitsInTableOrder) {
    const uint32_t messageBits = kVifTempFile | kVifWriteProt | kVifOutOfSpace |
                                 kVifSharingViolation | kVifCannotCreate | kVifOutOfMemory |
                                 kVifCannotReadDst | kVifBuffTooSmall;
    const uint32_t bitsWithoutRow = kVifDiffType | kVifCannotRename | kVifCannotDeleteCur |
                                    kVifCannotLoadLz32 | kVifCannotLoadCabinet;
    const ResultCase cases[] = {
        // clang-format off
        {"no bit", 0, false, "", kActionInstalled, {}},
        {"temp file alone aborts", kVifTempFile, false, "", kActionAbort, {kTempFileMessage}},
        {"mismatch No skips", kVifMismatch, false, "n", kActionSkip, {kMismatchAsked}},
        {"mismatch Yes forces", kVifMismatch, false, "y", kActionForce, {kMismatchAsked}},
        {"temp file message before mismatch", kVifTempFile | kVifMismatch, false, "y",
         kActionForce, {kTempFileMessage, kMismatchAsked}},
        {"mismatch before older source", kVifMismatch | kVifSrcOld, false, "y", kActionForce,
         {kMismatchAsked}},
        {"older source skips silently", kVifSrcOld, false, "", kActionSkip, {}},
        {"older source ends before the language", kVifSrcOld | kVifDiffLang, false, "",
         kActionSkip, {}},
        {"code page No skips", kVifDiffCodePage, false, "0", kActionSkip, {"language"}},
        {"code page Yes forces", kVifDiffCodePage, false, "1", kActionForce, {"language"}},
        {"code page Install all forces", kVifDiffCodePage, false, "2", kActionForce,
         {"language"}},
        {"language No skips", kVifDiffLang, false, "0", kActionSkip, {"language"}},
        {"language Yes forces", kVifDiffLang, false, "1", kActionForce, {"language"}},
        {"language Install all forces", kVifDiffLang, false, "2", kActionForce, {"language"}},
        {"both conflicts ask once", kVifDiffLang | kVifDiffCodePage, false, "0", kActionSkip,
         {"language"}},
        {"install all answered earlier", kVifDiffLang | kVifDiffCodePage, true, "",
         kActionForce, {}},
        {"write protection and no space abort", kVifWriteProt | kVifOutOfSpace, false, "",
         kActionAbort, {kWriteProtMessage, kOutOfSpaceMessage}},
        {"in use", kVifFileInUse, false, "", kActionReplaceAtRestart, {}},
        {"write protection then in use", kVifWriteProt | kVifFileInUse | kVifOutOfSpace, false,
         "", kActionReplaceAtRestart, {kWriteProtMessage}},
        {"access violation", kVifAccessViolation, false, "", kActionReplaceAtRestart, {}},
        {"no space then access violation", kVifOutOfSpace | kVifAccessViolation, false, "",
         kActionReplaceAtRestart, {kOutOfSpaceMessage}},
        {"held open without sharing", kVifSharingViolation | kVifCannotDelete, false, "",
         kActionReplaceAtRestart, {kSharingMessage}},
        {"sharing violation alone aborts", kVifSharingViolation, false, "", kActionAbort,
         {kSharingMessage}},
        {"cannot create aborts", kVifCannotCreate, false, "", kActionAbort,
         {kCannotCreateMessage}},
        {"cannot delete", kVifCannotDelete, false, "", kActionReplaceAtRestart, {}},
        {"out of memory aborts", kVifOutOfMemory, false, "", kActionAbort,
         {kOutOfMemoryMessage}},
        {"cannot delete before the disk prompt", kVifCannotDelete | kVifCannotReadSrc, false, "",
         kActionReplaceAtRestart, {}},
        {"missing source Retry", kVifCannotReadSrc, false, "r", kActionRetry, {kDiskAsked}},
        {"missing source Ignore", kVifCannotReadSrc, false, "i", kActionSkip, {kDiskAsked}},
        {"Abort then No prompts again", kVifCannotReadSrc, false, "ananr", kActionRetry,
         {kDiskAsked, kQuitAsked, kDiskAsked, kQuitAsked, kDiskAsked}},
        {"Abort, No, then Ignore", kVifCannotReadSrc, false, "ani", kActionSkip,
         {kDiskAsked, kQuitAsked, kDiskAsked}},
        {"Abort then Yes aborts", kVifCannotReadSrc, false, "ay", kActionAbort,
         {kDiskAsked, kQuitAsked}},
        {"Abort then Yes goes on to the later rows",
         kVifCannotReadSrc | kVifCannotReadDst | kVifBuffTooSmall, false, "ay", kActionAbort,
         {kDiskAsked, kQuitAsked, kCannotReadDstMessage, kBuffTooSmallMessage}},
        {"Retry ends before the later rows", kVifCannotReadSrc | kVifCannotReadDst, false, "r",
         kActionRetry, {kDiskAsked}},
        {"cannot read destination aborts", kVifCannotReadDst, false, "", kActionAbort,
         {kCannotReadDstMessage}},
        {"buffer too small aborts", kVifBuffTooSmall, false, "", kActionAbort,
         {kBuffTooSmallMessage}},
        {"every message row in order", messageBits, false, "", kActionAbort,
         {kTempFileMessage, kWriteProtMessage, kOutOfSpaceMessage, kSharingMessage,
          kCannotCreateMessage, kOutOfMemoryMessage, kCannotReadDstMessage,
          kBuffTooSmallMessage}},
        {"current copy cannot be deleted", kVifCannotDeleteCur, false, "", kActionAbort, {}},
        {"bits without a row", bitsWithoutRow, false, "", kActionAbort, {}},
        {"a bit without a row is passed over", kVifDiffType | kVifSrcOld, false, "",
         kActionSkip, {}},
        // clang-format on
    };
    for (const ResultCase& c : cases) {
        ScriptedQuestions questions(c.answers, c.installAll);
        EXPECT_EQ(MapInstallResult(c.bits, "a.dll", 2, questions), c.action) << c.name;
        EXPECT_EQ(questions.transcript, c.transcript) << c.name;
        EXPECT_TRUE(questions.AllAnswersUsed()) << c.name;
    }
}

TEST(DiskPromptText, ShowsTheDiskInDecimal) {
    EXPECT_EQ(DiskPromptText(2), kDiskTwoPrompt);
    EXPECT_EQ(DiskPromptText(-1).substr(0, 22), "Please insert disk -1 ");
    EXPECT_EQ(DiskPromptText(32767).substr(0, 25), "Please insert disk 32767 ");
}
