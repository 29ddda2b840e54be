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

} // namespace
} // namespace e2e
