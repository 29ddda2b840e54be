// What every wizard page shares: Next goes on, Cancel asks before it ends the run, and
// nothing else closes a page.
#include "wizard_fixture.h"

namespace e2e {
namespace {

constexpr char kQuitCaption[] = "Quit setup";
constexpr char kQuitText[] =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";

// The welcome page, then a message that shows whether the interpreter went on.
const std::string kPageThenMessage = CrLfScript({
    "ShowWelcome();",
    R"(ShowMessage("after", "Next statement", "", "NOW");)",
});

// The same with a faulty statement at the end. After a confirmed Cancel a pending quit
// request may end a message box's loop before the box shows; a run that went on anyway
// then still ends with the syntax error's exit code 2.
const std::string kPageThenMessageThenFault = kPageThenMessage + CrLfScript({"SetAppName();"});

using PageFrameTest = WizardTest;

TEST_F(PageFrameTest, PageIsOwnedByTheBackgroundWindow) {
    WizardProcess& wizard = StartWithScript(kPageThenMessage);
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND background = wizard.Find({kBackgroundClass, std::string(kBackgroundTitle), 0});
    EXPECT_TRUE(background) << "no background window titled \"Setup\"";
    EXPECT_EQ(GetWindow(page, GW_OWNER), background);
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("after", "Next statement");
    ExpectExitCode(0);
}

TEST_F(PageFrameTest, NextGoesOnWithTheNextStatement) {
    WizardProcess& wizard = StartWithScript(kPageThenMessage);
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    ClickButton(page, kNextId);
    EXPECT_TRUE(wizard.WaitUntilGone(page));
    ExpectNowMessageAndConfirm("after", "Next statement");
    ExpectExitCode(0);
}

TEST_F(PageFrameTest, EnterActsAsNext) {
    WizardProcess& wizard = StartWithScript(kPageThenMessage);
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    PressKey(page, VK_RETURN);
    ExpectNowMessageAndConfirm("after", "Next statement");
    ExpectExitCode(0);
}

// Cancel asks the quit question: a Yes/No box with a question icon and no owner.
MessageBoxInfo CancelAndExpectQuitQuestion(WizardProcess& wizard, HWND page) {
    ClickButton(page, kCancelId);
    MessageBoxInfo box = wizard.WaitForMessageBox(kQuitCaption);
    EXPECT_TRUE(box) << "no \"Quit setup\" question";
    if (box) {
        EXPECT_EQ(box.text, kQuitText);
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_TRUE(box.hasIcon);
        EXPECT_EQ(GetWindow(box.window, GW_OWNER), nullptr);
    }
    return box;
}

TEST_F(PageFrameTest, CancelThenNoKeepsThePageAndNextStillWorks) {
    WizardProcess& wizard = StartWithScript(kPageThenMessage);
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    const MessageBoxInfo box = CancelAndExpectQuitQuestion(wizard, page);
    ASSERT_TRUE(box);
    AnswerMessageBox(box.window, IDNO);
    ASSERT_TRUE(wizard.WaitUntilGone(box.window));

    EXPECT_TRUE(IsWindow(page) && IsWindowVisible(page)) << "the page closed";
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("after", "Next statement");
    ExpectExitCode(0);
}

TEST_F(PageFrameTest, CancelThenYesStopsBeforeNextStatement) {
    WizardProcess& wizard = StartWithScript(kPageThenMessageThenFault);
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    const MessageBoxInfo box = CancelAndExpectQuitQuestion(wizard, page);
    ASSERT_TRUE(box);
    AnswerMessageBox(box.window, IDYES);
    ExpectExitCode(0);
    EXPECT_FALSE(wizard.SawMessageText("after")) << "the statement after the page ran";
}

TEST_F(PageFrameTest, CancelThenYesOnALaterPageStopsTheRun) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        "ShowWelcome();",
        R"(SetWelcomeString("second", "Second page");)",
        "ShowWelcome();",
        R"(ShowMessage("after", "Next statement", "", "NOW");)",
        "SetAppName();",
    }));
    HWND first = wizard.WaitForPage();
    ASSERT_TRUE(first);
    ClickButton(first, kNextId);
    ASSERT_TRUE(wizard.WaitUntilGone(first));
    HWND second = wizard.WaitFor({kDialogClass, std::string("Second page"), kNextId});
    ASSERT_TRUE(second) << "the second page never showed";
    const MessageBoxInfo box = CancelAndExpectQuitQuestion(wizard, second);
    ASSERT_TRUE(box);
    AnswerMessageBox(box.window, IDYES);
    ExpectExitCode(0);
    EXPECT_FALSE(wizard.SawMessageText("after"));
}

// Ways of closing a dialog that a wizard page ignores: they all arrive as the command id 2,
// which is neither Next nor Cancel.
struct IgnoredCloseCase {
    const char* name;
    void (*send)(HWND page);
};

class IgnoredCloseTest : public WizardTest,
                         public ::testing::WithParamInterface<IgnoredCloseCase> {};

TEST_P(IgnoredCloseTest, LeavesThePageOpen) {
    WizardProcess& wizard = StartWithScript(kPageThenMessage);
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    GetParam().send(page);
    // Next is queued behind the attempt and whatever its handling posted: the message
    // "after" shows only if the page was still open when Next arrived and ended with 0.
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("after", "Next statement");
    ExpectExitCode(0);
    for (const auto& seen : wizard.Seen())
        EXPECT_NE(seen.second.title, kQuitCaption) << "the attempt asked the quit question";
}

INSTANTIATE_TEST_SUITE_P(
    Attempts, IgnoredCloseTest,
    ::testing::Values(IgnoredCloseCase{"EscapeKey", [](HWND page) { PressKey(page, VK_ESCAPE); }},
                      IgnoredCloseCase{"CancelCommand",
                                       [](HWND page) {
                                           PostMessageA(page, WM_COMMAND,
                                                        MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                                       }},
                      IgnoredCloseCase{"CloseBox", [](HWND page) { PressCloseBox(page); }},
                      IgnoredCloseCase{"CloseMessage",
                                       [](HWND page) { SendAndWait(page, WM_CLOSE, 0, 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
