// Start-up, the script's reading and the interpreter's outcomes, seen from outside: the
// windows the wizard shows, the messages it gives and its exit code.
#include "wizard_fixture.h"

namespace e2e {
namespace {

constexpr char kFatalCaption[] = "Fatal error";
constexpr char kMissingScriptText[] =
    "Could not open 'SetupScript.INI' in setup directory. Setup cannot be continued.";
constexpr char kSyntaxErrorText[] = "Syntax error in 'SetupScript.INI': Function is not "
                                    "defined (possibly wrong parameter count?)\nSetup cannot "
                                    "be continued.";

using StartupTest = WizardTest;

TEST_F(StartupTest, MissingScriptShowsFatalErrorOverSplashAndExitsWithOne) {
    WizardProcess& wizard = Start();
    EXPECT_TRUE(wizard.WaitForSplash()) << "the splash window never showed";
    const MessageBoxInfo box = wizard.WaitForMessageBox(kFatalCaption);
    ASSERT_TRUE(box) << "no \"Fatal error\" box";
    EXPECT_EQ(box.text, kMissingScriptText);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(box.hasIcon);
    EXPECT_TRUE(wizard.Find({kSplashClass, std::nullopt, 0})) << "the splash window went away";

    AnswerMessageBox(box.window, IDOK);
    ExpectExitCode(1);
    EXPECT_FALSE(wizard.SawClass(kBackgroundClass));
}

TEST_F(StartupTest, ScriptComesFromTheCurrentDirectoryNotTheProgramDirectory) {
    // The program lives in the build tree; the setup directory is elsewhere.
    StartWithScript(CrLfScript({R"(ShowMessage("[SP]|[SETUPFILE]", "Where", "", "NOW");)"}));
    ExpectNowMessageAndConfirm(Dir().Path() + "|" + Dir().Path() + "\\SetupScript.ini", "Where");
    ExpectExitCode(0);
}

// Scripts without a single statement: the wizard ends on its own with exit code 0.
struct ScriptCase {
    const char* name;
    const char* script;
};

std::string CaseName(const ::testing::TestParamInfo<ScriptCase>& info) {
    return info.param.name;
}

class ScriptWithoutStatementsTest : public WizardTest,
                                    public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptWithoutStatementsTest, ExitsWithZero) {
    StartWithScript(GetParam().script);
    ExpectExitCode(0);
    EXPECT_FALSE(Wizard().SawClass(kDialogClass)) << "a page or message box was shown";
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptWithoutStatementsTest,
    ::testing::Values(ScriptCase{"EmptyFile", ""}, ScriptCase{"BlankLines", "\r\n\r\n  \t\r\n"},
                      ScriptCase{"CommentsOnly", "// only a comment\r\n// and another\r\n"}),
    CaseName);

// Statements whose names are no command are skipped, whatever their arguments; the script
// goes on with the next statement.
class UnknownStatementTest : public WizardTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(UnknownStatementTest, IsSkippedAndTheScriptGoesOn) {
    StartWithScript(std::string(GetParam().script) + "\r\n" +
                    R"(ShowMessage("after", "Next statement", "", "NOW");)" + "\r\n");
    ExpectNowMessageAndConfirm("after", "Next statement");
    ExpectExitCode(0);
    EXPECT_FALSE(Wizard().SawMessageText(kSyntaxErrorText));
}

INSTANTIATE_TEST_SUITE_P(Statements, UnknownStatementTest,
                         ::testing::Values(ScriptCase{"UnknownName", R"(Foo("x");)"},
                                           ScriptCase{"NameInOtherCaseWithWrongCount",
                                                      R"(SetAppname("x", "y");)"},
                                           ScriptCase{"PageNameInOtherCase", "showwelcome();"},
                                           ScriptCase{"BareWord", "Hello"}),
                         CaseName);

// A known command with the wrong number of arguments ends the run with the syntax-error box
// and exit code 2; statements before it have run, none after it does.
struct SyntaxErrorCase {
    const char* name;
    std::string script;
    bool pageFirst; // the script shows the welcome page before the faulty statement
};

class SyntaxErrorTest : public WizardTest, public ::testing::WithParamInterface<SyntaxErrorCase> {};

TEST_P(SyntaxErrorTest, ShowsFatalErrorAndExitsWithTwo) {
    WizardProcess& wizard = StartWithScript(GetParam().script);
    if (GetParam().pageFirst) {
        HWND page = wizard.WaitForPage();
        ASSERT_TRUE(page) << "the welcome page never showed";
        ClickButton(page, kNextId);
    }
    const MessageBoxInfo box = wizard.WaitForMessageBox(kFatalCaption);
    ASSERT_TRUE(box) << "no \"Fatal error\" box";
    EXPECT_EQ(box.text, kSyntaxErrorText);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(box.hasIcon);
    EXPECT_TRUE(wizard.Find({kBackgroundClass, std::nullopt, 0}))
        << "the box is not shown over the background window";

    AnswerMessageBox(box.window, IDOK);
    ExpectExitCode(2);
    EXPECT_FALSE(wizard.SawMessageText("after")) << "a statement after the error ran";
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, SyntaxErrorTest,
    ::testing::Values(
        SyntaxErrorCase{"SetAppNameWithoutArgument",
                        CrLfScript({"SetAppName();", R"(ShowMessage("after", "c", "", "NOW");)"}),
                        false},
        SyntaxErrorCase{"AddFileWithNineArguments",
                        CrLfScript({R"(AddFile("a", "b", "c", "0", "1", "0", "0", "0", "1");)",
                                    R"(ShowMessage("after", "c", "", "NOW");)"}),
                        false},
        SyntaxErrorCase{
            "PageCommandWithAnArgument",
            CrLfScript({R"(ShowWelcome("x");)", R"(ShowMessage("after", "c", "", "NOW");)"}),
            false},
        SyntaxErrorCase{"ShowMessageWithFiveArgumentsUnixLineEnds",
                        "ShowMessage(\"a\", \"b\", \"c\", \"NOW\", \"e\");\n"
                        "ShowMessage(\"after\", \"c\", \"\", \"NOW\");\n",
                        false},
        SyntaxErrorCase{"SetAppNameWithoutArgumentAfterAPage",
                        CrLfScript({"ShowWelcome();", "SetAppName();",
                                    R"(ShowMessage("after", "c", "", "NOW");)"}),
                        true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, StatementsBeforeASyntaxErrorRun) {
    WizardProcess& wizard =
        StartWithScript(CrLfScript({R"(ShowMessage("before", "First", "", "NOW");)",
                                    R"(AddFile("a", "b", "c", "0", "1", "0", "0", "0", "1");)",
                                    R"(ShowMessage("after", "c", "", "NOW");)"}));
    ExpectNowMessageAndConfirm("before", "First");
    const MessageBoxInfo box = wizard.WaitForMessageBox(kFatalCaption);
    ASSERT_TRUE(box) << "no \"Fatal error\" box";
    EXPECT_EQ(box.text, kSyntaxErrorText);
    AnswerMessageBox(box.window, IDOK);
    ExpectExitCode(2);
    EXPECT_FALSE(wizard.SawMessageText("after"));
}

} // namespace
} // namespace e2e
