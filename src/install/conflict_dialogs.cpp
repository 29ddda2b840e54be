#include "install/conflict_dialogs.h"
#include "platform/run_log.h"

#include <windows.h>

#include <vector>

#include "platform/app_state.h"
#include "platform/system_libraries.h"
#include "resources/resource_ids.h"

namespace {

bool installAllAnswer = false;
bool overwriteAllAnswer = false;

// The files a question shows while it is open; it is modal, so one at a time.
struct QuestionPaths {
    std::string source;
    std::string destination;
};

std::string EnglishLanguageName(uint16_t languageId) {
    char name[256] = "";
    GetLocaleInfoA(MAKELCID(languageId, SORT_DEFAULT), LOCALE_SENGLANGUAGE, name, sizeof name);
    return name;
}

// Fills the language and code-page fields of one file; a file without version
// information leaves them empty.
void ShowLanguageOf(HWND dialog, const std::string& path, int languageField, int codePageField) {
    FileVersionInfo info;
    if (!ReadVersionInfo(path, info) || !info.hasTranslation) {
        return;
    }
    SetDlgItemTextA(dialog, languageField, info.languageName.c_str());
    SetDlgItemTextA(dialog, codePageField, std::to_string(info.codePage).c_str());
}

// Both question procedures report every message as not handled: only the
// three buttons end a dialog, so Escape and the close box do nothing.
// Ends a question on one of its three answers: 1 for yes, 0 for no, 2 for the
// answer that holds for the rest of the run. Other commands are ignored.
void OnAnswer(HWND dialog, int id, int yesId, int noId, int allId) {
    if (id == yesId) {
        EndDialog(dialog, 1);
    } else if (id == noId) {
        EndDialog(dialog, 0);
    } else if (id == allId) {
        installAllAnswer = true;
        EndDialog(dialog, 2);
    }
}

INT_PTR CALLBACK LanguageQuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* paths = reinterpret_cast<const QuestionPaths*>(lParam);
        SetDlgItemTextA(dialog, IDC_LANG_SOURCE_FILE, paths->source.c_str());
        SetDlgItemTextA(dialog, IDC_LANG_DEST_FILE, paths->destination.c_str());
        ShowLanguageOf(dialog, paths->source, IDC_LANG_SOURCE_LANGUAGE, IDC_LANG_SOURCE_CODEPAGE);
        ShowLanguageOf(dialog, paths->destination, IDC_LANG_DEST_LANGUAGE, IDC_LANG_DEST_CODEPAGE);
    } else if (message == WM_COMMAND) {
        OnAnswer(dialog, LOWORD(wParam), IDC_LANG_YES, IDC_LANG_NO, IDC_LANG_INSTALL_ALL);
    }
    return FALSE;
}

INT_PTR CALLBACK OverwriteQuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* paths = reinterpret_cast<const QuestionPaths*>(lParam);
        SetDlgItemTextA(dialog, IDC_OVERWRITE_FILE, paths->destination.c_str());
    } else if (message == WM_COMMAND) {
        OnAnswer(dialog, LOWORD(wParam), IDC_OVERWRITE_YES, IDC_OVERWRITE_NO, IDC_OVERWRITE_ALL);
    }
    return FALSE;
}

int AnswerOf(INT_PTR result) {
    return result >= 0 && result <= 2 ? static_cast<int>(result) : 0;
}

} // namespace

bool ReadVersionInfo(const std::string& path, FileVersionInfo& info) {
    info = FileVersionInfo();
    const SystemFunctionTable& functions = SystemFunctions();
    DWORD handle = 0;
    const DWORD size = functions.GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) {
        return false;
    }
    std::vector<char> buffer(size);
    if (!functions.GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) {
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!functions.VerQueryValueA(buffer.data(), "\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    info.versionMs = fixed->dwFileVersionMS;
    info.versionLs = fixed->dwFileVersionLS;

    if (functions.VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        value != nullptr && length >= 2 * sizeof(WORD)) {
        const auto* words = static_cast<const WORD*>(value);
        info.hasTranslation = true;
        info.languageId = words[0];
        info.codePage = words[1];
        info.languageName = EnglishLanguageName(info.languageId);
    }
    return true;
}

bool InstallAllAnswered() {
    return installAllAnswer;
}

bool OverwriteAllAnswered() {
    return overwriteAllAnswer;
}

void ResetConflictAnswers() {
    installAllAnswer = false;
    overwriteAllAnswer = false;
}

int AskLanguageConflict(const std::string& sourcePath, const std::string& destinationPath) {
    if (quietRun) {
        LogStep("question about the language of " + destinationPath +
                " -> the file in place is kept, as the version rules decide unless asked");
        return 0;
    }
    QuestionPaths paths{sourcePath, destinationPath};
    return AnswerOf(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LANGUAGE_QUESTION),
                                    LiveOwner(mainWindow), LanguageQuestionProc,
                                    reinterpret_cast<LPARAM>(&paths)));
}

int AskOverwrite(const std::string& destinationPath, bool installedEarlier) {
    if (quietRun) {
        LogStep("question \"Overwrite file\" " + destinationPath + " -> " +
                (installedEarlier ? "Yes: an earlier installation of this application put it there"
                                  : "No: this application did not install it"));
        return installedEarlier ? 1 : 0;
    }
    QuestionPaths paths{std::string(), destinationPath};
    const int answer = AnswerOf(DialogBoxParamA(
        instance, MAKEINTRESOURCEA(IDD_OVERWRITE_QUESTION), LiveOwner(CurrentPage.window),
        OverwriteQuestionProc, reinterpret_cast<LPARAM>(&paths)));
    if (answer == 2) {
        overwriteAllAnswer = true;
    }
    return answer;
}

void ScreenQuestions::ShowMessage(const std::string& caption, const std::string& text) {
    AskOrAnswer(nullptr, text, caption, MB_OK, IDOK);
}

bool ScreenQuestions::AskYesNoDefaultNo(const std::string& caption, const std::string& text) {
    return AskOrAnswer(nullptr, text, caption, MB_YESNO | MB_DEFBUTTON2, IDNO,
                       "the default answer") == IDYES;
}

bool ScreenQuestions::InstallAllAnswered() {
    return installAllAnswer;
}

int ScreenQuestions::AskLanguageConflict() {
    return ::AskLanguageConflict(sourcePath_, destinationPath_);
}

DiskPromptAnswer ScreenQuestions::AskForDisk(const std::string& caption, const std::string& text) {
    switch (AskOrAnswer(LiveOwner(mainWindow), text, caption, MB_ABORTRETRYIGNORE, IDABORT,
                        "no one can insert the disk; the installation is taken back")) {
    case IDRETRY:
        return DiskPromptAnswer::Retry;
    case IDABORT:
        return DiskPromptAnswer::Abort;
    default:
        return DiskPromptAnswer::Ignore;
    }
}

bool ScreenQuestions::AskQuit(const std::string& caption, const std::string& text) {
    return AskOrAnswer(LiveOwner(mainWindow), text, caption, MB_YESNO, IDYES) == IDYES;
}
