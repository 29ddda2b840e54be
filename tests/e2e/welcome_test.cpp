// The welcome page: the script's title and texts beside the picture.
#include "wizard_fixture.h"

namespace e2e {
namespace {

constexpr int kUpperTextId = 1001;
constexpr int kLowerTextId = 1000;

using WelcomeTest = WizardTest;

// Opens the page, hands it to `check`, then goes on with Next and expects a clean end.
template <typename Check> void ShowWelcomeAndCheck(WizardProcess& wizard, Check check) {
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page) << "the welcome page never showed";
    check(page);
    ClickButton(page, kNextId);
    EXPECT_TRUE(wizard.WaitUntilGone(page));
}

TEST_F(WelcomeTest, ShowsTheScriptsTitleAndTexts) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetWelcomeString("Hello", "My Setup");)",
        R"(SetWelcomeString2("More");)",
        "ShowWelcome();",
    }));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "My Setup");
        EXPECT_EQ(ControlText(page, kUpperTextId), "Hello");
        EXPECT_EQ(ControlText(page, kLowerTextId), "More");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, WithoutWelcomeCommandsTitleAndTextsAreEmpty) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "");
        ASSERT_TRUE(Control(page, kUpperTextId));
        ASSERT_TRUE(Control(page, kLowerTextId));
        EXPECT_EQ(ControlText(page, kUpperTextId), "");
        EXPECT_EQ(ControlText(page, kLowerTextId), "");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, TextsAreExpandedWhenTheCommandRuns) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetAppName("Demo");)",
        R"(SetWelcomeString("Installs [APPNAME].", "[APPNAME] Setup");)",
        R"(SetWelcomeString2("By [DEVELOPERNAME].");)",
        R"(SetDeveloperName("Someone");)",
        "ShowWelcome();",
    }));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "Demo Setup");
        EXPECT_EQ(ControlText(page, kUpperTextId), "Installs Demo.");
        // DEVELOPERNAME was still unset when SetWelcomeString2 ran.
        EXPECT_EQ(ControlText(page, kLowerTextId), "By .");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, ShowsNextAndCancelButNeverLast) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_TRUE(IsControlVisible(page, kNextId));
        EXPECT_TRUE(IsControlEnabled(page, kNextId));
        EXPECT_EQ(ControlText(page, kNextId), "Next");
        EXPECT_TRUE(IsControlVisible(page, kCancelId));
        EXPECT_TRUE(IsControlEnabled(page, kCancelId));
        EXPECT_EQ(ControlText(page, kCancelId), "Cancel");
        ASSERT_TRUE(Control(page, kLastId)) << "the Last button is missing";
        EXPECT_FALSE(IsControlVisible(page, kLastId));
        EXPECT_FALSE(IsControlEnabled(page, kLastId));
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, SecondShowReadsTheTextsAgain) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetWelcomeString("One", "First");)",
        "ShowWelcome();",
        R"(SetWelcomeString("Two", "Second");)",
        "ShowWelcome();",
    }));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "First");
        EXPECT_EQ(ControlText(page, kUpperTextId), "One");
    });
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "Second");
        EXPECT_EQ(ControlText(page, kUpperTextId), "Two");
    });
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
