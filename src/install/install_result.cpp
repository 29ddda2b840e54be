#include "install/install_result.h"

#include "engine/path_text.h"

const char* const kQuitSetupCaption = "Quit setup";
const char* const kQuitSetupText =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";
const char* const kFileInUseText = "File is in use and setup is not able to overwrite the file.";

namespace {

// The disk prompt until the user retries, ignores, or confirms quitting; the
// latter gives -1 so that the examination goes on with the following bits.
int MissingSourceAction(const std::string& caption, int disk, InstallQuestions& questions) {
    for (;;) {
        switch (questions.AskForDisk(caption, DiskPromptText(disk))) {
        case DiskPromptAnswer::Retry:
            return kActionRetry;
        case DiskPromptAnswer::Ignore:
            return kActionSkip;
        case DiskPromptAnswer::Abort:
            if (questions.AskQuit(kQuitSetupCaption, kQuitSetupText)) {
                return -1;
            }
            break;
        }
    }
}

} // namespace

std::string DiskPromptText(int disk) {
    return "Please insert disk " + std::to_string(disk) +
           " in order to continue setup. If you inserted correct disk and this message appears "
           "again, setup script may be corrupt.";
}

int MapInstallResult(uint32_t resultBits, const std::string& caption, int disk,
                     InstallQuestions& questions) {
    // The old copy elsewhere that could not be deleted does not keep the new
    // file from being in place.
    resultBits &= ~kVifCannotDeleteCur;
    if (resultBits == 0) {
        return kActionInstalled;
    }
    const auto has = [resultBits](uint32_t bit) { return (resultBits & bit) != 0; };
    // The service reports its temporary copy together with every conflict;
    // the user hears of it only when no question about the same result
    // follows, and then before anything else.
    bool tempFileUntold = has(kVifTempFile);
    const auto tellTempFile = [&] {
        if (tempFileUntold) {
            tempFileUntold = false;
            questions.ShowMessage(caption, "Temporary file, file cannot be copied.");
        }
    };
    const auto tell = [&](const char* text) {
        tellTempFile();
        questions.ShowMessage(caption, text);
    };
    const auto decided = [&](int action) {
        tellTempFile();
        return action;
    };

    if (has(kVifMismatch)) {
        tempFileUntold = false;
        const bool install = questions.AskYesNoDefaultNo(
            caption, "The file to install and the old file differ in one or more attributes. If "
                     "you want to, you can install it though. Do you want to install the file "
                     "(not recommended)?");
        return install ? kActionForce : kActionSkip;
    }
    if (has(kVifSrcOld)) {
        return decided(kActionSkip);
    }
    if (has(kVifDiffCodePage) || has(kVifDiffLang)) {
        if (questions.InstallAllAnswered()) {
            return decided(kActionForce);
        }
        tempFileUntold = false;
        return questions.AskLanguageConflict() == 0 ? kActionSkip : kActionForce;
    }
    if (has(kVifWriteProt)) {
        tell("File cannot be written to, because it is write protected. You should remove the "
             "write protection and try to install again.");
    }
    if (has(kVifFileInUse)) {
        return decided(kActionReplaceAtRestart);
    }
    if (has(kVifOutOfSpace)) {
        tell("The file cannot be saved, because there is insufficient harddisk space.");
    }
    if (has(kVifAccessViolation)) {
        return decided(kActionReplaceAtRestart);
    }
    if (has(kVifSharingViolation)) {
        tell("Sharing violation occured, setup cannot install the file.");
    }
    if (has(kVifCannotCreate)) {
        tell("Could not create the file, setup cannot install the file");
    }
    if (has(kVifCannotDelete)) {
        return decided(kActionReplaceAtRestart);
    }
    if (has(kVifOutOfMemory)) {
        tell("Out of memory error, file cannot be installed. This may be an internal error.");
    }
    if (has(kVifCannotReadSrc)) {
        tempFileUntold = false;
        const int action = MissingSourceAction(caption, disk, questions);
        if (action >= 0) {
            return action;
        }
    }
    if (has(kVifCannotReadDst)) {
        tell("Couldn\xB4t read destination, file cannot be installed.");
    }
    if (has(kVifBuffTooSmall)) {
        tell("VIF_BUFFTOOSMALL // INTERNAL ERROR!!!");
    }
    return decided(kActionAbort);
}

std::string PathTooLongText(const std::string& path) {
    return "The path " + ShortenedForDisplay(path) + " is too long, setup cannot install the file.";
}

std::string SplitFileNotInstalledText(const std::string& destination) {
    return "A part of " + ShortenedForDisplay(destination) +
           " is missing, so the file was not installed. Setup will continue.";
}
