#include "app/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "engine/interpreter.h"
#include "app/script_host.h"
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
        MessageBoxA(nullptr, SystemErrorText(static_cast<DWORD>(status)).c_str(), "Registry error",
                    MB_OK);
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
    // One setup at a time: two would write into one log and one entry. The
    // mark goes with the process, however it ends.
    CreateMutexA(nullptr, FALSE, kRunningMark);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxA(nullptr,
                    "Another setup is running. Let it finish, then start this setup again.",
                    "Setup", MB_OK | MB_ICONINFORMATION);
        return kAnotherSetupRunning;
    }
    SystemFunctions();
    instance = moduleInstance;
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    CoInitialize(nullptr);

    splashWindow =
        CreateAppWindow(nullptr, kSplashClass, nullptr, WS_POPUP | WS_BORDER | WS_SYSMENU,
                        screenWidth / 2 - 200, screenHeight / 2 - 100, 400, 200);
    ShowWindow(splashWindow, SW_SHOW);
    UpdateWindow(splashWindow);

    SetBuiltInVariables();
    if (!ReadProgramFilesDir()) {
        return -6;
    }
    programFilesDir += "\\";
    variables.Assign("DP", programFilesDir);

    if (scriptReader.ReadScript(variables.Lookup("SETUPFILE")) < 0) {
        MessageBoxA(nullptr, kScriptOpenFailure, "Fatal error", MB_OK | MB_ICONHAND);
        return 1;
    }

    INITCOMMONCONTROLSEX controls = {8, 0xFF};
    if (InitCommonControlsEx(&controls) != TRUE) {
        MessageBoxA(nullptr,
                    "InitCommonControlsEx failed. ComCtl32.dll is not properly installed. Setup "
                    "will be closed now.",
                    "Common controls not available", MB_OK | MB_ICONHAND);
        return -5;
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
