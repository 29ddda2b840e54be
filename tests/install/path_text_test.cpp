#include "install/path_text.h"

#include <gtest/gtest.h>

#include <string>

struct CollapseCase {
    const char* path;
    const char* collapsed;
};

TEST(CollapseBackslashes, PairsBecomeOneFromLeftToRight) {
    const CollapseCase cases[] = {
        {"", ""},
        {"C:\\Program Files\\Demo\\demo.exe", "C:\\Program Files\\Demo\\demo.exe"},
        {"C:\\Program Files\\Demo\\\\demo.exe", "C:\\Program Files\\Demo\\demo.exe"},
        {"\\\\", "\\"},
        {"\\\\\\", "\\\\"},
        {"\\\\\\\\", "\\\\"},
        {"\\\\\\\\\\", "\\\\\\"},
        {"a\\\\b\\\\c", "a\\b\\c"},
        {"dir\\\\", "dir\\"},
        {"\\", "\\"},
        {"no separators", "no separators"},
    };
    for (const CollapseCase& c : cases) {
        EXPECT_EQ(CollapseBackslashes(c.path), c.collapsed) << '"' << c.path << '"';
    }
}

TEST(CollapseBackslashes, KeepsPathsLongerThanThePlatformLimit) {
    std::string path = "C:\\";
    std::string expected = "C:\\";
    for (int i = 0; i < 60; ++i) {
        path += "folder\\\\";
        expected += "folder\\";
    }
    path += "file.txt";
    expected += "file.txt";
    ASSERT_GT(expected.size(), 259u);
    EXPECT_EQ(CollapseBackslashes(path), expected);
}

struct SplitCase {
    const char* path;
    const char* directory;
    const char* directoryWithBackslash;
    const char* name;
};

TEST(PathSplit, SplitsAtTheLastBackslash) {
    const SplitCase cases[] = {
        {"C:\\Setup\\DISK1\\demo.exe", "C:\\Setup\\DISK1", "C:\\Setup\\DISK1\\", "demo.exe"},
        {"C:\\demo.exe", "C:", "C:\\", "demo.exe"},
        {"\\demo.exe", "", "\\", "demo.exe"},
        {"C:\\dir\\", "C:\\dir", "C:\\dir\\", ""},
        {"demo.exe", "", "", "demo.exe"},
        {"C:\\Program Files\\first file.txt", "C:\\Program Files", "C:\\Program Files\\",
         "first file.txt"},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(DirectoryOf(c.path), c.directory) << c.path;
        EXPECT_EQ(DirectoryWithBackslashOf(c.path), c.directoryWithBackslash) << c.path;
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
    }
}
