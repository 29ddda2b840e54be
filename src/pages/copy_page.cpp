#include "pages/copy_page.h"

#include <commctrl.h>

#include "engine/interpreter.h"
#include "engine/model.h"
#include "engine/page_rules.h"
#include "engine/uninstall_entry.h"
#include "engine/uninstall_log_text.h"
#include "engine/variables.h"
#include "engine/path_text.h"
#include "engine/uninstall_log_read.h"
#include "install/install_file.h"
#include "removal/take_back.h"
#include "removal/uninstall_log.h"
#include "pages/shortcuts.h"
#include "platform/file_system.h"
#include "platform/message_pump.h"
#include "platform/quit_question.h"
#include "platform/run_log.h"
#include "resources/resource_ids.h"
#include "ui/page_frame.h"

bool copyStarted = false;

namespace {

void EndPage(HWND page, int result) {
    if (page != nullptr) {
        EndDialog(page, result);
    }
}

const char kPageName[] = "DIALOG_COPY";

// Progress bars take a 16-bit range; an empty list gives 0 ... 65535.
void SetBarRange(HWND page, int bar, std::size_t count) {
    const WORD upper = static_cast<WORD>(count - 1);
    SendDlgItemMessageA(page, bar, PBM_SETRANGE, 0, MAKELPARAM(0, upper));
}

// A bar repaints itself on every move, which costs more than installing a
// small file; within a section it moves at most every few milliseconds, which
// the eye cannot tell from every file. The first and last file always move it.
constexpr DWORD kBarIntervalMs = 30;
DWORD barMoved = 0;

void SetBarPosition(HWND page, int bar, std::size_t position, bool now = true) {
    if (!now && GetTickCount() - barMoved < kBarIntervalMs) {
        return;
    }
    barMoved = GetTickCount();
    SendDlgItemMessageA(page, bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// A static control paints itself the moment its text changes, which costs
// more than installing a small file. The file being installed is named on a
// timer instead: as often as the eye can follow, and at once when a file
// takes long or a question about it is open, since the timer's messages are
// handed on then.
constexpr UINT_PTR kFileNameTimer = 1;
constexpr UINT kFileNameIntervalMs = 30;
std::string fileName;
bool fileNameShown = true;

void NameFile(const std::string& destination) {
    fileName = DisplayedFileName(destination);
    fileNameShown = false;
}

void ShowFileName(HWND page) {
    if (!fileNameShown) {
        SetDlgItemTextA(page, IDC_COPY_FILE, fileName.c_str());
        fileNameShown = true;
    }
}

// Starts the installation once the page has been shown, outside its painting:
// the page and the background are painted, and answer, while it runs.
constexpr UINT kStartCopy = WM_APP + 1;

bool copyStopped = false;

// The installation, on the page or, in a quiet run, without one (`page` is
// null then: no bar or text to move).
void RunInstallation(HWND page) {
    copyStarted = true;
    // Once the run is ending nothing more is installed or registered.
    if (QuitRequested()) {
        copyStopped = true;
        EndPage(page, kPageCancelled);
        return;
    }
    LogStep("installing into " + variables.Lookup("DP"));
    const std::string installDirectory = variables.Lookup("DP");
    StartInstallation();
    ResetInstallationRun();
    CreateDirectoryPath(installDirectory, &installationRun.madeDirectories);

    // Without an application name there is no key of its own to register.
    UninstallEntryValues entry;
    entry.displayName = variables.Lookup("APPNAME");
    entry.installDirectory = installDirectory;
    entry.publisher = variables.Lookup("DEVELOPERNAME");
    if (!BeginUninstallLog(FileInInstallDirectory(installDirectory, "Uninstall.log"),
                           UninstallKeyPath(entry.displayName),
                           FileInInstallDirectory(installDirectory, "VLUninstall.exe"), entry)) {
        AskOrAnswer(nullptr,
                    "UNINSTALL WILL NOT BE AVAILABLE, BECAUSE LOG FILE COULD NOT BE CREATED!",
                    "UNEXPECTED ERROR", MB_OK, IDOK);
    }

    std::size_t sectionCount = 0;
    for (const SectionRecord& section : model.sections) {
        if (section.mandatory == 1 || section.selected == 1) {
            ++sectionCount;
        }
    }
    if (page != nullptr) {
        SetBarRange(page, IDC_COPY_SECTION_PROGRESS, sectionCount);
        RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SetTimer(page, kFileNameTimer, kFileNameIntervalMs, nullptr);
    }
    const int stopped = InstallSections(page);
    if (page != nullptr) {
        KillTimer(page, kFileNameTimer);
        ShowFileName(page);
    }
    copyStopped = stopped != 0;
    if (stopped != 0) {
        LogStep("the installation stopped; what this run made is taken back");
        ConfirmQuit(2);
        // The quit question promised it: what this run made goes again, and
        // an earlier installation is as it was. What it replaced with the
        // user's consent stays, for the uninstaller.
        const std::string logLeft = TakeBackInstallation();
        if (!logLeft.empty()) {
            const std::string text =
                "Setup has stopped. Some files it installed stay, and no uninstaller is there "
                "to remove them; they are listed in " +
                logLeft + ".";
            AskOrAnswer(nullptr, text, "Setup", MB_OK | MB_ICONWARNING, IDOK);
        }
    } else {
        FinishUninstallLog();
        LogStep("registered the Uninstall entry " + UninstallKeyPath(entry.displayName));
    }
    EndPage(page, 0);
}

// The record that installs the uninstaller into the installation directory,
// in a section that is installed: it goes first, so that everything installed
// after it can be removed from the start. model.files.size() when there is none.
std::size_t UninstallerRecord() {
    const std::string uninstaller =
        ComparablePath(FileInInstallDirectory(variables.Lookup("DP"), "VLUninstall.exe"));
    for (std::size_t index = 0; index < model.files.size(); ++index) {
        const FileRecord& file = model.files[index];
        if (file.shared != 0 || file.splitPart != 0) {
            continue;
        }
        std::string destination = file.destination;
        variables.ExpandReferences(destination);
        if (ComparablePath(CollapseBackslashes(destination)) != uninstaller) {
            continue;
        }
        for (const SectionRecord& section : model.sections) {
            if (section.name == file.section && WillBeInstalled(section)) {
                return index;
            }
        }
    }
    return model.files.size();
}

} // namespace

int RunCopyWithoutPage() {
    RunInstallation(nullptr);
    return copyStopped ? 1 : 0;
}

std::string DisplayedFileName(const std::string& destination) {
    const std::size_t slash = destination.rfind('\\');
    return slash == std::string::npos ? destination : destination.substr(slash + 1);
}

int InstallSections(HWND page) {
    PrepareProgramGroup(); // does nothing unless a program group is wanted
    const std::size_t first = UninstallerRecord();
    if (first < model.files.size()) {
        NameFile(model.files[first].destination);
        std::string installedPath;
        if (InstallFileRecord(first, installedPath) != 0) {
            return static_cast<int>(first) + 1;
        }
        CreateRecordShortcut(first, installedPath);
    }
    std::size_t k = 0;
    for (const SectionRecord& section : model.sections) {
        if (!WillBeInstalled(section)) {
            continue;
        }
        SetBarPosition(page, IDC_COPY_SECTION_PROGRESS, k++);
        std::size_t fileCount = 0;
        for (const FileRecord& file : model.files) {
            if (file.section == section.name) {
                ++fileCount;
            }
        }
        SetBarRange(page, IDC_COPY_FILE_PROGRESS, fileCount);
        SetDlgItemTextA(page, IDC_COPY_SECTION, section.name.c_str());
        std::size_t j = 0;
        for (std::size_t index = 0; index < model.files.size(); ++index) {
            if (model.files[index].section != section.name) {
                continue;
            }
            if (index == first) {
                ++j;
                continue;
            }
            KeepWindowsAnswering();
            // A quit confirmed while a question of the previous file was open,
            // or with Cancel during the copy, ends the loop here, as an abort
            // does.
            if (QuitRequested()) {
                return static_cast<int>(index) + 1;
            }
            NameFile(model.files[index].destination);
            const std::size_t position = j++;
            SetBarPosition(page, IDC_COPY_FILE_PROGRESS, position,
                           position == 0 || position + 1 == fileCount);
            std::string installedPath;
            if (InstallFileRecord(index, installedPath) != 0) {
                return static_cast<int>(index) + 1;
            }
            CreateRecordShortcut(index, installedPath);
        }
    }
    return 0;
}

INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    PageCommon(page, message, lParam, wParam, kPageName);
    if (message == WM_INITDIALOG) {
        PostMessageA(page, kStartCopy, 0, 0);
    } else if (message == kStartCopy && !copyStarted) {
        RunInstallation(page);
    } else if (message == WM_TIMER && wParam == kFileNameTimer) {
        ShowFileName(page);
    }
    return 0;
}
