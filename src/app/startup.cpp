#include "app/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "engine/interpreter.h"
#include "app/quiet_host.h"
#include "app/script_host.h"
#include "engine/command_line.h"
#include "platform/run_log.h"
#include "engine/script_reader.h"
#include "platform/system_libraries.h"
#include "platform/system_text.h"
#include "engine/variables.h"
#include "install/run_directory.h"
#include "platform/app_state.h"
#include "ui/app_windows.h"
#include "ui/dynamic_windows.h"

namespace {

const char kSplashClass[] = "SETUPSPLASHCLASS_HI_HOW_DO_YOU_DO";
const char kMainClass[] = "SETUPMAINCLASS_HALLO_WIE_GEHTS";
const UINT_PTR kPageStateTimerId = 1;
const UINT kPageStateTimerPeriod = 50; // ms: how fast Next follows the user's input
const DWORD kSplashPause = 1250;       // ms the splash window stays in view

// Held by a running setup, in the namespace every session shares.
const char kRunningMark[] = "Global\\VLSetup.Running";

const char kScriptOpenFailure[] =
    "Could not open 'SetupScript.INI' in setup directory. Setup cannot be continued.";

// Reads ProgramFilesDir into programFilesDir. Returns false after reporting a
// failed query; a missing key leaves the directory empty without a word.
bool ReadProgramFilesDir() {
    programFilesDir.clear();
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", &key) !=
        ERROR_SUCCESS) {
        return true;
    }
    // Ask for the size first so that a value of any length is read whole.
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, nullptr, &size);
    std::string value;
    if (status == ERROR_SUCCESS) {
        value.resize(size + 1);
        DWORD got = size;
        status = RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type,
                                  reinterpret_cast<BYTE*>(&value[0]), &got);
        value.resize(got < value.size() ? got : value.size());
    }
    if (status != ERROR_SUCCESS) {
        AskOrAnswer(nullptr, SystemErrorText(static_cast<DWORD>(status)), "Registry error", MB_OK,
                    IDOK);
        RegCloseKey(key);
        return false;
    }
    RegCloseKey(key);
    // The value is zero-terminated text; keep what comes before the first zero.
    const std::size_t end = value.find('\0');
    if (end != std::string::npos) {
        value.resize(end);
    }
    programFilesDir = value;
    return true;
}

void SetBuiltInVariables() {
    const std::string start = CurrentDirectoryText();
    variables.Assign("SP", start);
    variables.Assign("SETUPFILE", start);
    variables.Append("SETUPFILE", "\\SetupScript.ini");
    variables.Assign("WINPATH", WindowsDirectoryText());
    variables.Assign("SYSPATH", SystemDirectoryText());
}

void DrainMessages() {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            return;
        }
        if (got == -1) {
            MessageBoxA(nullptr, "Fatal application error! Setup cannot be continued!",
                        "Fatal error", MB_OK | MB_ICONHAND);
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Text for whoever started the program from a console, or for the log of a
// deployment tool that caught the standard error.
bool TellOnConsole(const std::string& text) {
    HANDLE output = GetStdHandle(STD_ERROR_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        output = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        output = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    }
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string bytes;
    for (const char c : text) {
        bytes += c == '\n' ? "\r\n" : std::string(1, c);
    }
    DWORD written = 0;
    return WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) !=
           FALSE;
}

// The usage text: on the console when there is one, else in a box.
void ShowUsage(const std::string& text) {
    if (!TellOnConsole(text) && !quietRun) {
        MessageBoxA(nullptr, text.c_str(), "Setup", MB_OK | MB_ICONINFORMATION);
    }
}

int RunWithSwitches(HINSTANCE moduleInstance, const CommandLine& switches);

} // namespace

HWND CreateAppWindow(const char* title, const char* className, HWND parent, DWORD style, int x,
                     int y, int width, int height) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = AppWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, className, title, style, x, y, width, height, parent, nullptr,
                           instance, nullptr);
}

int RunSetup(HINSTANCE moduleInstance) {
    // Before anything loads a library: a setup program is often started from
    // a download folder, where a library of a system name may wait for it.
    RestrictLibrarySearch();
    const CommandLine switches = ParseCommandLine(GetCommandLineA());
    quietRun = switches.quiet;
    const int code = RunWithSwitches(moduleInstance, switches);
    LogStep("exit code " + std::to_string(code));
    CloseRunLog();
    return code;
}

namespace {

int RunWithSwitches(HINSTANCE moduleInstance, const CommandLine& switches) {
    if (switches.hasLog && !OpenRunLog(switches.logPath)) {
        TellOnConsole("The log " + switches.logPath + " cannot be written.\n");
    }
    LogStep(std::string("VLSetup.exe started: ") + GetCommandLineA());
    if (switches.help) {
        ShowUsage(SetupUsageText());
        return 0;
    }
    // An unattended run does only what it was told: a switch it does not know
    // may have meant something it cannot do.
    if (switches.quiet && (!switches.unknown.empty() || !switches.faults.empty())) {
        std::string why;
        for (const std::string& fault : switches.faults) {
            why += fault + "\n";
        }
        for (const std::string& unknown : switches.unknown) {
            why += "unknown switch: " + unknown + "\n";
        }
        LogStep(why);
        TellOnConsole(why + SetupUsageText());
        return kQuietBadSwitches;
    }
    // One setup at a time: two would write into one log and one entry. The
    // mark goes with the process, however it ends.
    CreateMutexA(nullptr, FALSE, kRunningMark);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        AskOrAnswer(nullptr,
                    "Another setup is running. Let it finish, then start this setup again.",
                    "Setup", MB_OK | MB_ICONINFORMATION, IDOK);
        return kAnotherSetupRunning;
    }
    SystemFunctions();
    instance = moduleInstance;
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    CoInitialize(nullptr);

    if (!quietRun) {
        splashWindow =
            CreateAppWindow(nullptr, kSplashClass, nullptr, WS_POPUP | WS_BORDER | WS_SYSMENU,
                            screenWidth / 2 - 200, screenHeight / 2 - 100, 400, 200);
        ShowWindow(splashWindow, SW_SHOW);
        UpdateWindow(splashWindow);
    }

    SetBuiltInVariables();
    if (!ReadProgramFilesDir()) {
        return -6;
    }
    programFilesDir += "\\";
    variables.Assign("DP", programFilesDir);

    if (scriptReader.ReadScript(variables.Lookup("SETUPFILE")) < 0) {
        AskOrAnswer(nullptr, kScriptOpenFailure, "Fatal error", MB_OK | MB_ICONHAND, IDOK);
        return 1;
    }
    LogStep("script read: " + variables.Lookup("SETUPFILE"));

    INITCOMMONCONTROLSEX controls = {8, 0xFF};
    if (InitCommonControlsEx(&controls) != TRUE) {
        AskOrAnswer(nullptr,
                    "InitCommonControlsEx failed. ComCtl32.dll is not properly installed. Setup "
                    "will be closed now.",
                    "Common controls not available", MB_OK | MB_ICONHAND, IDOK);
        return -5;
    }

    if (quietRun) {
        QuietCommandHost host(switches);
        const RunOutcome outcome = RunScript(host);
        RemoveRunDirectory();
        CoUninitialize();
        return outcome == RunOutcome::SyntaxError ? 2 : host.ExitCode();
    }

    Sleep(kSplashPause);
    mainWindow =
        CreateAppWindow("Setup", kMainClass, nullptr, WS_POPUP, 0, 0, screenWidth, screenHeight);
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    DestroyWindow(splashWindow);
    splashWindow = nullptr;

    const UINT_PTR timer =
        SetTimer(mainWindow, kPageStateTimerId, kPageStateTimerPeriod, PageStateCheck);

    WindowsCommandHost host;
    const RunOutcome outcome = RunScript(host);
    // The run's temporary folder goes here, once, whatever ended the run: it
    // also holds the parts joined only to size the sections.
    RemoveRunDirectory();
    if (outcome == RunOutcome::SyntaxError) {
        return 2;
    }

    PostQuitMessage(0);
    DrainMessages();

    KillTimer(mainWindow, timer);
    UnregisterClassA(kSplashClass, instance);
    UnregisterClassA(kMainClass, instance);
    CoUninitialize();
    return 0;
}

} // namespace
