#include "engine/path_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PathText, DoubledBackslashesCollapseButANetworkPathKeepsItsOpening) {
    EXPECT_EQ(CollapseBackslashes("C:\\Demo\\\\a.exe"), "C:\\Demo\\a.exe");
    EXPECT_EQ(CollapseBackslashes("a\\\\\\b"), "a\\\\b");
    EXPECT_EQ(CollapseBackslashes("\\\\server\\share\\Demo\\\\a.exe"),
              "\\\\server\\share\\Demo\\a.exe");
}

TEST(PathText, EveryMissingLevelBelowTheRootIsCreated) {
    using Levels = std::vector<std::string>;
    EXPECT_EQ(DirectoryLevels("D:\\New\\Sub\\\\Demo\\"),
              (Levels{"D:\\New", "D:\\New\\Sub", "D:\\New\\Sub\\\\Demo"}));
    EXPECT_EQ(DirectoryLevels("C:\\"), Levels{});
    EXPECT_EQ(DirectoryLevels("\\\\server\\share\\"), Levels{});
    EXPECT_EQ(DirectoryLevels("\\\\server\\share\\Apps\\Demo"),
              (Levels{"\\\\server\\share\\Apps", "\\\\server\\share\\Apps\\Demo"}));
}

TEST(PathText, AVeryLongPathIsShownByItsBeginningAndEnd) {
    const std::string head = "C:\\" + std::string(117, 'h'), tail = std::string(120, 't');
    EXPECT_EQ(ShortenedForDisplay(head + std::string(40000, 'm') + tail), head + "..." + tail);
    EXPECT_EQ(ShortenedForDisplay(head + "mmm" + tail), head + "mmm" + tail);
}

// A name taken as its own short form goes into the log unasked; one that the file system
// would shorten must not.
TEST(PathText, OnlyNamesThatAreTheirOwnShortFormSkipTheQuestion) {
    for (const char* name : {"demo.exe", "README.TXT", "NAME", "a_b~1.d$"})
        EXPECT_TRUE(IsOwnShortName(name)) << name;
    for (const char* name : {"ReadMe.txt", "VLUninstall.exe", "a.b.c", "my file.txt", "x.html",
                             "abc+d.txt", ".hidden", "name.", ""})
        EXPECT_FALSE(IsOwnShortName(name)) << name;
}
