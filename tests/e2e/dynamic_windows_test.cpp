// Controls that the script adds to the pages, and the rules that tie Next to them.
#include "controls.h"
#include "wizard_fixture.h"

namespace e2e {
namespace {

using DynamicWindowsTest = WizardTest;

const char kAgreeBox[] =
    R"(AddWindow("DIALOG_WELCOME", "agree", "CHECKBOX", "I agree", "0", "20", "250", "200", "270");)";
const char kAgreeRule[] =
    R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "agree", "VALUE", "1");)";

TEST_F(DynamicWindowsTest, ValueRuleFollowsTheCheckBox) {
    WizardProcess& wizard = StartWithScript(CrLfScript({kAgreeBox, kAgreeRule, "ShowWelcome();"}));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND agree = ChildWithText(page, "I agree");
    ASSERT_TRUE(agree);
    EXPECT_EQ(CheckState(agree), BST_UNCHECKED);
    EXPECT_TRUE(WaitForNextEnabled(page, false));
    EXPECT_TRUE(NextStays(page, false));

    ClickControl(agree);
    EXPECT_TRUE(WaitForNextEnabled(page, true)) << "checking the box enables Next";
    EXPECT_EQ(CheckState(agree), BST_CHECKED);
    ClickControl(agree);
    EXPECT_TRUE(WaitForNextEnabled(page, false)) << "unchecking it disables Next again";

    ClickControl(agree);
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, ControlSitsAtItsPixelRectangleWithThePageFont) {
    WizardProcess& wizard = StartWithScript(CrLfScript({kAgreeBox, "ShowWelcome();"}));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND agree = ChildWithText(page, "I agree");
    ASSERT_TRUE(agree);
    RECT rect;
    GetWindowRect(agree, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 250);
    EXPECT_EQ(rect.right - rect.left, 180);
    EXPECT_EQ(rect.bottom - rect.top, 20);
    EXPECT_EQ(GetDlgCtrlID(agree), 0);
    const LONG style = GetWindowLongA(agree, GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_FALSE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_VISIBLE);
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, CheckButtonStartsTheBoxCheckedAndNextEnabled) {
    WizardProcess& wizard = StartWithScript(
        CrLfScript({kAgreeBox, kAgreeRule, R"(CheckButton("agree");)", "ShowWelcome();"}));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND agree = ChildWithText(page, "I agree");
    ASSERT_TRUE(agree);
    EXPECT_EQ(CheckState(agree), BST_CHECKED);
    EXPECT_TRUE(NextStays(page, true));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, TextRuleComparesCaseSensitively) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(AddWindow("DIALOG_WELCOME", "answer", "EDIT", "Yes", "0", "20", "250", "200", "270");)",
        R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "answer", "TEXT", "yes");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND answer = ChildWithText(page, "Yes");
    ASSERT_TRUE(answer);
    EXPECT_EQ(GetWindowLongA(answer, GWL_EXSTYLE) & 0x280, 0x280);
    EXPECT_TRUE(NextStays(page, false)) << "\"Yes\" is not \"yes\"";
    SetControlText(answer, "yes");
    EXPECT_TRUE(WaitForNextEnabled(page, true));
    SetControlText(answer, "yes ");
    EXPECT_TRUE(WaitForNextEnabled(page, false));
    SetControlText(answer, "yes");
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, VariableRuleOnAnUnsetVariableKeepsNextDisabled) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetNextDynamicState("DIALOG_WELCOME", "VARIABLE", "NEVERSET", "x", "");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    EXPECT_TRUE(NextStays(page, false, 600));
    // Only Cancel leaves such a page.
    ClickButton(page, kCancelId);
    MessageBoxInfo box = wizard.WaitForMessageBox("Quit setup");
    ASSERT_TRUE(box);
    AnswerMessageBox(box.window, IDYES);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, VariableRuleHoldingEnablesNext) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetVariable("MODE", "full");)",
        R"(SetNextDynamicState("DIALOG_WELCOME", "VARIABLE", "MODE", "full", "");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    EXPECT_TRUE(NextStays(page, true));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, LaterRuleOfThePageDecides) {
    // The first rule holds (the variable is set), the second does not until the box is checked.
    WizardProcess& wizard = StartWithScript(CrLfScript({
        kAgreeBox,
        R"(SetVariable("MODE", "full");)",
        R"(SetNextDynamicState("DIALOG_WELCOME", "VARIABLE", "MODE", "full", "");)",
        kAgreeRule,
        R"(SetNextDynamicState("DIALOG_DEST", "VARIABLE", "NEVERSET", "x", "");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    EXPECT_TRUE(NextStays(page, false)) << "the later rule, on the unchecked box, decides";
    ClickControl(ChildWithText(page, "I agree"));
    EXPECT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, UnknownTypeCreatesNothingAndRulesReadItUnchecked) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(AddWindow("DIALOG_WELCOME", "lower", "checkbox", "lower case", "0", "20", "250", "200", "270");)",
        R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "lower", "VALUE", "0");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(ChildWithText(page, "lower case"), nullptr);
    EXPECT_TRUE(NextStays(page, true)) << "a missing control reads as unchecked (0)";
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, ButtonShowsItsCommandMessagesInScriptOrder) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetVariable("WHO", "first");)",
        R"(AddWindow("DIALOG_WELCOME", "info", "BUTTON", "Info", "0", "20", "250", "120", "275");)",
        R"(ShowMessage("Hello [WHO]", "Info box", "info", "COMMAND");)",
        R"(SetVariable("WHO", "second");)",
        R"(ShowMessage("Then [WHO]", "Info box 2", "info", "COMMAND");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND info = ChildWithText(page, "Info");
    ASSERT_TRUE(info);
    for (int click = 0; click < 2; ++click) {
        ClickControl(info);
        // The texts were expanded when the statements ran, not at the click.
        ExpectNowMessageAndConfirm("Hello first", "Info box");
        ExpectNowMessageAndConfirm("Then second", "Info box 2");
    }
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, EditFieldWithCommandMessageOpensNoChainOfBoxes) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(AddWindow("DIALOG_WELCOME", "name", "EDIT", "start", "0", "20", "250", "200", "270");)",
        R"(ShowMessage("Edited", "Edit box", "name", "COMMAND");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    HWND edit = ChildWithText(page, "start");
    ASSERT_TRUE(edit);
    // Focus in and out, and text changes: none of these is a click.
    PostMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SetControlText(edit, "typed");
    PostMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(page, kNextId)), TRUE);
    Sleep(500);
    EXPECT_FALSE(wizard.WaitForMessageBox("Edit box", 500)) << "no box for focus or edits";
    ClickButton(page, kNextId);
    ExpectExitCode(0);
    EXPECT_FALSE(wizard.SawMessageText("Edited"));
}

TEST_F(DynamicWindowsTest, SecondShowingCreatesControlsAfreshInTheirInitialState) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        kAgreeBox,
        R"(AddWindow("DIALOG_WELCOME", "name", "EDIT", "initial", "0", "20", "280", "200", "300");)",
        "ShowWelcome();",
        "ShowWelcome();",
    }));
    HWND first = wizard.WaitForPage();
    ASSERT_TRUE(first);
    ClickControl(ChildWithText(first, "I agree"));
    SetControlText(ChildWithText(first, "initial"), "changed");
    ASSERT_TRUE(WaitUntil([&] { return CheckState(ChildWithText(first, "I agree")) == 1; }, 3000));
    ClickButton(first, kNextId);
    ASSERT_TRUE(wizard.WaitUntilGone(first));

    HWND second = wizard.WaitForPage();
    ASSERT_TRUE(second);
    HWND agree = ChildWithText(second, "I agree");
    ASSERT_TRUE(agree);
    EXPECT_EQ(CheckState(agree), BST_UNCHECKED);
    EXPECT_TRUE(ChildWithText(second, "initial"));
    EXPECT_EQ(ChildWithText(second, "changed"), nullptr);
    ClickButton(second, kNextId);
    ExpectExitCode(0);
}

TEST_F(DynamicWindowsTest, ControlOfAnotherPageIsNotCreated) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(AddWindow("DIALOG_DEST", "elsewhere", "CHECKBOX", "Elsewhere", "0", "20", "250", "200", "270");)",
        "ShowWelcome();",
    }));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(ChildWithText(page, "Elsewhere"), nullptr);
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
