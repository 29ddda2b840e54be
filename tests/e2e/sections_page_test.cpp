// The sections page: rows, sizes, highlight and focus, clicks, keys, check box.
#include "controls.h"
#include "wizard_fixture.h"

#include <commctrl.h>

namespace e2e {
namespace {

constexpr int kList = 1009;
constexpr int kComment = 1011;
constexpr int kMandatoryNote = 1024;
constexpr int kInstallBox = 1025;

bool Highlighted(HWND list, int row) {
    return (ListRowState(list, row) & LVIS_SELECTED) != 0;
}
bool Focused(HWND list, int row) {
    return (ListRowState(list, row) & LVIS_FOCUSED) != 0;
}

class SectionsPageTest : public WizardTest {
  protected:
    // Main (mandatory, two files of 100 and 250 bytes), Docs (optional, 7 bytes
    // plus a file of the section "docs", which does not count).
    HWND OpenPage() {
        EXPECT_TRUE(Dir().WriteFile("disk1\\a.bin", std::string(100, 'a')));
        EXPECT_TRUE(Dir().WriteFile("disk1\\b.bin", std::string(250, 'b')));
        EXPECT_TRUE(Dir().WriteFile("disk1\\c.txt", "docs!\r\n"));
        StartWithScript(CrLfScript({
            R"(SetAppName("VLTest Sections");)",
            R"(CreateSection("Main", "1", "0", "Main files");)",
            R"(CreateSection("Docs", "0", "0", "Documentation");)",
            R"(AddFile("[SP]\disk1\c.txt", "[DP]\c.txt", "Docs", "0", "1", "0", "0", "0", "0", "");)",
            R"(AddFile("[SP]\disk1\a.bin", "[DP]\a.bin", "Main", "0", "1", "0", "0", "0", "0", "");)",
            R"(AddFile("[SP]\disk1\b.bin", "[DP]\b.bin", "Main", "0", "1", "0", "0", "0", "0", "");)",
            R"(AddFile("[SP]\disk1\a.bin", "[DP]\x.bin", "docs", "0", "1", "0", "0", "0", "0", "");)",
            "ShowSections();",
        }));
        HWND page = Wizard().WaitForPage(kList);
        EXPECT_TRUE(page);
        return page;
    }

    void Leave(HWND page) {
        ClickButton(page, kNextId);
        ExpectExitCode(0);
    }
};

TEST_F(SectionsPageTest, OpensWithMandatoryRowsHighlightedAndRowZeroCurrent) {
    HWND page = OpenPage();
    ASSERT_TRUE(page);
    HWND list = Control(page, kList);
    ASSERT_EQ(ListRowCount(list), 2);
    EXPECT_EQ(ListCellText(list, 0, 0), "Main");
    EXPECT_EQ(ListCellText(list, 0, 1), "350");
    EXPECT_EQ(ListCellText(list, 1, 0), "Docs");
    EXPECT_EQ(ListCellText(list, 1, 1), "7");
    EXPECT_TRUE(Highlighted(list, 0));
    EXPECT_FALSE(Highlighted(list, 1));
    EXPECT_TRUE(Focused(list, 0));
    EXPECT_EQ(ControlText(page, kComment), "Main files");
    EXPECT_TRUE(IsControlVisible(page, kMandatoryNote));
    EXPECT_FALSE(IsControlVisible(page, kInstallBox));
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & LVS_SINGLESEL);
    Leave(page);
}

TEST_F(SectionsPageTest, ClickTogglesAnOptionalRowAndFocusFallsBackToTheMandatoryRow) {
    HWND page = OpenPage();
    ASSERT_TRUE(page);
    HWND list = Control(page, kList);
    ClickListRow(list, 1);
    ASSERT_TRUE(WaitUntil([&] { return Highlighted(list, 1); }, 3000));
    EXPECT_TRUE(Highlighted(list, 0)) << "both rows highlighted at once";
    EXPECT_EQ(ControlText(page, kComment), "Documentation");
    EXPECT_TRUE(IsControlVisible(page, kInstallBox));
    EXPECT_FALSE(IsControlVisible(page, kMandatoryNote));
    EXPECT_EQ(IsDlgButtonChecked(page, kInstallBox), BST_CHECKED);

    ClickListRow(list, 1);
    ASSERT_TRUE(WaitUntil([&] { return !Highlighted(list, 1); }, 3000));
    EXPECT_TRUE(Highlighted(list, 0));
    EXPECT_TRUE(Focused(list, 0)) << "the focus moves to the last mandatory row";
    EXPECT_EQ(ControlText(page, kComment), "Documentation") << "the details stay";
    EXPECT_EQ(IsDlgButtonChecked(page, kInstallBox), BST_UNCHECKED);

    // The check box acts on the row whose details are shown: Docs.
    ClickControl(Control(page, kInstallBox));
    EXPECT_TRUE(WaitUntil([&] { return Highlighted(list, 1); }, 3000));
    EXPECT_TRUE(Highlighted(list, 0));
    Leave(page);
}

TEST_F(SectionsPageTest, ClickOnAMandatoryRowKeepsItHighlighted) {
    HWND page = OpenPage();
    ASSERT_TRUE(page);
    HWND list = Control(page, kList);
    ClickListRow(list, 0);
    ClickListRow(list, 0);
    Sleep(300);
    EXPECT_TRUE(Highlighted(list, 0));
    EXPECT_FALSE(Highlighted(list, 1));
    Leave(page);
}

TEST_F(SectionsPageTest, ArrowsMoveTheFocusWithinTheListAndLeaveHighlightsAlone) {
    HWND page = OpenPage();
    ASSERT_TRUE(page);
    HWND list = Control(page, kList);
    PostKey(list, VK_UP);
    Sleep(200);
    EXPECT_TRUE(Focused(list, 0)) << "up on row 0 stays";
    PostKey(list, VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return Focused(list, 1); }, 3000));
    EXPECT_EQ(ControlText(page, kComment), "Documentation");
    PostKey(list, VK_DOWN);
    PostKey(list, VK_RIGHT);
    Sleep(200);
    EXPECT_TRUE(Focused(list, 1)) << "down on the last row stays";
    EXPECT_TRUE(Highlighted(list, 0));
    EXPECT_FALSE(Highlighted(list, 1));
    Leave(page);
}

TEST_F(SectionsPageTest, SpaceTogglesOptionalRowsAndNeverClearsMandatoryOnes) {
    HWND page = OpenPage();
    ASSERT_TRUE(page);
    HWND list = Control(page, kList);
    PostKey(list, VK_SPACE); // on Main: stays highlighted
    Sleep(200);
    EXPECT_TRUE(Highlighted(list, 0));
    PostKey(list, VK_DOWN);
    PostKey(list, VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return Highlighted(list, 1); }, 3000));
    EXPECT_EQ(IsDlgButtonChecked(page, kInstallBox), BST_CHECKED);
    PostKey(list, VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return !Highlighted(list, 1); }, 3000));
    EXPECT_TRUE(Focused(list, 1)) << "the row keeps the focus";
    EXPECT_EQ(IsDlgButtonChecked(page, kInstallBox), BST_UNCHECKED);
    // Typed letters do not move the highlight either.
    PostMessageA(list, WM_CHAR, 'M', 1);
    Sleep(200);
    EXPECT_TRUE(Highlighted(list, 0));
    EXPECT_FALSE(Highlighted(list, 1));
    Leave(page);
}

TEST_F(SectionsPageTest, UncheckingInstallSectionClearsTheCurrentRow) {
    HWND page = OpenPage();
    ASSERT_TRUE(page);
    HWND list = Control(page, kList);
    PostKey(list, VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return IsControlVisible(page, kInstallBox); }, 3000));
    ClickControl(Control(page, kInstallBox));
    ASSERT_TRUE(WaitUntil([&] { return Highlighted(list, 1); }, 3000));
    ClickControl(Control(page, kInstallBox));
    ASSERT_TRUE(WaitUntil([&] { return !Highlighted(list, 1); }, 3000));
    EXPECT_TRUE(Focused(list, 1));
    Leave(page);
}

using SectionsPageEdgeTest = WizardTest;

TEST_F(SectionsPageEdgeTest, NoSectionsShowsAnEmptyPage) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowSections();"}));
    HWND page = wizard.WaitForPage(kList);
    ASSERT_TRUE(page);
    EXPECT_EQ(ListRowCount(Control(page, kList)), 0);
    EXPECT_EQ(ControlText(page, kComment), "");
    EXPECT_FALSE(IsControlVisible(page, kMandatoryNote));
    EXPECT_FALSE(IsControlVisible(page, kInstallBox));
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

// Sizes are summed in 64 bits: two files of 3 GiB (sparse) show 6 GiB.
TEST_F(SectionsPageEdgeTest, SectionOverFourGibibytesShowsItsTrueSize) {
    for (const char* name : {"big1.bin", "big2.bin"}) {
        const std::string path = Dir().PathOf(name);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = 3LL * 1024 * 1024 * 1024;
        ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    }
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(CreateSection("Big", "0", "0", "Large");)",
        R"(AddFile("[SP]\big1.bin", "[DP]\big1.bin", "Big", "0", "1", "0", "0", "0", "0", "");)",
        R"(AddFile("[SP]\big2.bin", "[DP]\big2.bin", "Big", "0", "1", "0", "0", "0", "0", "");)",
        "ShowSections();",
    }));
    HWND page = wizard.WaitForPage(kList);
    ASSERT_TRUE(page);
    EXPECT_EQ(ListCellText(Control(page, kList), 0, 1), "6442450944");
    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
