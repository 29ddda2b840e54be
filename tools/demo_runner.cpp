// Drives the demo installation without a person: starts VLSetup.exe in the
// prepared demo directory, goes through every page as a user would, saves a
// screenshot of each page, and prints what the installation left behind.
//
//   demo_runner.exe <VLSetup.exe> <setup directory> <screenshot directory>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "../tests/e2e/controls.h"
#include "../tests/e2e/driver.h"
#include "../tests/e2e/screen.h"

using namespace e2e;

namespace {

std::string shotDirectory;
int shotNumber = 0;

void Shot(const char* name) {
    Sleep(400); // let the page finish painting
    char file[64];
    std::snprintf(file, sizeof file, "%02d-%s.bmp", ++shotNumber, name);
    const std::string path = shotDirectory + "\\" + file;
    std::printf("screenshot %s%s\n", file, SaveScreenshot(path) ? "" : " FAILED");
}

bool Fail(const char* what) {
    std::printf("demo runner: %s\n", what);
    return false;
}

// Answers the questions an earlier demo run may cause (files already there).
void AnswerOverwriteQuestions(WizardProcess& wizard) {
    HWND question = wizard.Find({"#32770", std::string("Overwrite file"), 0});
    if (question != nullptr) {
        ClickButton(question, 1044); // "Overwrite every file"
    }
}

bool Drive(WizardProcess& wizard) {
    HWND page = wizard.WaitForPage(1001);
    if (page == nullptr)
        return Fail("no welcome page");
    Shot("welcome");
    HWND agree = ChildWithText(page, "I accept the licence terms");
    if (agree == nullptr)
        return Fail("no licence check box");
    ClickControl(agree);
    if (!WaitForNextEnabled(page, true))
        return Fail("Next stays disabled after accepting");
    Shot("welcome-accepted");
    ClickButton(page, kNextId);
    wizard.WaitUntilGone(page);

    page = wizard.WaitForPage(1029);
    if (page == nullptr)
        return Fail("no destination page");
    Shot("destination");
    ClickButton(page, kNextId);
    wizard.WaitUntilGone(page);

    page = wizard.WaitForPage(1009);
    if (page == nullptr)
        return Fail("no sections page");
    HWND list = Control(page, 1009);
    PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0); // to the optional Manual section
    PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0); // and choose it
    Shot("sections");
    ClickButton(page, kNextId);
    wizard.WaitUntilGone(page);

    page = wizard.WaitForPage(1030);
    if (page == nullptr)
        return Fail("no program group page");
    Shot("program-group");
    ClickButton(page, kNextId);
    wizard.WaitUntilGone(page);

    // The copy page works on its own; answer what an earlier run's files ask.
    MessageBoxInfo done;
    WaitUntil(
        [&] {
            AnswerOverwriteQuestions(wizard);
            done = ReadMessageBox(wizard.Find({"#32770", std::string("Setup complete"), 0}));
            return static_cast<bool>(done) || !wizard.IsRunning();
        },
        120000);
    if (!done)
        return Fail("no \"Setup complete\" message");
    Shot("complete");
    std::printf("message: %s\n", done.text.c_str());
    AnswerMessageBox(done.window, IDOK);
    return true;
}

void PrintRegistry(const std::string& appName) {
    const std::string keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appName;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::printf("registry: HKLM\\%s is missing\n", keyPath.c_str());
        return;
    }
    std::printf("registry: HKLM\\%s\n", keyPath.c_str());
    for (const char* name : {"DisplayName", "UninstallString"}) {
        char value[1024] = {};
        DWORD size = sizeof value - 1;
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
        std::printf("  %s = %s\n", name, value);
    }
    RegCloseKey(key);
}

void PrintShortcut(const std::string& linkPath) {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return;
    std::wstring wide(linkPath.begin(), linkPath.end());
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
        char target[MAX_PATH] = {};
        char description[MAX_PATH] = {};
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetDescription(description, MAX_PATH);
        std::printf("  %s -> %s (%s)\n", linkPath.c_str(), target, description);
    }
    if (file)
        file->Release();
    link->Release();
}

void PrintShortcuts(const std::string& group) {
    char programs[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE);
    const std::string folder = std::string(programs) + "\\" + group;
    std::printf("shortcuts in %s:\n", folder.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.lnk").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        PrintShortcut(folder + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::printf("usage: demo_runner <VLSetup.exe> <setup directory> <screenshot directory>\n");
        return 2;
    }
    shotDirectory = ToWinePath(argv[3]);
    CreateDirectoryA(shotDirectory.c_str(), nullptr);
    CoInitialize(nullptr);

    WizardProcess wizard(argv[1], ToWinePath(argv[2]));
    if (!wizard.Started()) {
        std::printf("demo runner: cannot start %s (error %lu)\n", argv[1], wizard.StartError());
        return 1;
    }
    const bool driven = Drive(wizard);
    const std::optional<int> exitCode = wizard.WaitForExit(30000);
    if (!exitCode) {
        Shot("stuck");
        wizard.Kill();
        std::printf("demo runner: the wizard did not end\n");
        return 1;
    }
    std::printf("VLSetup.exe exit code: %d\n", *exitCode);
    PrintRegistry("Velmora Demo");
    PrintShortcuts("Velmora Demo");
    CoUninitialize();
    return driven && *exitCode == 0 ? 0 : 1;
}
