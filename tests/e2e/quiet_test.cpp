// Unattended installation: VLSetup.exe /quiet, as deployment tools start it. No window
// comes up at any moment; the run's log says what happened; the exit code says how it ended.
#include "e2e_test.h"

namespace e2e {
namespace {

struct QuietCase {
    const char* name;
    std::string arguments; // after /quiet /log=...; {dir} stands for the setup directory
    std::string script;    // after the header
    int exitCode;
    std::vector<std::string> installed; // below the target, or "" for nothing at all
    std::string logLine;                // a line the run's log holds
};

void PrintTo(const QuietCase& c, std::ostream* out) {
    *out << c.name;
}

const std::string kSections =
    Script({R"(CreateSection("Extra", "0", "0", "e");)",
            AddFile("app.txt", "app.txt", R"("Main", "0", "1", "0", "0", "0", "1", "App")"),
            AddFile("extra.txt", "extra.txt", R"("Extra", "0", "1", "0", "0", "0", "0", "")")});
const std::string kPages = Script(
    {"ShowWelcome();", "ShowDest();", "ShowSections();", "ShowProgramGroup();", "ShowCopy();"});

class QuietTest : public E2eTest, public ::testing::WithParamInterface<QuietCase> {};

TEST_P(QuietTest, Run) {
    const QuietCase& c = GetParam();
    Put("app.txt", "app");
    Put("extra.txt", "extra");
    ASSERT_TRUE(WriteBytes(At("SetupScript.ini"), Header() + c.script));
    std::string arguments = c.arguments;
    if (arguments.find("{dir}") != std::string::npos)
        arguments.replace(arguments.find("{dir}"), 5, SetupDir());
    Wizard run(SetupExe(), SetupDir(), "/quiet \"/log=" + At("run.log") + "\" " + arguments);
    bool windowSeen = false;
    for (; run.Running(); Sleep(10))
        windowSeen = windowSeen || !run.Windows().empty();
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(run.WaitForExit(), std::optional<int>(c.exitCode));
    const std::string log = ReadBytes(At("run.log"));
    EXPECT_NE(log.find(c.logLine), std::string::npos) << log;
    EXPECT_NE(log.find("exit code " + std::to_string(c.exitCode)), std::string::npos) << log;
    if (c.installed.empty()) {
        EXPECT_FALSE(Exists(Target())) << "nothing installed";
        EXPECT_FALSE(Exists(Target("..\\My Target")));
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
        return;
    }
    std::vector<std::string> expected = c.installed;
    const std::string dir =
        c.arguments.find("/dir") != std::string::npos ? At("My Target") : Target();
    EXPECT_EQ(Entries(dir), expected);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), app);
    EXPECT_TRUE(Exists(StartMenuPrograms() + "\\" + app + "\\App.lnk"));
}

INSTANTIATE_TEST_SUITE_P(
    Switches, QuietTest,
    ::testing::Values(
        QuietCase{"Defaults",
                  "",
                  kSections + kPages,
                  0,
                  {"Uninstall.log", "app.txt"},
                  "\\target\\app.txt"},
        QuietCase{"DirWithBlanksAndSections",
                  "\"/dir={dir}\\My Target\" -SECTIONS=Extra",
                  kSections + kPages,
                  0,
                  {"Uninstall.log", "app.txt", "extra.txt"},
                  "sections Main, Extra"},
        QuietCase{"MissingDiskTakesBack",
                  "",
                  kSections +
                      Script({AddFile("disk2\\late.txt", "late.txt",
                                      R"("Main", "0", "2", "0", "0", "0", "0", "")")}) +
                      kPages,
                  1603,
                  {},
                  "answered Abort"},
        QuietCase{
            "NextRuleNeedsAPerson",
            "",
            kSections +
                Script(
                    {R"(AddWindow("DIALOG_WELCOME", "agree", "CHECKBOX", "I agree", "0", "10", "10", "200", "30");)",
                     R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "agree", "VALUE", "1");)"}) +
                kPages,
            1603,
            {},
            "needs a person"},
        QuietCase{"UnknownSection",
                  "/sections=Extr",
                  kSections + kPages,
                  1639,
                  {},
                  "the script does not have: Extr"},
        QuietCase{"BadSwitch", "/bogus", kSections + kPages, 1639, {}, "unknown switch: /bogus"}),
    [](const auto& info) { return std::string(info.param.name); });

// Unattended, the overwrite question is answered Yes only for what an earlier installation of
// the application put there: a repair replaces its own file, never the user's.
TEST_F(E2eTest, QuietRunOverwritesOnlyWhatTheApplicationInstalled) {
    Put("target\\other.txt", "the user's");
    ASSERT_TRUE(WriteBytes(At("SetupScript.ini"),
                           Header() + Script({AddFile("app.txt", "app.txt"),
                                              AddFile("other.txt", "other.txt"), "ShowCopy();"})));
    for (const char* version : {"version 1", "version 2"}) {
        Put("app.txt", version);
        Put("other.txt", version);
        Wizard run(SetupExe(), SetupDir(), "/quiet /log=" + At("run.log"));
        EXPECT_EQ(run.WaitForExit(), std::optional<int>(0));
        EXPECT_EQ(ReadBytes(Target("app.txt")), version);
        EXPECT_EQ(ReadBytes(Target("other.txt")), "the user's");
    }
}

// A shared library in use is replaced when Windows restarts: installed, and the exit code
// asks for the restart.
TEST_F(E2eTest, QuietRunWithAFileReplacedAtRestartEndsWith3010) {
    PendingRenames renames;
    const std::string busy = SystemDirectory() + "\\vle2e_quiet.dll";
    ASSERT_TRUE(CopyFileA(WinePath(VL_TEST_FILES "/vlsrv_2_0.dll").c_str(), busy.c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(WinePath(VL_TEST_FILES "/vlsrv_3_1.dll").c_str(), At("new.dll").c_str(), FALSE));
    ASSERT_TRUE(
        WriteBytes(At("SetupScript.ini"),
                   Header() + Script({AddFile("new.dll", "vle2e_quiet.dll",
                                              R"("Main", "1", "1", "0", "0", "0", "0", "")"),
                                      "ShowCopy();"})));
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    Wizard run(SetupExe(), SetupDir(), "/quiet /log=" + At("run.log"));
    EXPECT_EQ(run.WaitForExit(), std::optional<int>(3010)) << ReadBytes(At("run.log"));
    CloseHandle(held);
    EXPECT_NE(ReadBytes(At("run.log")).find("replaced when Windows restarts: " + busy),
              std::string::npos);
    DeleteFileA(busy.c_str());
    ForgetSharedCount(busy);
}

} // namespace
} // namespace e2e
