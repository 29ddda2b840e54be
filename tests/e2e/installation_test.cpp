// Installations through the copy page, compared with what they must leave: the files, the
// uninstall log, the Uninstall entry and the shortcuts; and the faults during one that must
// lose nothing: a file in use, a missing disk, Cancel while a question is open.
#include "e2e_test.h"

#include <shlobj.h>

namespace e2e {
namespace {

const std::string kQuit = "Quit setup";
const std::string kQuitText =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";
const std::string kCopyThenAfter =
    Script({"ShowCopy();", R"(ShowMessage("after", "After copy", "", "NOW");)"});

std::string DiskPrompt(int disk) {
    return "Please insert disk " + std::to_string(disk) +
           " in order to continue setup. If you inserted correct disk and this message appears "
           "again, setup script may be corrupt.";
}

std::string ShortcutOf(const std::string& path) {
    std::string target(MAX_PATH, '\0');
    std::string description(MAX_PATH, '\0');
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    CoInitialize(nullptr);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(std::wstring(path.begin(), path.end()).c_str(), STGM_READ))) {
        link->GetPath(&target[0], MAX_PATH, nullptr, 0);
        link->GetDescription(&description[0], MAX_PATH);
    }
    if (file != nullptr)
        file->Release();
    if (link != nullptr)
        link->Release();
    CoUninitialize();
    return target.c_str() + std::string(" (") + description.c_str() + ")";
}

class InstallationTest : public E2eTest {
  protected:
    std::string Group() const { return StartMenuPrograms() + "\\" + app; }
    std::string Log() const { return ReadBytes(Target("Uninstall.log")); }
    std::string Entry(const std::string& name) const {
        return ShortPath(Target(name)) + "\r\nNONSHARED\r\n";
    }
    std::string Registry() const { return "[REGISTRY]\r\n" + UninstallKey(app) + "\r\n"; }
};

// The header is pinned here once; every other test compares what follows "[FILES]".
TEST_F(InstallationTest, CompleteInstallationLeavesFilesLogRegistryAndShortcut) {
    const std::string second(70000, '\x5A');
    Put("disk1\\first file.txt", "first file\r\ncontents\r\n");
    Put("disk2\\second.bin", second);
    Put("disk1\\doc.txt", "doc \xE9\xB4 bytes");
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(Run(Header() +
                      Script({R"(CreateSection("Docs", "0", "0", "d");)",
                              // Added first, installed last: sections go in their order.
                              AddFile("disk1\\doc.txt", "doc.txt",
                                      R"("Docs", "0", "1", "0", "0", "0", "0", "")"),
                              AddFile("disk1\\first file.txt", "first file.txt",
                                      R"("Main", "0", "1", "0", "0", "0", "1", "First")"),
                              AddFile("disk2\\second.bin", "sub\\second.bin",
                                      R"("Main", "0", "2", "0", "0", "0", "0", "")"),
                              "ShowSections();"}) +
                      kCopyThenAfter,
                  {Page(IDC_SECTIONS_LIST), Key(VK_DOWN, IDC_SECTIONS_LIST),
                   Key(VK_SPACE, IDC_SECTIONS_LIST), Click(IDC_NEXT),
                   ExpectBox("After copy", "after"), ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(Target("first file.txt")), "first file\r\ncontents\r\n");
    EXPECT_TRUE(ReadBytes(Target("sub\\second.bin")) == second);
    EXPECT_EQ(ReadBytes(Target("doc.txt")), "doc \xE9\xB4 bytes");
    const std::string link = Group() + "\\First.lnk";
    const std::string date = "DATE:" + std::to_string(now.wMonth) + "/" + std::to_string(now.wDay) +
                             "/" + std::to_string(now.wYear) + "\r\n";
    EXPECT_EQ(Log(), kUninstallLogHeader + date + "[FILES]\r\n" + Entry("first file.txt") + link +
                         "\r\nNONSHARED\r\n" + Entry("sub\\second.bin") + Entry("doc.txt") +
                         Registry());
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), app);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "UninstallString"),
              "\"" + Target("VLUninstall.exe") + "\"");
    EXPECT_EQ(ShortcutOf(link), Target("first file.txt") + " (First)");
}

TEST_F(InstallationTest, NoSectionChosenInstallsNothingAndStillRegisters) {
    Put("doc.txt", "d");
    EXPECT_EQ(Run(Header() + Script({R"(CreateSection("Docs", "0", "0", "d");)",
                                     AddFile("doc.txt", "doc.txt",
                                             R"("Docs", "0", "1", "0", "0", "0", "1", "Doc")"),
                                     "ShowCopy();"}),
                  {ExpectExit(0)}),
              "");
    EXPECT_EQ(LogAfterFiles(Log()), Registry());
    EXPECT_FALSE(Exists(Target("doc.txt")));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), app);
}

TEST_F(InstallationTest, NoProgramGroupMeansNoShortcutAndNoLogLine) {
    Put("app.txt", "app");
    EXPECT_EQ(Run(Header() + Script({AddFile("app.txt", "app.txt",
                                             R"("Main", "0", "1", "0", "0", "0", "1", "App")"),
                                     "ShowProgramGroup();", "ShowCopy();"}),
                  {Page(IDC_GROUP_NONE), Click(IDC_GROUP_NONE),
                   Expect("no group chosen",
                          [](HWND page) { return IsDlgButtonChecked(page, IDC_GROUP_NONE); }),
                   Click(IDC_NEXT), ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(Target("app.txt")), "app");
    EXPECT_EQ(LogAfterFiles(Log()), Entry("app.txt") + Registry());
    EXPECT_FALSE(Exists(Group() + "\\App.lnk"));
}

// Held open without sharing: the installation cannot replace it, says so and ends with the
// user's file whole. What the run made goes again; a file it replaced with the user's consent
// keeps its new contents and stays logged and registered, for the uninstaller.
TEST_F(InstallationTest, FileInUseEndsTheInstallationAndTakesBackWhatItMade) {
    Put("one.txt", "one");
    Put("two.txt", "new two");
    Put("target\\one.txt", "old one");
    Put("target\\two.txt", "the user's two");
    HANDLE held = CreateFileA(Target("two.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string result = Run(
        Header() +
            Script({AddFile("one.txt", "one.txt", R"("Main", "0", "1", "0", "0", "0", "1", "One")"),
                    AddFile("one.txt", "made.txt"), AddFile("two.txt", "two.txt"),
                    AddFile("one.txt", "three.txt")}) +
            kCopyThenAfter,
        {Answer("Overwrite file", IDC_OVERWRITE_YES), Answer("Overwrite file", IDC_OVERWRITE_YES),
         ExpectBox("two.txt", "Sharing violation occured, setup cannot install the file."),
         ExpectBox("two.txt", "File is in use and setup is not able to overwrite the file."),
         ExpectExit(0)});
    CloseHandle(held);
    EXPECT_EQ(result, "");
    EXPECT_EQ(ReadBytes(Target("two.txt")), "the user's two");
    EXPECT_EQ(ReadBytes(Target("one.txt")), "one");
    EXPECT_FALSE(Exists(Target("made.txt")));
    EXPECT_FALSE(Exists(Target("three.txt")));
    EXPECT_FALSE(Exists(Group()));
    EXPECT_EQ(LogAfterFiles(Log()), Entry("one.txt") + Registry());
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), app);
}

// The second of three files lies on disk 2, missing at first; `arrive` puts it there.
struct DiskCase {
    const char* name;
    std::vector<std::pair<int, bool>> answers; // button, whether the disk arrives before it
    bool installed;
    bool completed;
};

void PrintTo(const DiskCase& c, std::ostream* out) {
    *out << c.name;
}

class DiskPromptTest : public InstallationTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(DiskPromptTest, Answer) {
    const DiskCase& c = GetParam();
    Put("one.txt", "one");
    Put("three.txt", "three");
    std::vector<Step> steps;
    for (const auto& answer : c.answers) {
        if (answer.second)
            steps.push_back(Expect("the prompt is open", [](HWND) {
                return FindWindowA("#32770", "two.txt") != nullptr;
            }));
        if (answer.second)
            steps.push_back(Do("disk 2 arrives",
                               [](HWND) { WriteBytes(SetupDir() + "\\disk2\\two.txt", "two"); }));
        steps.push_back(answer.first == IDNO || answer.first == IDYES
                            ? ExpectBox(kQuit, kQuitText, answer.first)
                            : ExpectBox("two.txt", DiskPrompt(2), answer.first));
    }
    if (c.completed)
        steps.push_back(ExpectBox("After copy", "after"));
    steps.push_back(ExpectExit(0));
    EXPECT_EQ(Run(Header() +
                      Script({AddFile("one.txt", "one.txt"),
                              AddFile("disk2\\two.txt", "two.txt",
                                      R"("Main", "0", "2", "0", "0", "0", "0", "")"),
                              AddFile("three.txt", "three.txt")}) +
                      kCopyThenAfter,
                  steps),
              "");
    EXPECT_EQ(ReadBytes(Target("two.txt")), c.installed ? "two" : "<missing>");
    EXPECT_EQ(ReadBytes(Target("three.txt")), c.completed ? "three" : "<missing>");
    if (!c.completed) { // a quit mid-copy leaves nothing of the run behind
        EXPECT_FALSE(Exists(Target()));
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
        return;
    }
    EXPECT_EQ(LogAfterFiles(Log()), Entry("one.txt") + (c.installed ? Entry("two.txt") : "") +
                                        Entry("three.txt") + Registry());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DiskPromptTest,
    ::testing::Values(
        DiskCase{"Retry", {{IDRETRY, true}}, true, true},
        DiskCase{"Ignore", {{IDIGNORE, false}}, false, true},
        DiskCase{"AbortNoRetry", {{IDABORT, false}, {IDNO, false}, {IDRETRY, true}}, true, true},
        DiskCase{"AbortYes", {{IDABORT, false}, {IDYES, false}}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The disk prompt leaves the copy page usable: its Cancel asks the quit question, and Yes
// stops the file loop before the next file.
TEST_F(InstallationTest, CancelDuringAQuestionYesStopsBeforeTheNextFile) {
    Put("two.txt", "two");
    EXPECT_EQ(Run(Header() +
                      Script({AddFile("disk2\\one.txt", "one.txt",
                                      R"("Main", "0", "2", "0", "0", "0", "0", "")"),
                              AddFile("two.txt", "two.txt")}) +
                      kCopyThenAfter,
                  {Expect("a disk prompt", [](HWND) { return FindWindowA("#32770", "one.txt"); }),
                   Page(IDC_COPY_SECTION_PROGRESS), Click(IDC_CANCEL_PAGE),
                   ExpectBox(kQuit, kQuitText, IDYES),
                   // The prompt may go with the quit request; if it stays, Ignore leaves it.
                   Do("answer a prompt left open",
                      [](HWND) {
                          PostMessageA(FindWindowA("#32770", "one.txt"), WM_COMMAND, IDIGNORE, 0);
                      }),
                   ExpectExit(0)}),
              "");
    EXPECT_FALSE(Exists(Target()));
}

// Installed by the setup, removed by the uninstaller through its questions: what the run
// installed goes with the group, the key and its shared-file counts; a file of the user's
// stays with its directory, and so does a shared file that another program uses as well.
TEST_F(InstallationTest, UninstallerRemovesWhatTheSetupInstalled) {
    const std::string own = SystemDirectory() + "\\vle2e own.dat";
    const std::string other = SystemDirectory() + "\\vle2e other.dat";
    Put("app.txt", "app");
    Put("shared.dat", "shared");
    ASSERT_TRUE(
        CopyFileA(WinePath(VL_UNINSTALL_EXE).c_str(), At("VLUninstall.exe").c_str(), FALSE));
    const std::string shared = R"("Main", "1", "1", "0", "0", "0", "0", "")";
    EXPECT_EQ(
        Run(Header() + Script({AddFile("VLUninstall.exe", "VLUninstall.exe"),
                               AddFile("app.txt", "app.txt",
                                       R"("Main", "0", "1", "0", "0", "0", "1", "App")"),
                               AddFile("shared.dat", "vle2e own.dat", shared),
                               AddFile("shared.dat", "vle2e other.dat", shared), "ShowCopy();"}),
            {ExpectExit(0)}),
        "");
    EXPECT_EQ(SharedCount(own), 1);
    SetSharedCount(other, 2); // another program installs it too
    Put("target\\user.txt", "the user's own");
    const std::string caption = app + " Uninstall";
    const std::string result = Run(
        "",
        {ExpectBox(caption, "Do you want to remove " + app + " and all of its components?", IDYES),
         Answer(caption, IDYES), ExpectBoxThat(caption, [](const std::string&) { return true; }),
         ExpectExit(0)},
        Target("VLUninstall.exe"));
    EXPECT_EQ(SharedCount(other), 1);
    ForgetSharedCount(other);
    DeleteFileA(other.c_str());
    EXPECT_EQ(result, "");
    WaitUntil([&] { return !Exists(Target("VLUninstall.exe")); }); // it goes after it ends
    EXPECT_EQ(Entries(Target()), std::vector<std::string>{"user.txt"});
    EXPECT_FALSE(Exists(Group()));
    EXPECT_FALSE(Exists(own));
    EXPECT_EQ(SharedCount(own), -1);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
}

} // namespace
} // namespace e2e
