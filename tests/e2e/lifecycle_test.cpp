// An installation's life across runs: installed again, stopped, killed, then removed by its
// entry in the list of installed programs; each ends with nothing of the application left
// but what the user made, and nothing of anyone else's taken.
#include "e2e_test.h"

namespace e2e {
namespace {

const std::string kLater = R"("Main", "0", "2", "0", "0", "0", "0", "")"; // on disk 2

class LifecycleTest : public E2eTest {
  protected:
    void SetUp() override {
        E2eTest::SetUp();
        ASSERT_TRUE(
            CopyFileA(WinePath(VL_UNINSTALL_EXE).c_str(), At("VLUninstall.exe").c_str(), FALSE));
        for (const char* name : {"main.txt", "extra.txt", "shared.dat"})
            Put(name, std::string("bytes of ") + name);
    }
    std::string Key(const char* value = "DisplayName") const {
        return RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), value);
    }
    // The script of an installation with its uninstaller, then `lines`, then the copy.
    std::string Installing(std::initializer_list<std::string> lines) const {
        std::string script = Header() + Script({AddFile("VLUninstall.exe", "VLUninstall.exe")});
        for (const std::string& line : lines)
            script += line + "\r\n";
        return script + "ShowCopy();\r\n";
    }
    // The answers of a run: the second finds the uninstaller in place and replaces it.
    static std::vector<Step> Replacing(bool again) {
        if (!again)
            return {ExpectExit(0)};
        return {Answer("Overwrite file", IDC_OVERWRITE_ALL), ExpectExit(0)};
    }
    // The registered uninstaller with /quiet, as a deployment tool runs it.
    int Uninstall() {
        Wizard uninstaller(Target("VLUninstall.exe"), Target(), "/quiet");
        const std::optional<int> code = uninstaller.WaitForExit();
        EXPECT_TRUE(uninstaller.WaitForItsChildren());
        return code ? *code : -999;
    }
};

// Extra goes on the first run only: the second run's log still lists it, so the uninstaller
// removes what either run installed, folders too, and keeps the user's file.
TEST_F(LifecycleTest, SecondRunWithASectionLeftOutThenUninstall) {
    for (const char* extra : {"1", "0"}) {
        EXPECT_EQ(Run(Installing({"CreateSection(\"Extra\", \"" + std::string(extra) +
                                      "\", \"0\", \"e\");",
                                  "SetVariable(\"PROGRAMGROUP\", \"" + app + "\\Nested\");",
                                  AddFile("main.txt", "main.txt",
                                          R"("Main", "0", "1", "0", "0", "0", "1", "Main")"),
                                  "AddFile(\"[SP]\\main.txt\", \"[SP]\\outside\\deep\\main.txt\", "
                                  "\"Main\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");",
                                  AddFile("extra.txt", "extra\\extra.txt",
                                          R"("Extra", "0", "1", "0", "0", "0", "0", "")")}),
                      Replacing(*extra == '0')),
                  "")
            << extra;
        if (*extra == '1')
            Put("target\\user.txt", "the user's own");
    }
    EXPECT_TRUE(Exists(StartMenuPrograms() + "\\" + app + "\\Nested\\Main.lnk"));
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_EQ(Entries(Target()), std::vector<std::string>{"user.txt"});
    // Folders made for the application go when empty, wherever they are.
    EXPECT_FALSE(Exists(StartMenuPrograms() + "\\" + app));
    EXPECT_FALSE(Exists(At("outside")));
    EXPECT_EQ(Key(), "<no key>");
}

// A repair stopped at a disk prompt before it installed anything of its own: the earlier
// log and entry come back byte for byte, and still remove the earlier installation.
TEST_F(LifecycleTest, RepairQuitAtADiskPromptLeavesTheEarlierInstallation) {
    ASSERT_EQ(Run(Installing({AddFile("main.txt", "main.txt")}), {ExpectExit(0)}), "");
    const std::string log = ReadBytes(Target("Uninstall.log"));
    const std::string record = Key("UninstallLogRecord");
    EXPECT_EQ(Run(Installing({AddFile("disk2\\late.txt", "late.txt", kLater)}),
                  {Answer("Overwrite file", IDC_OVERWRITE_YES),
                   ExpectBox("late.txt", DiskPrompt(2), IDABORT),
                   ExpectBox(kQuit, kQuitText, IDYES), ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(Target("Uninstall.log")), log);
    EXPECT_EQ(Key("UninstallLogRecord"), record);
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_FALSE(Exists(Target()));
    EXPECT_EQ(Key(), "<no key>");
}

// One use per application, and a use nobody counted is kept: a file that was in place
// without a count stays after our uninstaller.
TEST_F(LifecycleTest, SharedFileCountedOncePerApplication) {
    const std::string shared = SystemDirectory() + "\\vle2e lifecycle.dat";
    const struct {
        const char* name;
        bool inPlaceBefore;
        int runs;
        long long countAfter; // -1: none
    } rows[] = {{"installed twice", false, 2, -1}, {"in place without a count", true, 1, 1}};
    for (const auto& row : rows) {
        DeleteFileA(shared.c_str());
        ForgetSharedCount(shared);
        if (row.inPlaceBefore)
            WriteBytes(shared, "bytes of shared.dat");
        for (int run = 0; run < row.runs; ++run)
            EXPECT_EQ(Run(Installing({AddFile("shared.dat", "vle2e lifecycle.dat",
                                              R"("Main", "1", "1", "0", "0", "0", "0", "")")}),
                          Replacing(run > 0)),
                      "")
                << row.name;
        EXPECT_EQ(SharedCount(shared), row.inPlaceBefore ? 2 : 1) << row.name;
        const std::string log = ReadBytes(Target("Uninstall.log"));
        EXPECT_EQ(log.find(shared), log.rfind(shared)) << row.name << ": listed once";
        EXPECT_EQ(Uninstall(), 0) << row.name;
        EXPECT_EQ(SharedCount(shared), row.countAfter) << row.name;
        EXPECT_EQ(Exists(shared), row.inPlaceBefore) << row.name;
        EXPECT_FALSE(Exists(Target())) << row.name;
    }
    DeleteFileA(shared.c_str());
    ForgetSharedCount(shared);
}

// Killed at a disk prompt after two files: the entry is there and its uninstaller takes the
// log of a run that never finished.
TEST_F(LifecycleTest, KilledRunIsListedAndRemovable) {
    // The uninstaller is named last, and installed first.
    EXPECT_EQ(Run(Header() + Script({AddFile("main.txt", "sub\\main.txt"),
                                     AddFile("extra.txt", "extra.txt"),
                                     AddFile("disk2\\late.txt", "late.txt", kLater),
                                     AddFile("VLUninstall.exe", "VLUninstall.exe"), "ShowCopy();"}),
                  {Do("wait for the prompt",
                      [](HWND) {
                          WaitUntil([] { return FindWindowA("#32770", "late.txt") != nullptr; });
                      })}),
              "");
    wizard.reset(); // TerminateProcess
    EXPECT_EQ(ReadBytes(Target("sub\\main.txt")), "bytes of main.txt");
    EXPECT_EQ(Key("UninstallString"), "\"" + Target("VLUninstall.exe") + "\"");
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_FALSE(Exists(Target()));
    EXPECT_EQ(Key(), "<no key>");
}

// A file held open goes at the next start: the entry stays until then, and a run after the
// restart finishes. Installed again before the restart, the file survives it.
TEST_F(LifecycleTest, FileInUseKeepsTheEntryUntilTheRestart) {
    for (const bool again : {false, true}) {
        ASSERT_EQ(Run(Installing({AddFile("main.txt", "main.txt")}), {ExpectExit(0)}), "");
        HANDLE held = CreateFileA(Target("main.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(Uninstall(), 3010);
        CloseHandle(held);
        EXPECT_EQ(Key(), app);
        if (again) {
            EXPECT_EQ(Run(Installing({AddFile("main.txt", "main.txt")}), Replacing(true)), "");
        }
        Wizard restart(SystemDirectory() + "\\wineboot.exe", "C:\\", "-r");
        EXPECT_EQ(restart.WaitForExit(), 0);
        EXPECT_EQ(Exists(Target("main.txt")), again);
        EXPECT_EQ(Uninstall(), 0);
        EXPECT_FALSE(Exists(Target()));
        EXPECT_EQ(Key(), "<no key>");
    }
}

TEST_F(LifecycleTest, SecondSetupWhileOneRunsChangesNothing) {
    ASSERT_EQ(Run(Header() + Script({"ShowWelcome();"}), {Page(IDC_WELCOME_TEXT)}), "");
    Wizard second(SetupExe(), SetupDir());
    EXPECT_EQ(Play(second, {ExpectBox("Setup",
                                      "Another setup is running. Let it finish, then start this "
                                      "setup again.",
                                      IDOK),
                            ExpectExit(1618)}),
              "");
    EXPECT_EQ(Play(*wizard, {Page(IDC_WELCOME_TEXT), Click(IDC_NEXT), ExpectExit(0)}), "");
}

} // namespace
} // namespace e2e
