// Installations through the copy page, compared with what they must leave: the files, the
// uninstall log, the Uninstall entry and the shortcuts; and the faults during one that must
// lose nothing: a file in use, a missing disk, Cancel while a question is open.
#include "e2e_test.h"

namespace e2e {
namespace {

const std::string kCopyThenAfter =
    Script({"ShowCopy();", R"(ShowMessage("after", "After copy", "", "NOW");)"});

class InstallationTest : public E2eTest {
  protected:
    std::string Group() const { return StartMenuPrograms() + "\\" + app; }
    std::string Log() const { return ReadBytes(Target("Uninstall.log")); }
    std::string Entry(const std::string& name) const {
        return ShortPath(Target(name)) + "\r\nNONSHARED\r\n";
    }
    std::string Registry() const { return "[REGISTRY]\r\n" + UninstallKey(app) + "\r\n"; }
};

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
                             "/" + std::to_string(now.wYear) + "\r\n[FILES]\r\n";
    EXPECT_EQ(Log().substr(0, 12), "QLUNLOG V1\r\n"); // the rest of the header is the core's
    EXPECT_NE(Log().find("WINDOWS\r\n\r\n" + date), std::string::npos);
    EXPECT_EQ(LogAfterFiles(Log()), Entry("first file.txt") + link + "\r\nNONSHARED\r\n" +
                                        Entry("sub\\second.bin") + Entry("doc.txt") + Registry());
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), app);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "UninstallString"),
              "\"" + Target("VLUninstall.exe") + "\"");
    // The shortcut file holds its target's path and, in UTF-16, its description.
    EXPECT_NE(ReadBytes(link).find(Target("first file.txt") + '\0'), std::string::npos);
    EXPECT_NE(ReadBytes(link).find(std::string("F\0i\0r\0s\0t\0", 10)), std::string::npos);
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
                  {Page(IDC_GROUP_NONE), Click(IDC_GROUP_NONE), Click(IDC_NEXT), ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(Target("app.txt")), "app");
    EXPECT_EQ(LogAfterFiles(Log()), Entry("app.txt") + Registry());
    EXPECT_FALSE(Exists(Group() + "\\App.lnk"));
}

// Held open without sharing: the installation cannot replace it, says so and ends with the
// user's file whole. What the run made goes again; a file it replaced with the user's consent
// keeps its new contents and stays logged, and registered only beside the uninstaller (which
// came first); without one the log stays and the user is told where.
TEST_F(InstallationTest, FileInUseEndsTheInstallationAndTakesBackWhatItMade) {
    for (const bool withUninstaller : {true, false}) {
        Put("one.txt", "one");
        Put("two.txt", "new two");
        Put("target\\one.txt", "old one");
        Put("target\\two.txt", "the user's two");
        Put("VLUninstall.exe", ReadBytes(WinePath(VL_UNINSTALL_EXE)));
        HANDLE held = CreateFileA(Target("two.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::vector<Step> steps = {
            Answer("Overwrite file", IDC_OVERWRITE_YES),
            Answer("Overwrite file", IDC_OVERWRITE_YES),
            ExpectBox("two.txt", "Sharing violation occured, setup cannot install the file."),
            ExpectBox("two.txt", "File is in use and setup is not able to overwrite the file.")};
        if (!withUninstaller)
            steps.push_back(
                ExpectBox("Setup", "Setup has stopped. Some files it installed stay, and no "
                                   "uninstaller is there to remove them; they are listed in " +
                                       Target("Uninstall.log") + "."));
        steps.push_back(ExpectExit(0));
        const std::string result =
            Run(Header() +
                    Script({AddFile("one.txt", "one.txt",
                                    R"("Main", "0", "1", "0", "0", "0", "1", "One")"),
                            withUninstaller ? AddFile("VLUninstall.exe", "VLUninstall.exe") : "",
                            AddFile("one.txt", "made.txt"), AddFile("two.txt", "two.txt"),
                            AddFile("one.txt", "three.txt")}) +
                    kCopyThenAfter,
                steps);
        CloseHandle(held);
        EXPECT_EQ(result, "");
        EXPECT_EQ(ReadBytes(Target("two.txt")), "the user's two");
        EXPECT_EQ(ReadBytes(Target("one.txt")), "one");
        EXPECT_FALSE(Exists(Target("made.txt")));
        EXPECT_FALSE(Exists(Target("three.txt")));
        EXPECT_FALSE(Exists(Group()));
        EXPECT_EQ(LogAfterFiles(Log()), (withUninstaller ? Entry("VLUninstall.exe") : "") +
                                            Entry("one.txt") + Registry());
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"),
                  withUninstaller ? app : "<no key>");
        RemoveTree(Target());
        RemoveUninstallEntry(app);
    }
}

// The second of three files lies on disk 2, missing at first. It gets a shortcut, or neither
// a shortcut nor a line for one when it is not installed. The prompt leaves the copy page
// usable: its Cancel asks the quit question, and Yes stops the file loop before the next file.
struct DiskCase {
    const char* name;
    std::vector<Step> steps;
    bool installed;
    bool completed;
};

void PrintTo(const DiskCase& c, std::ostream* out) {
    *out << c.name;
}

Step Prompt(int answer) {
    return ExpectBox("two.txt", DiskPrompt(2), answer);
}

Step Arrives() {
    return Do("disk 2 arrives while the prompt is open", [](HWND) {
        WaitUntil([] { return FindWindowA("#32770", "two.txt") != nullptr; });
        WriteBytes(SetupDir() + "\\disk2\\two.txt", "two");
    });
}

class DiskPromptTest : public InstallationTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(DiskPromptTest, Answer) {
    const DiskCase& c = GetParam();
    Put("one.txt", "one");
    Put("three.txt", "three");
    std::vector<Step> steps = c.steps;
    if (c.completed)
        steps.push_back(ExpectBox("After copy", "after"));
    steps.push_back(ExpectExit(0));
    EXPECT_EQ(Run(Header() +
                      Script({AddFile("one.txt", "one.txt"),
                              AddFile("disk2\\two.txt", "two.txt",
                                      R"("Main", "0", "2", "0", "0", "0", "1", "Two")"),
                              AddFile("three.txt", "three.txt")}) +
                      kCopyThenAfter,
                  steps),
              "");
    EXPECT_EQ(ReadBytes(Target("two.txt")), c.installed ? "two" : "<missing>");
    EXPECT_EQ(ReadBytes(Target("three.txt")), c.completed ? "three" : "<missing>");
    EXPECT_EQ(Exists(Group() + "\\Two.lnk"), c.installed);
    if (!c.completed) { // a quit mid-copy leaves nothing of the run behind
        EXPECT_FALSE(Exists(Target()));
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
        return;
    }
    const std::string two = Entry("two.txt") + Group() + "\\Two.lnk\r\nNONSHARED\r\n";
    EXPECT_EQ(LogAfterFiles(Log()),
              Entry("one.txt") + (c.installed ? two : "") + Entry("three.txt") + Registry());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DiskPromptTest,
    ::testing::Values(
        DiskCase{"Ignore", {Prompt(IDIGNORE)}, false, true},
        DiskCase{"AbortNoRetry",
                 {Prompt(IDABORT), ExpectBox(kQuit, kQuitText, IDNO), Arrives(), Prompt(IDRETRY)},
                 true,
                 true},
        DiskCase{"AbortYes", {Prompt(IDABORT), ExpectBox(kQuit, kQuitText, IDYES)}, false, false},
        DiskCase{"CancelYes",
                 {Page(IDC_COPY_SECTION_PROGRESS),
                  Expect("the prompt is open",
                         [](HWND) { return FindWindowA("#32770", "two.txt") != nullptr; }),
                  Click(IDC_CANCEL_PAGE), ExpectBox(kQuit, kQuitText, IDYES),
                  // The prompt may go with the quit request; if it stays, Ignore leaves it.
                  Do("answer a prompt left open",
                     [](HWND) {
                         PostMessageA(FindWindowA("#32770", "two.txt"), WM_COMMAND, IDIGNORE, 0);
                     })},
                 false,
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// Installed by the setup, removed by the uninstaller through its questions: what the run
// installed goes with the group, the key and the shared-file count; a file of the user's
// stays with its directory.
TEST_F(InstallationTest, UninstallerRemovesWhatTheSetupInstalled) {
    const std::string shared = SystemDirectory() + "\\vle2e shared.dat";
    Put("app.txt", "app");
    Put("shared.dat", "shared");
    ASSERT_TRUE(
        CopyFileA(WinePath(VL_UNINSTALL_EXE).c_str(), At("VLUninstall.exe").c_str(), FALSE));
    EXPECT_EQ(Run(Header() + Script({AddFile("VLUninstall.exe", "VLUninstall.exe"),
                                     AddFile("app.txt", "app.txt",
                                             R"("Main", "0", "1", "0", "0", "0", "1", "App")"),
                                     AddFile("shared.dat", "vle2e shared.dat",
                                             R"("Main", "1", "1", "0", "0", "0", "0", "")"),
                                     "ShowCopy();"}),
                  {ExpectExit(0)}),
              "");
    EXPECT_EQ(SharedCount(shared), 1);
    Put("target\\user.txt", "the user's own");
    const std::string caption = app + " Uninstall";
    EXPECT_EQ(Run("",
                  {ExpectBox(caption,
                             "Do you want to remove " + app + " and all of its components?", IDYES),
                   Answer(caption, IDYES),
                   ExpectBoxThat(caption, [](const std::string&) { return true; }), ExpectExit(0)},
                  Target("VLUninstall.exe")),
              "");
    EXPECT_TRUE(wizard->WaitForItsChildren()); // its file goes after it ends
    EXPECT_EQ(Entries(Target()), std::vector<std::string>{"user.txt"});
    EXPECT_FALSE(Exists(Group()));
    EXPECT_FALSE(Exists(shared));
    EXPECT_EQ(SharedCount(shared), -1);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
}

// A typed destination without a trailing backslash, several levels below an existing one:
// No to the question keeps the page, Yes makes every level. Without an application name no
// Uninstall entry is made, least of all on the shared key.
TEST_F(InstallationTest, TypedDestinationIsMadeAndNoApplicationNameRegistersNothing) {
    const std::string parent = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    SavedRegistryValue name(HKEY_LOCAL_MACHINE, parent, "DisplayName");
    SavedRegistryValue command(HKEY_LOCAL_MACHINE, parent, "UninstallString");
    SavedRegistryValue atTheRoot(HKEY_LOCAL_MACHINE, "", "UninstallString"); // an empty key path
    Put("one.txt", "one");
    const std::string typed = SetupDir() + "\\New\\Sub\\Demo";
    const auto question = [](int answer) {
        return ExpectBox("Directory does not exist",
                         "Directory does not exist, should it be created?", answer);
    };
    EXPECT_EQ(Run(Script({R"(SetAppname("Mistyped");)", R"(CreateSection("Main", "1", "0", "m");)",
                          AddFile("one.txt", "one.txt"), "ShowDest();", "ShowCopy();"}),
                  {Page(IDC_DEST_PATH), Click(IDC_DEST_ASK_CREATE), Type(IDC_DEST_PATH, typed),
                   NextOn(true), Click(IDC_NEXT), question(IDNO), Click(IDC_NEXT), question(IDYES),
                   ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(typed + "\\one.txt"), "one");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, parent, "UninstallString"), "<no value>");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "", "UninstallString"), "<no value>");
    EXPECT_EQ(LogAfterFiles(ReadBytes(typed + "\\Uninstall.log")),
              ShortPath(typed + "\\one.txt") + "\r\nNONSHARED\r\n[REGISTRY]\r\n");
}

// Cancel while the copy runs: the page answers during a large file, which the version service
// copies on a worker thread; Yes stops before the next file and what the run made goes again.
// The click is posted while the wizard's thread is held, so it arrives during the copy.
TEST_F(InstallationTest, CancelDuringTheCopyStopsItAndTakesBackTheFiles) {
    HANDLE large = CreateFileA(At("large.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 256ll << 20;
    ASSERT_TRUE(SetFilePointerEx(large, size, nullptr, FILE_BEGIN) && SetEndOfFile(large));
    CloseHandle(large);
    Put("small.txt", "small");
    std::string script = Header() + Script({AddFile("large.bin", "large.bin")});
    for (int i = 0; i < 50; ++i)
        script += AddFile("small.txt", "small" + std::to_string(i) + ".txt") + "\r\n";
    EXPECT_EQ(Run(script + kCopyThenAfter,
                  {Page(IDC_COPY_SECTION_PROGRESS),
                   Burst("Cancel",
                         [](HWND page) {
                             PostMessageA(GetDlgItem(page, IDC_CANCEL_PAGE), BM_CLICK, 0, 0);
                         }),
                   ExpectBox(kQuit, kQuitText, IDYES), ExpectExit(0)}),
              "");
    EXPECT_FALSE(Exists(Target()));
}

} // namespace
} // namespace e2e
