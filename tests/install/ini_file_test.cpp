#include "install/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Place(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("vl_ini_" + name)).string();
}

} // namespace

// The new line goes after the last entry of the first rename section; every other byte
// stays where it was.
TEST(IniFile, AddingARenameEntryKeepsEveryOtherLineByteForByte) {
    const std::string added = "C:\\W\\a.dll=C:\\T\\a.tmp\r\n", longLine(5000, 'x');
    const struct {
        std::string before, after;
    } rows[] = {
        {"; a\r\n[Boot]\r\nshell=x ; k\r\n[rename]\r\nNUL=C:\\a;1.tmp\r\nNUL=C:\\b\r\n; "
         "c\r\n\r\n[o]\r\n",
         "; a\r\n[Boot]\r\nshell=x ; k\r\n[rename]\r\nNUL=C:\\a;1.tmp\r\nNUL=C:\\b\r\n" + added +
             "; c\r\n\r\n[o]\r\n"},
        {"  [rename] ; x\nv=[rename]\nx=" + longLine + "\n[x]\n",
         "  [rename] ; x\nv=[rename]\nx=" + longLine + "\n" + added + "[x]\n"},
        {"", "[rename]\r\n" + added + "\r\n"},
        {"[Rename]\r\nk=v", "[Rename]\r\nk=v\r\n[rename]\r\n" + added + "\r\n"},
        {"[rename]", "[rename]\r\n" + added},
    };
    for (const auto& row : rows) {
        std::ofstream(Place("in.ini"), std::ios::binary) << row.before;
        IniFile ini;
        EXPECT_EQ(ini.Load(Place(row.before.empty() ? "missing.ini" : "in.ini")),
                  row.before.empty() ? kIniMissing : kIniRead);
        ini.AddEntry("rename", "C:\\W\\a.dll", "C:\\T\\a.tmp");
        ASSERT_EQ(ini.Save(Place("out.ini")), kIniSaved);
        std::ifstream out(Place("out.ini"), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(out), {}), row.after) << row.before;
    }
}

TEST(IniFile, UnreadableIsNotMissingAndAFailedSaveIsReported) {
    // A directory stands for a file that is there but cannot be read or written.
    std::filesystem::create_directories(Place("folder.ini"));
    IniFile ini;
    EXPECT_EQ(ini.Load(Place("folder.ini")), kIniUnreadable);
    EXPECT_EQ(ini.Save(Place("folder.ini")), kIniNotSaved);
    std::filesystem::remove(Place("folder.ini"));
}
