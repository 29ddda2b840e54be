// Drives the demo installation without a person: starts VLSetup.exe in the
// prepared demo directory, goes through every page as a user would, saves a
// screenshot of each page, and prints what the installation left behind.
//
//   demo_runner.exe <VLSetup.exe> <setup directory> <screenshot directory>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "driver.h"
#include "resources/resource_ids.h"
#include "screen.h"
#include "test_support.h"

using namespace e2e;

namespace {

std::string shotDirectory;
int shotNumber = 0;

Step Shot(const char* name) {
    return Do(std::string("screenshot ") + name, [name](HWND) {
        Sleep(400); // let the page finish painting
        char file[64];
        std::snprintf(file, sizeof file, "%02d-%s.bmp", ++shotNumber, name);
        const bool saved = demo::SaveScreenshot(shotDirectory + "\\" + file);
        std::printf("screenshot %s%s\n", file, saved ? "" : " FAILED");
    });
}

// The copy page works on its own; an earlier demo run's files are overwritten.
Step OverwriteEveryFileUntilDone() {
    return Do("answer overwrite questions", [](HWND) {
        WaitUntil(
            [] {
                if (HWND question = FindWindowA("#32770", "Overwrite file"))
                    PostMessageA(GetDlgItem(question, IDC_OVERWRITE_ALL), BM_CLICK, 0, 0);
                return FindWindowA("#32770", "Setup complete") != nullptr;
            },
            120000);
    });
}

bool Drive(Wizard& wizard) {
    const std::string problem =
        Play(wizard, {Page(IDC_WELCOME_TEXT),
                      Shot("welcome"),
                      ClickText("Licence terms"),
                      Shot("welcome-licence"),
                      ExpectBoxThat("Licence terms", [](const std::string&) { return true; }),
                      NextOn(true),
                      Click(IDC_NEXT),
                      Page(IDC_DEST_ASK_CREATE),
                      Shot("destination"),
                      Click(IDC_NEXT),
                      Page(IDC_SECTIONS_LIST),
                      Key(VK_DOWN, IDC_SECTIONS_LIST),
                      Key(VK_SPACE, IDC_SECTIONS_LIST), // the Manual
                      Shot("sections"),
                      Click(IDC_NEXT),
                      Page(IDC_GROUP_CREATE_NEW),
                      Shot("program-group"),
                      Click(IDC_NEXT),
                      OverwriteEveryFileUntilDone(),
                      Shot("complete"),
                      ExpectBoxThat("Setup complete", [](const std::string& text) {
                          std::printf("message: %s\n", text.c_str());
                          return true;
                      })});
    if (!problem.empty())
        std::printf("demo runner: %s\n", problem.c_str());
    return problem.empty();
}

void PrintRegistry(const std::string& appName) {
    const std::string keyPath =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appName;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::printf("registry: HKLM\\%s is missing\n", keyPath.c_str());
        return;
    }
    std::printf("registry: HKLM\\%s\n", keyPath.c_str());
    for (DWORD i = 0;; ++i) {
        char name[256] = {};
        DWORD nameSize = sizeof name;
        BYTE value[1024] = {};
        DWORD size = sizeof value - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, value, &size) != ERROR_SUCCESS)
            break;
        if (type == REG_DWORD)
            std::printf("  %s = %lu\n", name, *reinterpret_cast<DWORD*>(value));
        else
            std::printf("  %s = %s\n", name, reinterpret_cast<char*>(value));
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
    shotDirectory = vltest::WinePath(argv[3]);
    CreateDirectoryA(shotDirectory.c_str(), nullptr);
    CoInitialize(nullptr);

    Wizard wizard(vltest::WinePath(argv[1]), vltest::WinePath(argv[2]));
    if (!wizard.Running() && !wizard.WaitForExit(0)) {
        std::printf("demo runner: cannot start %s\n", argv[1]);
        return 1;
    }
    const bool driven = Drive(wizard);
    const std::optional<int> exitCode = wizard.WaitForExit(30000);
    if (!exitCode) {
        HWND none = nullptr;
        Shot("stuck").run(wizard, none); // the wizard is killed when it goes out of scope
        std::printf("demo runner: the wizard did not end\n");
        return 1;
    }
    std::printf("VLSetup.exe exit code: %d\n", *exitCode);
    PrintRegistry("Velmora Demo");
    PrintShortcuts("Velmora Demo");
    CoUninitialize();
    return driven && *exitCode == 0 ? 0 : 1;
}
