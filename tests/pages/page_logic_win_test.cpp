#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "engine/variables.h"
#include "pages/destination_page.h"
#include "pages/shortcuts.h"

// "Automatic" proposes the fixed drive with the most free space: its program
// files directory when that drive holds it, else the drive's root.
TEST(DestinationPage, AutomaticUsesProgramFilesOnlyOnTheBestDrive) {
    const std::string saved = programFilesDir;
    programFilesDir = "\\"; // no program files directory known: the best root
    const std::string best = AutomaticDestination("Demo");
    ASSERT_EQ(best.size(), 8u) << best; // "X:\Demo\"
    EXPECT_EQ(GetDriveTypeA(best.substr(0, 3).c_str()), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(best.substr(3), "Demo\\");

    const char other = best[0] == 'Q' ? 'R' : 'Q';
    programFilesDir = std::string(1, other) + ":\\Programs\\";
    EXPECT_EQ(AutomaticDestination("Demo"), best);
    programFilesDir = std::string(1, static_cast<char>(tolower(best[0]))) + ":\\Programs\\";
    EXPECT_EQ(AutomaticDestination("Demo"), programFilesDir + "Demo\\");
    programFilesDir = saved;
}

// Free space in kilobytes of 1024 bytes; a group ending in a backslash gets no second one.
TEST(PageTexts, KilobytesOf1024AndOneBackslashBeforeTheShortcut) {
    EXPECT_EQ(FreeSpaceText(2047), "1 kb");
    EXPECT_EQ(ShortcutPath("C:\\Programs\\Demo\\", "First"), "C:\\Programs\\Demo\\First.lnk");
}
