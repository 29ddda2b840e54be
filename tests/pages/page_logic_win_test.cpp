#include <windows.h>

#include <gtest/gtest.h>

#include "engine/variables.h"
#include "pages/copy_page.h"
#include "pages/destination_page.h"
#include "pages/program_group_page.h"
#include "pages/shortcuts.h"

namespace {

struct PathCase {
    const char* first;
    const char* second;
    const char* expected;
};

TEST(DestinationPage, BrowseResultJoinsFolderAndApplicationName) {
    const PathCase cases[] = {
        {"D:\\Apps", "Demo", "D:\\Apps\\Demo\\"},
        {"C:\\", "Demo", "C:\\\\Demo\\"}, // a drive root keeps its backslash: doubled
        {"C:\\Program Files", "", "C:\\Program Files\\\\"},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(DestinationFromFolder(c.first, c.second), c.expected) << c.first;
    }
}

TEST(DestinationPage, LongBrowseResultIsNeverCut) {
    const std::string folder = "C:\\" + std::string(250, 'f');
    const std::string app(40, 'a');
    const std::string result = DestinationFromFolder(folder, app);
    EXPECT_EQ(result.size(), folder.size() + app.size() + 2);
    EXPECT_EQ(result, folder + "\\" + app + "\\");
}

TEST(DestinationPage, FreeSpaceShowsWholeKilobytes) {
    EXPECT_EQ(FreeSpaceText(0), "0 kb");
    EXPECT_EQ(FreeSpaceText(1023), "0 kb");
    EXPECT_EQ(FreeSpaceText(1024), "1 kb");
    EXPECT_EQ(FreeSpaceText(5ull * 1024 * 1024 * 1024 + 1536), "5242881 kb");
}

TEST(DestinationPage, FreeDiskSpaceOfPathsThatNameNoDrive) {
    const char* paths[] = {"", "C:", "ab", "\\\\server\\share\\Demo", "?:\\nowhere"};
    for (const char* path : paths) {
        EXPECT_EQ(FreeDiskSpace(path), 0u) << path;
    }
}

TEST(DestinationPage, FreeDiskSpaceMatchesTheSystemForTheDriveRoot) {
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
    const uint64_t reported = FreeDiskSpace("C:\\some\\deep\\path");
    // Other programs write to the disk meanwhile; the order of magnitude must agree.
    EXPECT_GT(reported, 0u);
    EXPECT_LT(reported > available.QuadPart ? reported - available.QuadPart
                                            : available.QuadPart - reported,
              available.QuadPart / 10 + 1);
}

// The proposal: the fixed drive with the most free space; its program files
// directory when it holds it, else its root; then the name and a backslash.
TEST(DestinationPage, AutomaticPicksTheFixedDriveWithMostFreeSpace) {
    char drives[512] = {};
    ASSERT_GT(GetLogicalDriveStringsA(sizeof drives, drives), 0u);
    std::string best;
    uint64_t bestFree = 0;
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

    const std::string saved = programFilesDir;
    programFilesDir = best + "Programs Here\\";
    EXPECT_EQ(AutomaticDestination("Demo"), best + "Programs Here\\Demo\\");
    programFilesDir = "\\"; // no program files directory known
    EXPECT_EQ(AutomaticDestination("Demo"), best + "Demo\\");
    programFilesDir = saved;
}

TEST(ProgramGroupPage, NewGroupPathAddsNameAndBackslashes) {
    EXPECT_EQ(NewGroupPath("C:\\Start\\Programs", "Demo"), "C:\\Start\\Programs\\Demo\\");
    EXPECT_EQ(NewGroupPath("C:\\Start\\Programs", ""), "C:\\Start\\Programs\\\\");
}

TEST(Shortcuts, PathDropsOneTrailingBackslashOfTheGroup) {
    const PathCase cases[] = {
        {"C:\\P\\Demo\\", "Readme", "C:\\P\\Demo\\Readme.lnk"},
        {"C:\\P\\Demo", "Readme", "C:\\P\\Demo\\Readme.lnk"},
        {"C:\\P\\\\", "Readme", "C:\\P\\\\Readme.lnk"}, // empty group name: lands in P
        {"", "Readme", "\\Readme.lnk"},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(ShortcutPath(c.first, c.second), c.expected) << c.first;
    }
}

TEST(CopyPage, ShownFileNameIsTheTextAfterTheLastBackslash) {
    EXPECT_EQ(DisplayedFileName("[DP]\\bin\\demo.exe"), "demo.exe");
    EXPECT_EQ(DisplayedFileName("[DP]\\[NAME].txt"), "[NAME].txt");
    EXPECT_EQ(DisplayedFileName("plain.txt"), "plain.txt");
    EXPECT_EQ(DisplayedFileName("dir\\"), "");
}

TEST(CopyPage, UninstallCommandIsQuoted) {
    EXPECT_EQ(UninstallCommand("C:\\Program Files (x86)\\Demo\\"),
              "\"C:\\Program Files (x86)\\Demo\\VLUninstall.exe\"");
}

} // namespace
