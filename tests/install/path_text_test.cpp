#include "engine/path_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PathText, DoubledBackslashesCollapseButANetworkPathKeepsItsOpening) {
    const struct {
        const char* path;
        const char* collapsed;
    } rows[] = {
        {"C:\\Program Files\\Demo\\\\demo.exe", "C:\\Program Files\\Demo\\demo.exe"},
        {"a\\\\\\b", "a\\\\b"},
        {"\\\\server\\share\\Demo\\\\demo.exe", "\\\\server\\share\\Demo\\demo.exe"},
        {"\\\\\\server\\x", "\\\\\\server\\x"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CollapseBackslashes(row.path), row.collapsed) << row.path;
    }
}

TEST(PathText, EveryMissingLevelBelowTheRootIsCreated) {
    using Levels = std::vector<std::string>;
    const struct {
        const char* directory;
        Levels levels;
    } rows[] = {
        {"D:\\New\\Sub\\Demo\\", {"D:\\New", "D:\\New\\Sub", "D:\\New\\Sub\\Demo"}},
        {"D:\\New\\\\Demo", {"D:\\New", "D:\\New\\\\Demo"}},
        {"C:\\", {}},
        {"\\\\server\\share\\", {}},
        {"\\\\server\\share\\Apps\\Demo",
         {"\\\\server\\share\\Apps", "\\\\server\\share\\Apps\\Demo"}},
        {"\\Apps\\Demo\\", {"\\Apps", "\\Apps\\Demo"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DirectoryLevels(row.directory), row.levels) << row.directory;
    }
}

TEST(PathText, AVeryLongPathIsShownByItsBeginningAndEnd) {
    const std::string head = "C:\\" + std::string(117, 'h');
    const std::string tail = std::string(116, 't') + "\\end";
    const std::string path = head + std::string(40000, 'm') + tail;
    EXPECT_EQ(ShortenedForDisplay(path), head + "..." + tail);
    const std::string fits = head + "mmm" + tail;
    EXPECT_EQ(ShortenedForDisplay(fits), fits);
}
