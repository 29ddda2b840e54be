// The destination page: the directory field, free space, validity, the
// existence question and "Automatic".
#include "controls.h"
#include "wizard_fixture.h"

#include <cctype>

namespace e2e {
namespace {

constexpr int kPathField = 1011;
constexpr int kFreeSpace = 1013;
constexpr int kAutomatic = 1014;
constexpr int kAskCreate = 1029;

using DestinationPageTest = WizardTest;

// The page, then a message that shows DP as the run left it.
std::string DestScript(std::initializer_list<const char*> before) {
    std::string script;
    for (const char* line : before)
        script += std::string(line) + "\r\n";
    script += "ShowDest();\r\n";
    script += "ShowMessage(\"[DP]\", \"DP is\", \"\", \"NOW\");\r\n";
    return script;
}

bool LooksLikeKilobytes(const std::string& text) {
    if (text.size() < 4 || text.compare(text.size() - 3, 3, " kb") != 0)
        return false;
    for (std::size_t i = 0; i + 3 < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

TEST_F(DestinationPageTest, FieldShowsDpAndTheFreeSpaceInKilobytes) {
    WizardProcess& wizard = StartWithScript(DestScript({R"(SetAppName("Demo");)"}));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    const std::string expected = ProgramFilesDirectory() + "\\Demo\\";
    EXPECT_EQ(ControlText(page, kPathField), expected);
    const std::string free = ControlText(page, kFreeSpace);
    EXPECT_TRUE(LooksLikeKilobytes(free)) << free;
    EXPECT_NE(free, "0 kb");
    EXPECT_EQ(IsDlgButtonChecked(page, kAskCreate), BST_UNCHECKED);
    EXPECT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm(expected, "DP is");
    ExpectExitCode(0);
}

TEST_F(DestinationPageTest, ShortPathShowsNoSpaceAndDisablesNextDespiteAHoldingRule) {
    WizardProcess& wizard = StartWithScript(DestScript({
        R"(SetAppName("Demo");)",
        R"(SetVariable("MODE", "on");)",
        R"(SetNextDynamicState("DIALOG_DEST", "VARIABLE", "MODE", "on", "");)",
    }));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    HWND field = Control(page, kPathField);
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    for (const char* text : {"", "C", "C:"}) {
        SetControlText(field, text);
        EXPECT_TRUE(WaitUntil([&] { return ControlText(page, kFreeSpace) == "0 kb"; }, 3000))
            << '"' << text << '"';
        EXPECT_TRUE(WaitForNextEnabled(page, false)) << '"' << text << '"';
    }
    SetControlText(field, "C:\\");
    EXPECT_TRUE(WaitForNextEnabled(page, true)) << "a third character makes it valid again";
    EXPECT_NE(ControlText(page, kFreeSpace), "0 kb");
    SetControlText(field, "\\\\server\\share\\Demo");
    EXPECT_TRUE(WaitUntil([&] { return ControlText(page, kFreeSpace) == "0 kb"; }, 3000))
        << "a network path names no drive";
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("\\\\server\\share\\Demo", "DP is");
    ExpectExitCode(0);
}

TEST_F(DestinationPageTest, ExistenceQuestionNoKeepsThePageYesTakesTheText) {
    WizardProcess& wizard = StartWithScript(DestScript({R"(SetAppName("Demo");)"}));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    const std::string missing = Dir().Path() + "\\not\\there";
    ClickControl(Control(page, kAskCreate));
    ASSERT_TRUE(
        WaitUntil([&] { return IsDlgButtonChecked(page, kAskCreate) == BST_CHECKED; }, 3000));
    SetControlText(Control(page, kPathField), missing);
    ASSERT_TRUE(WaitForNextEnabled(page, true));

    ClickButton(page, kNextId);
    MessageBoxInfo box = wizard.WaitForMessageBox("Directory does not exist");
    ASSERT_TRUE(box);
    EXPECT_EQ(box.text, "Directory does not exist, should it be created?");
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(box.hasIcon);
    AnswerMessageBox(box.window, IDNO);
    ASSERT_TRUE(wizard.WaitUntilGone(box.window));
    EXPECT_TRUE(IsWindow(page)) << "No keeps the page open";
    EXPECT_EQ(ControlText(page, kPathField), missing);

    ClickButton(page, kNextId);
    box = wizard.WaitForMessageBox("Directory does not exist");
    ASSERT_TRUE(box);
    AnswerMessageBox(box.window, IDYES);
    ExpectNowMessageAndConfirm(missing, "DP is");
    ExpectExitCode(0);
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the page itself creates nothing";
}

TEST_F(DestinationPageTest, PathOfAnExistingFileRaisesNoQuestion) {
    ASSERT_TRUE(Dir().WriteFile("existing.txt", "x"));
    WizardProcess& wizard = StartWithScript(DestScript({R"(SetAppName("Demo");)"}));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    ClickControl(Control(page, kAskCreate));
    ASSERT_TRUE(
        WaitUntil([&] { return IsDlgButtonChecked(page, kAskCreate) == BST_CHECKED; }, 3000));
    const std::string file = Dir().PathOf("existing.txt");
    SetControlText(Control(page, kPathField), file);
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm(file, "DP is");
    ExpectExitCode(0);
    EXPECT_FALSE(wizard.SawMessageText("Directory does not exist, should it be created?"));
}

TEST_F(DestinationPageTest, UncheckedQuestionAcceptsAMissingDirectorySilently) {
    WizardProcess& wizard = StartWithScript(DestScript({R"(SetAppName("Demo");)"}));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    SetControlText(Control(page, kPathField), "Q:\\nowhere\\Demo\\");
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm("Q:\\nowhere\\Demo\\", "DP is");
    ExpectExitCode(0);
}

TEST_F(DestinationPageTest, AutomaticProposesTheRoomiestFixedDrive) {
    WizardProcess& wizard = StartWithScript(DestScript({R"(SetAppName("Demo");)"}));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    SetControlText(Control(page, kPathField), "X:\\elsewhere\\");
    ClickButton(page, kAutomatic);

    // The fixed drive with the most free space, as the test sees the drives.
    char drives[512] = {};
    GetLogicalDriveStringsA(sizeof drives, drives);
    std::string best;
    ULONGLONG bestFree = 0;
    for (const char* root = drives; *root != '\0'; root += lstrlenA(root) + 1) {
        ULARGE_INTEGER available, total, free;
        if (GetDriveTypeA(root) == DRIVE_FIXED &&
            GetDiskFreeSpaceExA(root, &available, &total, &free) &&
            (best.empty() || available.QuadPart > bestFree)) {
            best = root;
            bestFree = available.QuadPart;
        }
    }
    ASSERT_FALSE(best.empty());
    const std::string programFiles = ProgramFilesDirectory() + "\\";
    const std::string expected =
        (lstrcmpiA(programFiles.substr(0, 3).c_str(), best.c_str()) == 0 ? programFiles : best) +
        "Demo\\";
    EXPECT_TRUE(WaitUntil([&] { return ControlText(page, kPathField) == expected; }, 3000))
        << ControlText(page, kPathField) << " instead of " << expected;
    ClickButton(page, kNextId);
    ExpectNowMessageAndConfirm(expected, "DP is");
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
