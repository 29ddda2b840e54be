// The program group page: where shortcuts go.
#include "controls.h"
#include "wizard_fixture.h"

#include <shlobj.h>

namespace e2e {
namespace {

constexpr int kCreateNew = 1030;
constexpr int kUseExisting = 1031;
constexpr int kNoGroup = 1032;
constexpr int kGroupName = 1011;
constexpr int kExisting = 1013;

using ProgramGroupPageTest = WizardTest;

const std::string kScript = CrLfScript({
    R"(SetAppName("Demo");)",
    "ShowProgramGroup();",
    R"(ShowMessage("[PROGRAMGROUP]", "Group is", "", "NOW");)",
});

TEST_F(ProgramGroupPageTest, OpensWithNewGroupCheckedAndTheApplicationName) {
    WizardProcess& wizard = StartWithScript(kScript);
    HWND page = wizard.WaitForPage(kCreateNew);
    ASSERT_TRUE(page);
    EXPECT_EQ(TitleOf(page), "Program group");
    EXPECT_EQ(IsDlgButtonChecked(page, kCreateNew), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, kUseExisting), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, kNoGroup), BST_UNCHECKED);
    EXPECT_EQ(ControlText(page, kGroupName), "Demo");
    EXPECT_EQ(ControlText(page, kExisting), "");
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm(StartMenuProgramsFolder() + "\\Demo\\", "Group is");
    ExpectExitCode(0);
}

TEST_F(ProgramGroupPageTest, EmptyNameEndsInTwoBackslashes) {
    WizardProcess& wizard = StartWithScript(kScript);
    HWND page = wizard.WaitForPage(kCreateNew);
    ASSERT_TRUE(page);
    SetControlText(Control(page, kGroupName), "");
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm(StartMenuProgramsFolder() + "\\\\", "Group is");
    ExpectExitCode(0);
}

TEST_F(ProgramGroupPageTest, TypedNameIsTakenAsItStands) {
    WizardProcess& wizard = StartWithScript(kScript);
    HWND page = wizard.WaitForPage(kCreateNew);
    ASSERT_TRUE(page);
    SetControlText(Control(page, kGroupName), "Tools\\Demo 2");
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm(StartMenuProgramsFolder() + "\\Tools\\Demo 2\\", "Group is");
    ExpectExitCode(0);
}

TEST_F(ProgramGroupPageTest, NoGroupKeepsTheNameUnchanged) {
    WizardProcess& wizard = StartWithScript(kScript);
    HWND page = wizard.WaitForPage(kCreateNew);
    ASSERT_TRUE(page);
    ClickControl(Control(page, kNoGroup));
    ASSERT_TRUE(WaitUntil([&] { return IsDlgButtonChecked(page, kNoGroup) == BST_CHECKED; }, 3000));
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("Demo", "Group is");
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
