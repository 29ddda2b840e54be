#pragma once

#include <cstdint>
#include <string>

// Result bits of the version service's install call, with the values of the
// platform's VIF_ flags (named differently so that this header and the
// platform's can be included together).
constexpr uint32_t kVifTempFile = 0x00000001;
constexpr uint32_t kVifMismatch = 0x00000002;
constexpr uint32_t kVifSrcOld = 0x00000004;
constexpr uint32_t kVifDiffLang = 0x00000008;
constexpr uint32_t kVifDiffCodePage = 0x00000010;
constexpr uint32_t kVifDiffType = 0x00000020;
constexpr uint32_t kVifWriteProt = 0x00000040;
constexpr uint32_t kVifFileInUse = 0x00000080;
constexpr uint32_t kVifOutOfSpace = 0x00000100;
constexpr uint32_t kVifAccessViolation = 0x00000200;
constexpr uint32_t kVifSharingViolation = 0x00000400;
constexpr uint32_t kVifCannotCreate = 0x00000800;
constexpr uint32_t kVifCannotDelete = 0x00001000;
constexpr uint32_t kVifCannotRename = 0x00002000;
constexpr uint32_t kVifCannotDeleteCur = 0x00004000;
constexpr uint32_t kVifOutOfMemory = 0x00008000;
constexpr uint32_t kVifCannotReadSrc = 0x00010000;
constexpr uint32_t kVifCannotReadDst = 0x00020000;
constexpr uint32_t kVifBuffTooSmall = 0x00040000;
constexpr uint32_t kVifCannotLoadLz32 = 0x00080000;
constexpr uint32_t kVifCannotLoadCabinet = 0x00100000;

// What to do after a call of the version service's install function.
enum InstallAction {
    kActionInstalled = 0,        // the file is installed
    kActionAbort = 1,            // abort the whole installation
    kActionRetry = 2,            // call the service again, unchanged
    kActionSkip = 3,             // not installed and not logged
    kActionForce = 4,            // call the service again with the force flag
    kActionReplaceAtRestart = 5, // the destination cannot be replaced now
};

enum class DiskPromptAnswer { Abort, Retry, Ignore };

// The questions and messages that deciding on a result may bring up. The
// Windows build shows message boxes and the language dialog; tests supply a
// double.
class InstallQuestions {
  public:
    virtual ~InstallQuestions() = default;
    // A box without owner: caption, text, OK button, no icon.
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
    // A box without owner or icon with Yes and No, No the default button. True
    // for Yes.
    virtual bool AskYesNoDefaultNo(const std::string& caption, const std::string& text) = 0;
    // Whether "Install all" or "Overwrite every file" was chosen earlier in the
    // run; the language question is not asked then.
    virtual bool InstallAllAnswered() = 0;
    // The language question: 0 No, 1 Yes, 2 Install all (which the dialog
    // remembers for the rest of the run).
    virtual int AskLanguageConflict() = 0;
    // A box owned by the background window with Abort, Retry and Ignore, no icon.
    virtual DiskPromptAnswer AskForDisk(const std::string& caption, const std::string& text) = 0;
    // A box owned by the background window with Yes and No, no icon. True for Yes.
    virtual bool AskQuit(const std::string& caption, const std::string& text) = 0;
};

// Decides on the result bits of one install call. `caption` (the source file
// name) is the caption of every box; `disk` is the record's disk, shown when the
// source cannot be read. No bit set, or only the bit that an old copy
// elsewhere could not be deleted, means installed. Otherwise the bits are
// examined from the temporary-file bit onwards in a fixed order: some show a
// message and let the examination go on, the others end it with their action;
// when none ends it, the installation is aborted. The temporary-file message
// is left out when a question follows for the same result.
int MapInstallResult(uint32_t resultBits, const std::string& caption, int disk,
                     InstallQuestions& questions);

// The prompt for a missing disk, also used while split files are joined.
std::string DiskPromptText(int disk);

// The question that follows Abort in the disk prompt.
extern const char* const kQuitSetupCaption;
extern const char* const kQuitSetupText;

// Shown when a file in use cannot be replaced, now or at the next restart.
extern const char* const kFileInUseText;

// Told when a path is too long for the platform (260 characters and more); a
// path of any length is shown by its beginning and end.
std::string PathTooLongText(const std::string& path);

// Told when a split file is not installed because a part of it was skipped;
// the destination is shortened as in PathTooLongText.
std::string SplitFileNotInstalledText(const std::string& destination);
