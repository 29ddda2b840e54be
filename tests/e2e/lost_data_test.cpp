// Runs that once lost data or reported a failure as success: a run that must stop, files
// that must arrive whole and where the user put them, and shortcuts and registrations that
// must only name what is there. Each needs the whole program.
#include "e2e_test.h"

namespace e2e {
namespace {

const std::string kQuit = "Quit setup";
const std::string kQuitText =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";
const std::string kUninstallParent = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

HWND Background() {
    return FindWindowA("SETUPMAINCLASS_HALLO_WIE_GEHTS", nullptr);
}

Step Disabled(std::string what, std::function<HWND(HWND page)> window) {
    return Expect(what + " disabled under the box",
                  [window](HWND page) { return !IsWindowEnabled(window(page)); });
}

using LostDataTest = E2eTest;

// Closing the background window is a quit: nothing after it runs, nothing is installed.
TEST_F(LostDataTest, ClosingTheBackgroundWindowStopsTheRun) {
    Put("one.txt", "one");
    EXPECT_EQ(
        Run(Header() + Script({AddFile("one.txt", "one.txt"),
                               R"(ShowMessage("close it", "Before copy", "", "NOW");)",
                               "ShowCopy();", R"(ShowMessage("after", "After copy", "", "NOW");)",
                               "SetAppName();"}), // ends with 2 if the run goes on
            {Expect("the box is open",
                    [](HWND) { return FindWindowA("#32770", "Before copy") != nullptr; }),
             Do("close the background, then answer the box",
                [](HWND) {
                    PostMessageA(Background(), WM_CLOSE, 0, 0);
                    PostMessageA(FindWindowA("#32770", "Before copy"), WM_COMMAND, IDOK, 0);
                }),
             ExpectExit(0)}),
        "");
    EXPECT_FALSE(Exists(Target("one.txt")));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
}

// Parts listed by disk: each file's first part starts its own staging file.
TEST_F(LostDataTest, InterleavedSplitFilesArriveWhole) {
    for (const std::string name : {"x", "y"})
        for (const std::string disk : {"1", "2"})
            Put("disk" + disk + "\\" + name + "." + disk, name + disk + "-");
    const auto part = [](const std::string& name, const std::string& disk) {
        return AddFile("disk" + disk + "\\" + name + "." + disk, name + ".txt",
                       "\"Main\", \"0\", \"" + disk + "\", \"1\", \"" + (disk == "2" ? "1" : "0") +
                           "\", \"0\", \"0\", \"\"");
    };
    EXPECT_EQ(Run(Header() + Script({part("x", "1"), part("y", "1"), part("x", "2"), part("y", "2"),
                                     "ShowSections();", "ShowCopy();"}),
                  {Page(IDC_SECTIONS_LIST), Size(0, "12"), Click(IDC_NEXT), ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(Target("x.txt")), "x1-x2-");
    EXPECT_EQ(ReadBytes(Target("y.txt")), "y1-y2-");
}

// Without an application name no Uninstall entry is made, least of all on the shared key.
TEST_F(LostDataTest, NoApplicationNameRegistersNothing) {
    SavedRegistryValue name(HKEY_LOCAL_MACHINE, kUninstallParent, "DisplayName");
    SavedRegistryValue command(HKEY_LOCAL_MACHINE, kUninstallParent, "UninstallString");
    Put("one.txt", "one");
    EXPECT_EQ(Run(Script({R"(SetAppname("Mistyped");)", R"(SetVariable("DP", "[SP]\target\");)",
                          R"(CreateSection("Main", "1", "0", "m");)", AddFile("one.txt", "one.txt"),
                          "ShowCopy();"}),
                  {ExpectExit(0)}),
              "");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallParent, "UninstallString"), "<no value>");
    EXPECT_EQ(LogAfterFiles(ReadBytes(Target("Uninstall.log"))),
              ShortPath(Target("one.txt")) + "\r\nNONSHARED\r\n[REGISTRY]\r\n");
}

// A typed destination without a trailing backslash, several levels below an existing one.
TEST_F(LostDataTest, TypedDestinationIsCreatedAndJoinedWithASeparator) {
    Put("one.txt", "one");
    const std::string typed = SetupDir() + "\\New\\Sub\\Demo";
    EXPECT_EQ(
        Run(Script({"SetAppName(\"" + app + "\");", R"(CreateSection("Main", "1", "0", "m");)",
                    AddFile("one.txt", "one.txt"), "ShowDest();", "ShowCopy();"}),
            {Page(IDC_DEST_PATH), Click(IDC_DEST_ASK_CREATE), Type(IDC_DEST_PATH, typed),
             NextOn(true), Click(IDC_NEXT),
             ExpectBox("Directory does not exist",
                       "Directory does not exist, should it be created?", IDYES),
             ExpectExit(0)}),
        "");
    EXPECT_EQ(ReadBytes(typed + "\\one.txt"), "one");
    EXPECT_TRUE(Exists(typed + "\\Uninstall.log"));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "UninstallString"),
              "\"" + typed + "\\VLUninstall.exe\"");
}

// A file skipped at the disk prompt gets neither a shortcut nor a line for one.
TEST_F(LostDataTest, NoShortcutForAFileNotInstalled) {
    EXPECT_EQ(Run(Header() + Script({AddFile("disk2\\gone.txt", "gone.txt",
                                             R"("Main", "0", "2", "0", "0", "0", "1", "Gone")"),
                                     "ShowCopy();"}),
                  {ExpectBox("gone.txt",
                             "Please insert disk 2 in order to continue setup. If you inserted "
                             "correct disk and this message appears again, setup script may be "
                             "corrupt.",
                             IDIGNORE),
                   ExpectExit(0)}),
              "");
    EXPECT_FALSE(Exists(StartMenuPrograms() + "\\" + app + "\\Gone.lnk"));
    EXPECT_EQ(LogAfterFiles(ReadBytes(Target("Uninstall.log"))),
              "[REGISTRY]\r\n" + UninstallKey(app) + "\r\n");
}

// Keys typed ahead reach Next before the page-state check runs: Next checks the rule itself.
TEST_F(LostDataTest, TypedAheadShortDestinationIsRefused) {
    EXPECT_EQ(Run(Script({R"(SetAppName("Demo");)", "ShowDest();",
                          R"(ShowMessage("[DP]", "DP is", "", "NOW");)"}),
                  {Page(IDC_DEST_PATH), NextOn(true),
                   Burst("select all, type two characters and Enter",
                         [](HWND page) {
                             HWND field = GetDlgItem(page, IDC_DEST_PATH);
                             PostMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field),
                                          TRUE);
                             PostMessageA(field, EM_SETSEL, 0, -1);
                             PostMessageA(field, WM_CHAR, 'a', 1);
                             PostMessageA(field, WM_CHAR, 'b', 1);
                             PressKey(page, VK_RETURN, IDC_DEST_PATH);
                         }),
                   NextOn(false), Type(IDC_DEST_PATH, "C:\\ok"), NextOn(true), Click(IDC_NEXT),
                   ExpectBox("DP is", "C:\\ok"), ExpectExit(0)}),
              "");
}

// The boxes block what is under them, so that no second question or Next can come.
TEST_F(LostDataTest, BoxesDisableThePageAndTheBackground) {
    EXPECT_EQ(
        Run(Script(
                {R"(AddWindow("DIALOG_WELCOME", "info", "BUTTON", "Info", "0", "20", "250", "120", "275");)",
                 R"(ShowMessage("hello", "Info box", "info", "COMMAND");)", "ShowWelcome();",
                 R"(ShowMessage("now", "Now box", "", "NOW");)"}),
            {Page(IDC_NEXT), ClickText("Info"),
             Disabled("the page", [](HWND page) { return page; }), ExpectBox("Info box", "hello"),
             Click(IDC_CANCEL_PAGE), Disabled("the page", [](HWND page) { return page; }),
             ExpectBox(kQuit, kQuitText, IDNO), Click(IDC_NEXT),
             Disabled("the background", [](HWND) { return Background(); }),
             ExpectBox("Now box", "now"), ExpectExit(0)}),
        "");
}

// A row is highlighted exactly when its section will be installed, on every showing.
TEST_F(LostDataTest, SectionsShowWhatWillBeInstalledOnTheSecondShowing) {
    EXPECT_EQ(
        Run(Script({R"(CreateSection("Main", "1", "0", "m");)",
                    R"(CreateSection("Docs", "0", "0", "d");)",
                    R"(CreateSection("Extra", "2", "0", "e");)", "ShowSections();",
                    "ShowSections();"}),
            {Page(IDC_SECTIONS_LIST), Rows("101"), ClickListRow(1), Rows("111"), Click(IDC_NEXT),
             Page(IDC_SECTIONS_LIST), Rows("111"), Click(IDC_NEXT), ExpectExit(0)}),
        "");
}

} // namespace
} // namespace e2e
