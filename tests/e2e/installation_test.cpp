// Whole installations through the copy page: installed bytes, the uninstall log
// byte for byte, the Uninstall registry entry and the Start-menu shortcuts.
#include "controls.h"
#include "wizard_fixture.h"

#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace e2e {
namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string LogHeader() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[64];
    std::snprintf(date, sizeof date, "DATE:%u/%u/%u\r\n", now.wMonth, now.wDay, now.wYear);
    return std::string("QLUNLOG V1\r\n\r\nQUENLO UNINSTALLATION LOG FILE\r\n\r\n"
                       "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!\r\n"
                       "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!\r\n"
                       "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR SYSTEM, YOU\r\n"
                       "COULD BE UNABLE TO RESTART WINDOWS\r\n\r\n") +
           date + "[FILES]\r\n";
}

std::string RegistryValue(const std::string& appName, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + appName).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "<no key>";
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "<no value>";
    return type == REG_SZ ? std::string(value) : "<not REG_SZ>";
}

struct LinkInfo {
    std::string target;
    std::string description;
};

LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return info;
    IPersistFile* file = nullptr;
    std::wstring wide(path.begin(), path.end());
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
        char text[MAX_PATH] = {};
        link->GetPath(text, MAX_PATH, nullptr, 0);
        info.target = text;
        link->GetDescription(text, MAX_PATH);
        info.description = text;
    }
    if (file)
        file->Release();
    link->Release();
    return info;
}

void DeleteFolder(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..")
                DeleteFileA((path + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// Each test installs an application of its own name into its setup directory
// and removes the registry key and the program group it leaves behind.
class InstallationTest : public WizardTest {
  protected:
    void SetUp() override {
        WizardTest::SetUp();
        CoInitialize(nullptr);
        Cleanup();
    }
    void TearDown() override {
        WizardTest::TearDown();
        Cleanup();
        CoUninitialize();
    }
    void Cleanup() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + app_).c_str());
        DeleteFolder(Group());
    }

    std::string Group() const { return StartMenuProgramsFolder() + "\\" + app_; }
    std::string Target() { return Dir().PathOf("target"); }
    std::string Log() { return ReadBytes(Target() + "\\Uninstall.log"); }
    std::string RegistryPart() const { return "[REGISTRY]\r\n" + (kUninstallKey + app_) + "\r\n"; }
    std::string AppLine() const { return "SetAppName(\"" + app_ + "\");"; }

    std::string app_ =
        "VLTest " +
        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 40);
};

TEST_F(InstallationTest, InstallsSectionBySectionAndLogsRegistersAndLinks) {
    const std::string first = "first file\r\ncontents\r\n";
    const std::string second(70000, '\x5A');
    const std::string doc = "doc \xE9\xB4 bytes";
    ASSERT_TRUE(Dir().WriteFile("disk1\\first file.txt", first));
    ASSERT_TRUE(Dir().WriteFile("disk2\\second.bin", second));
    ASSERT_TRUE(Dir().WriteFile("disk1\\doc.txt", doc));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        AppLine().c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(CreateSection("Docs", "0", "0", "d");)",
        // Added first, installed last: sections go in their own order.
        R"(AddFile("[SP]\disk1\doc.txt", "[DP]\doc.txt", "Docs", "0", "1", "0", "0", "0", "0", "");)",
        R"(AddFile("[SP]\disk1\first file.txt", "[DP]\first file.txt", "Main", "0", "1", "0", "0", "0", "1", "First");)",
        R"(AddFile("[SP]\disk2\second.bin", "[DP]\sub\second.bin", "Main", "0", "2", "0", "0", "0", "0", "");)",
        "ShowSections();",
        "ShowCopy();",
        R"(ShowMessage("done", "Finished", "", "NOW");)",
    }));
    HWND page = wizard.WaitForPage(1009);
    ASSERT_TRUE(page);
    HWND list = Control(page, 1009);
    PostKey(list, VK_DOWN);
    PostKey(list, VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return (ListRowState(list, 1) & LVIS_SELECTED) != 0; }, 3000));
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("done", "Finished");
    ExpectExitCode(0);

    const std::string target = Target();
    EXPECT_EQ(ReadBytes(target + "\\first file.txt"), first) << "installed under its long name";
    EXPECT_EQ(ReadBytes(target + "\\sub\\second.bin"), second);
    EXPECT_EQ(ReadBytes(target + "\\doc.txt"), doc);

    const std::string link = Group() + "\\First.lnk";
    const std::string expectedLog =
        LogHeader() + ShortPath(target + "\\first file.txt") + "\r\nNONSHARED\r\n" + link +
        "\r\nNONSHARED\r\n" + ShortPath(target + "\\sub\\second.bin") + "\r\nNONSHARED\r\n" +
        ShortPath(target + "\\doc.txt") + "\r\nNONSHARED\r\n" + RegistryPart();
    EXPECT_EQ(Log(), expectedLog);

    EXPECT_EQ(RegistryValue(app_, "DisplayName"), app_);
    EXPECT_EQ(RegistryValue(app_, "UninstallString"), "\"" + target + "\\VLUninstall.exe\"");

    const LinkInfo info = ReadLink(link);
    EXPECT_EQ(info.target, target + "\\first file.txt");
    EXPECT_EQ(info.description, "First");
}

TEST_F(InstallationTest, NoSectionChosenStillLogsAndRegisters) {
    ASSERT_TRUE(Dir().WriteFile("disk1\\doc.txt", "d"));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        AppLine().c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Docs", "0", "0", "d");)",
        R"(AddFile("[SP]\disk1\doc.txt", "[DP]\doc.txt", "Docs", "0", "1", "0", "0", "0", "1", "Doc");)",
        "ShowCopy();",
    }));
    ExpectExitCode(0);
    (void)wizard;
    EXPECT_EQ(Log(), LogHeader() + RegistryPart());
    EXPECT_FALSE(Exists(Target() + "\\doc.txt"));
    EXPECT_EQ(RegistryValue(app_, "DisplayName"), app_);
    EXPECT_TRUE(Exists(Group())) << "the group folder is prepared before the sections";
}

TEST_F(InstallationTest, NoProgramGroupMeansNoFolderNoShortcutNoLogLine) {
    ASSERT_TRUE(Dir().WriteFile("disk1\\app.txt", "app"));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        AppLine().c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\app.txt", "[DP]\app.txt", "Main", "0", "1", "0", "0", "0", "1", "App");)",
        "ShowProgramGroup();",
        "ShowCopy();",
    }));
    HWND page = wizard.WaitForPage(1032);
    ASSERT_TRUE(page);
    ClickControl(Control(page, 1032));
    ASSERT_TRUE(WaitUntil([&] { return IsDlgButtonChecked(page, 1032) == BST_CHECKED; }, 3000));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
    EXPECT_EQ(ReadBytes(Target() + "\\app.txt"), "app");
    EXPECT_EQ(Log(), LogHeader() + ShortPath(Target() + "\\app.txt") + "\r\nNONSHARED\r\n" +
                         RegistryPart());
    EXPECT_FALSE(Exists(Group()));
}

TEST_F(InstallationTest, FatalFailureOnTheSecondFileEndsTheRunWithACompleteLog) {
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\two.txt", "new two"));
    ASSERT_TRUE(Dir().WriteFile("target\\two.txt", "the user's two"));
    // Held open without sharing: the installation cannot replace it.
    HANDLE held = CreateFileA((Target() + "\\two.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    WizardProcess& wizard = StartWithScript(CrLfScript({
        AppLine().c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\one.txt", "[DP]\one.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        R"(AddFile("[SP]\disk1\two.txt", "[DP]\two.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        R"(AddFile("[SP]\disk1\one.txt", "[DP]\three.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        "ShowCopy();",
        R"(ShowMessage("not reached", "After copy", "", "NOW");)",
    }));
    // The existing file is offered for overwriting first.
    HWND question = wizard.WaitFor({"#32770", std::string("Overwrite file"), 0});
    ASSERT_TRUE(question);
    ClickButton(question, 1012); // Yes
    bool sawInUse = false;
    WaitUntil(
        [&] {
            MessageBoxInfo box = ReadMessageBox(wizard.Find({"#32770", std::nullopt, 0xFFFF}));
            if (box) {
                if (box.text == "File is in use and setup is not able to overwrite the file.")
                    sawInUse = true;
                AnswerMessageBox(box.window, IDOK);
            }
            return !wizard.IsRunning();
        },
        30000);
    CloseHandle(held);
    EXPECT_TRUE(sawInUse);
    ExpectExitCode(0);
    EXPECT_FALSE(wizard.SawMessageText("not reached"));
    EXPECT_EQ(ReadBytes(Target() + "\\two.txt"), "the user's two") << "the user's file is kept";
    EXPECT_FALSE(Exists(Target() + "\\three.txt"));
    EXPECT_EQ(Log(), LogHeader() + ShortPath(Target() + "\\one.txt") + "\r\nNONSHARED\r\n" +
                         RegistryPart());
    EXPECT_EQ(RegistryValue(app_, "DisplayName"), app_);
}

TEST_F(InstallationTest, SecondCopyPageDoesNoWork) {
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        AppLine().c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\one.txt", "[DP]\one.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        "ShowCopy();",
        "ShowCopy();",
    }));
    // The first copy page works and ends itself; the second one stays, with
    // its template's texts, until the user leaves it.
    ASSERT_TRUE(WaitUntil([&] { return Log().find("[REGISTRY]") != std::string::npos; }, 20000));
    HWND second = wizard.WaitForPage(1028);
    ASSERT_TRUE(second);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(second));
    EXPECT_EQ(ControlText(second, 1033), "Static");
    EXPECT_EQ(ControlText(second, 1034), "Static");
    const std::string logAfterFirst = Log();
    ClickButton(second, kCancelId);
    MessageBoxInfo box = wizard.WaitForMessageBox("Quit setup");
    ASSERT_TRUE(box);
    AnswerMessageBox(box.window, IDYES);
    ExpectExitCode(0);
    EXPECT_EQ(Log(), logAfterFirst);
    EXPECT_EQ(logAfterFirst, LogHeader() + ShortPath(Target() + "\\one.txt") + "\r\nNONSHARED\r\n" +
                                 RegistryPart());
}

} // namespace
} // namespace e2e
