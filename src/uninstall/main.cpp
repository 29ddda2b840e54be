#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/command_line.h"
#include "engine/path_text.h"
#include "engine/uninstall_log_read.h"
#include "removal/removal.h"
#include "removal/uninstall_registration.h"
#include "platform/run_log.h"
#include "platform/system_libraries.h"
#include "platform/system_text.h"
#include "uninstall/own_removal.h"
#include "uninstall/shared_question.h"

namespace {

// Exit codes, for scripts that run the uninstaller with /quiet.
constexpr int kAllGone = 0;
constexpr int kLeftBehind = 1;       // also when the user said No
constexpr int kRefused = 2;          // a log that cannot be used: nothing was changed
constexpr int kRestartNeeded = 3010; // the rest goes when Windows starts again
constexpr int kBadSwitches = 1639;   // /quiet with a switch it does not know: nothing was changed


// How many lines of a list a message shows before it counts the rest.
constexpr std::size_t kListedLines = 15;

struct Run {
    bool quiet = false; // no questions; messages go to the standard output, if any
    std::string caption = "Uninstall";
};

void Tell(const Run& run, const std::string& text, UINT icon) {
    LogStep(text);
    if (!run.quiet) {
        MessageBoxA(nullptr, text.c_str(), run.caption.c_str(), MB_OK | MB_SETFOREGROUND | icon);
        return;
    }
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Listed(const std::string& heading, const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return std::string();
    }
    std::string text = "\n\n" + heading;
    for (std::size_t i = 0; i < lines.size() && i < kListedLines; ++i) {
        text += "\n    " + ShortenedForDisplay(lines[i], 50);
    }
    if (lines.size() > kListedLines) {
        text += "\n    and " + std::to_string(lines.size() - kListedLines) + " more";
    }
    return text;
}

std::string OwnPath() {
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length =
            GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 4);
    }
    return std::string();
}


std::string ClosingMessage(const std::string& name, const std::string& ownFile,
                           const RemovalReport& report) {
    std::string text;
    if (report.notRemoved.empty() && !report.atRestart.empty()) {
        text = name + " has been removed, but for files in use.";
    } else if (report.notRemoved.empty()) {
        text = name + " has been removed.";
    } else {
        text = name + " could not be removed completely." +
               Listed("What is left:", report.notRemoved) + "\n\nRun " + FileNameOf(ownFile) +
               " in " + DirectoryOf(ownFile) + " again to remove the rest.";
    }
    if (!report.atRestart.empty()) {
        text += Listed("These files are in use and will be removed when Windows restarts:",
                       report.atRestart) +
                "\n\n" + name + " stays in the list of installed programs until then: run " +
                FileNameOf(ownFile) + " again after the restart to finish.";
    }
    return text + Listed("These folders were kept because they still hold other files:",
                         report.keptDirectories);
}

int Uninstall(Run& run, const std::string& ownFile) {
    const std::string directory = DirectoryOf(ownFile);
    const std::string logPath = directory + "\\Uninstall.log";
    std::string text;
    const DWORD readError = ReadUninstallLogBytes(logPath, text);
    if (readError == ERROR_FILE_NOT_FOUND || readError == ERROR_PATH_NOT_FOUND) {
        Tell(run,
             "There is nothing to do: no uninstall log lies in " + directory +
                 ", so nothing installed there is left to remove.",
             MB_ICONINFORMATION);
        return kAllGone;
    }
    if (readError != ERROR_SUCCESS) {
        Tell(run,
             "The uninstall log " + logPath + " cannot be read: " + SystemErrorText(readError) +
                 "Nothing has been removed.",
             MB_ICONERROR);
        return kRefused;
    }
    UninstallLog log;
    std::vector<std::string> reasons;
    const auto refuse = [&](const std::vector<std::string>& why) {
        Tell(run,
             "The uninstall log " + logPath + " cannot be used, so nothing has been removed." +
                 Listed("It holds:", why),
             MB_ICONERROR);
        return kRefused;
    };
    if (!ReadUninstallLog(text, ProtectedDirectories(), log, reasons)) {
        return refuse(reasons);
    }
    // Only the log that the setup wrote is carried out: the entry it names (or,
    // for a run that never wrote its key line, the entry that names this
    // uninstaller) must record exactly these bytes. The folder may be
    // writable by anyone; the entry is not.
    std::string keyPath = log.uninstallKey;
    if (keyPath.empty()) {
        keyPath = FindKeyOfLog(text, ownFile);
        if (keyPath.empty()) {
            return refuse({"no entry in the list of installed programs vouches for it"});
        }
    }
    const std::string fault = LogTrustFault(keyPath, text, ownFile);
    if (!fault.empty()) {
        return refuse({fault});
    }
    log.uninstallKey = keyPath;
    const std::string name = UninstallKeyName(keyPath);
    run.caption = name + " Uninstall";

    // No path of the log is opened, checked or resolved before the answer:
    // one on another computer would be offered the user's logon.
    if (!run.quiet &&
        MessageBoxA(nullptr,
                    ("Do you want to remove " + name + " and all of its components?").c_str(),
                    run.caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
        return kLeftBehind;
    }
    if (!CheckEntriesOnDisk(log.entries, reasons)) {
        return refuse(reasons);
    }
    const bool nothingToDo = !AnythingToRemove(log, ownFile);
    RemovalOptions options;
    options.uninstallKey = log.uninstallKey;
    options.directories = InstalledDirectories(log.entries, directory, options.emptyParents);
    options.logPath = logPath;
    options.ownFile = ownFile;
    if (!run.quiet) {
        const std::string caption = run.caption;
        options.askShared = [caption](const std::string& path) {
            return AskAboutSharedFile(path, caption);
        };
    }
    RemovalReport report;
    // With nothing to do the log and the uninstaller are all that is left of
    // the installation, and they go too.
    RemoveEntries(log.entries, options, report);
    if (nothingToDo && report.notRemoved.empty()) {
        Tell(run, "There is nothing to do: nothing of " + name + " is left to remove.",
             MB_ICONINFORMATION);
    } else {
        Tell(run, ClosingMessage(name, ownFile, report),
             report.notRemoved.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
    }
    // What is left is listed in the log for another run of this program.
    if (report.remaining.entries.empty() && report.remaining.uninstallKey.empty()) {
        RemoveAfterEnd(ownFile, report.afterOwnFile);
    }
    if (!report.notRemoved.empty()) {
        return kLeftBehind;
    }
    return report.atRestart.empty() ? kAllGone : kRestartNeeded;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    if (RemoveForEndedUninstaller(__argc, __argv)) {
        return 0;
    }
    const CommandLine switches = ParseCommandLine(GetCommandLineA());
    Run run;
    run.quiet = switches.quiet;
    quietRun = switches.quiet;
    if (switches.hasLog) {
        OpenRunLog(switches.logPath);
    }
    LogStep(std::string("VLUninstall.exe started: ") + GetCommandLineA());
    int code = kAllGone;
    if (switches.help) {
        Tell(run, UninstallUsageText(), MB_ICONINFORMATION);
    } else if (switches.quiet && (!switches.unknown.empty() || !switches.faults.empty() ||
                                  switches.hasDir || switches.hasSections || switches.hasGroup)) {
        // Unattended, it does only what it was told.
        Tell(run,
             "Unknown or malformed switches; nothing has been removed.\n" + UninstallUsageText(),
             MB_ICONERROR);
        code = kBadSwitches;
    } else {
        const std::string ownFile = OwnPath();
        // Not the directory to remove: a process keeps its current directory.
        SetCurrentDirectoryA(SystemDirectoryText().c_str());
        code = Uninstall(run, ownFile);
    }
    LogStep("exit code " + std::to_string(code));
    CloseRunLog();
    return code;
}
