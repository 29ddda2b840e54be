#include "install/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

using Entries = std::map<std::string, std::string>;
using Contents = std::map<std::string, Entries>;

// Everything the object holds, read through its positional enumeration.
Contents ContentsOf(const IniFile& ini) {
    Contents contents;
    for (int i = 0; i < ini.SectionCount(); ++i) {
        const IniSection* section = ini.SectionAt(i);
        Entries& entries = contents[*ini.SectionNameAt(i)];
        for (int j = 0; j < section->EntryCount(); ++j) {
            entries[*section->KeyAt(j)] = *section->ValueAt(j);
        }
    }
    return contents;
}

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory_ = fs::temp_directory_path() /
                     (std::string("vl_ini_") + info->test_suite_name() + "_" + info->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path directory_;
};

struct ParseCase {
    const char* name;
    std::string bytes;
    Contents contents;
};

} // namespace

TEST_F(IniFileTest, ReadsLinesByTheProfileRules) {
    const ParseCase cases[] = {
        {"entry and header",
         "[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\x.tmp\r\n",
         {{"rename", {{"NUL", "C:\\WINDOWS\\TEMP\\x.tmp"}}}}},
        {"bracket after the equals sign is a value", "[s]\na=[b]\n", {{"s", {{"a", "[b]"}}}}},
        {"equals sign inside a header", "[a=b]\nk=v\n", {{"a=b", {{"k", "v"}}}}},
        {"equals sign after the bracket starts a header", "x[=y\nk=v\n", {{"=y", {{"k", "v"}}}}},
        {"nothing is trimmed", "[s]\nkey = value ; note\n", {{"s", {{"key ", " value "}}}}},
        {"unclosed header runs to the line end", "[open\nk=v\n", {{"open", {{"k", "v"}}}}},
        {"text after the closing bracket", "[abc]def\nk=v\n", {{"abc", {{"k", "v"}}}}},
        {"blanks before the header", "  [rename]\nk=v\n", {{"rename", {{"k", "v"}}}}},
        {"entries before the first header are ignored", "a=1\n[s]\nb=2\n", {{"s", {{"b", "2"}}}}},
        {"empty header ignores entries up to the next name",
         "[s]\na=1\n[]\nb=2\n[t]\nc=3\n",
         {{"s", {{"a", "1"}}}, {"t", {{"c", "3"}}}}},
        {"empty key", "[s]\n=value\n", {{"s", {{"", "value"}}}}},
        {"empty value", "[s]\nkey=\n", {{"s", {{"key", ""}}}}},
        {"first equals sign splits", "[s]\na=b=c\n", {{"s", {{"a", "b=c"}}}}},
        {"header alone creates nothing", "[empty]\n[s]\nk=v\n", {{"s", {{"k", "v"}}}}},
        {"last value of a key wins",
         "[s]\nk=1\nk=2\n[t]\nx=y\n[s]\nk=3\n",
         {{"s", {{"k", "3"}}}, {"t", {{"x", "y"}}}}},
        {"section names are case-sensitive",
         "[Rename]\na=1\n[rename]\na=2\n",
         {{"Rename", {{"a", "1"}}}, {"rename", {{"a", "2"}}}}},
        {"comment line", "[s]\n; k=v\nk2=v2\n", {{"s", {{"k2", "v2"}}}}},
        {"comment after a header", "[s] ; [t]\nk=v\n", {{"s", {{"k", "v"}}}}},
        {"comment hides the equals sign", "[s]\nk;=v\n", {}},
        {"CR ends the line", "[s]\nk=v\rjunk\n", {{"s", {{"k", "v"}}}}},
        {"lone CR does not start a line", "[s]\ra=1\rb=2\n", {}},
        {"lines without an equals sign are ignored",
         "[s]\njust text\n\nk=v\n",
         {{"s", {{"k", "v"}}}}},
        {"last line without line feed", "[s]\nk=v", {{"s", {{"k", "v"}}}}},
        {"bytes above 127 pass through",
         "[s\xE4]\nk\xB4=v\xFF\n",
         {{"s\xE4", {{"k\xB4", "v\xFF"}}}}},
        {"empty file", "", {}},
    };
    for (const ParseCase& c : cases) {
        IniFile ini;
        ASSERT_EQ(ini.Load(Write("case.ini", c.bytes)), kIniRead) << c.name;
        EXPECT_EQ(ContentsOf(ini), c.contents) << c.name;
    }
}

TEST_F(IniFileTest, LongLineKeepsItsFirst4095CharactersAndSkipsTheRest) {
    const std::string value4093(4093, 'v');
    // The skipped rest looks like an entry; it must not become one.
    const std::string bytes = "[s]\nk=" + value4093 + "tail=1\nnext=2\n" +
                              "w=" + std::string(4093, 'w') + "\n" + "[t]\n" +
                              "x=" + std::string(1000000, 'x') + "\ny=3\n";
    IniFile ini;
    ASSERT_EQ(ini.Load(Write("long.ini", bytes)), kIniRead);
    const Contents expected = {
        {"s", {{"k", value4093}, {"next", "2"}, {"w", std::string(4093, 'w')}}},
        {"t", {{"x", std::string(4093, 'x')}, {"y", "3"}}},
    };
    EXPECT_EQ(ContentsOf(ini), expected);
}

TEST_F(IniFileTest, LineOfExactly4095CharactersIsKeptWhole) {
    const std::string value(4093, 'v');
    IniFile ini;
    ASSERT_EQ(ini.Load(Write("exact.ini", "[s]\nk=" + value + "\nn=1")), kIniRead);
    EXPECT_EQ(ContentsOf(ini), (Contents{{"s", {{"k", value}, {"n", "1"}}}}));
}

TEST_F(IniFileTest, LongLastLineWithoutLineFeedEndsTheFile) {
    IniFile ini;
    ASSERT_EQ(ini.Load(Write("eof.ini", "[s]\nk=" + std::string(9000, 'v'))), kIniRead);
    EXPECT_EQ(ContentsOf(ini), (Contents{{"s", {{"k", std::string(4093, 'v')}}}}));
}

TEST_F(IniFileTest, ParseWithFilterTakesOnlyThatSectionAndKeepsWhatIsThere) {
    const std::string path =
        Write("filter.ini", "[rename]\na=new\nb=2\n[other]\nc=3\n[renamed]\nd=4\n");
    IniFile ini;
    ini.SetEntry("rename", "a", "old");
    ini.SetEntry("mine", "m", "1");
    const std::string filter = "rename";
    ASSERT_EQ(ini.Parse(path, &filter), kIniRead);
    const Contents expected = {{"mine", {{"m", "1"}}}, {"rename", {{"a", "new"}, {"b", "2"}}}};
    EXPECT_EQ(ContentsOf(ini), expected);
}

TEST_F(IniFileTest, LoadStartsEmptyAndRemembersThePath) {
    IniFile ini;
    ini.SetEntry("old", "k", "v");
    const std::string path = Write("load.ini", "[new]\nk=v\n");
    ASSERT_EQ(ini.Load(path), kIniRead);
    EXPECT_EQ(ContentsOf(ini), (Contents{{"new", {{"k", "v"}}}}));
    EXPECT_EQ(ini.FileName(), path);

    std::string longPath = directory_.string();
    for (int i = 0; i < 8; ++i) {
        longPath += "/" + std::string(40, 'd');
    }
    longPath += "/Wininit.ini";
    EXPECT_EQ(ini.Load(longPath), kIniMissing);
    EXPECT_EQ(ini.FileName(), longPath);
}

TEST_F(IniFileTest, TellsAMissingFileFromAnUnreadableOne) {
    IniFile ini;
    EXPECT_EQ(ini.Load(""), kIniNoPath);
    EXPECT_EQ(ini.Parse(""), kIniNoPath);
    EXPECT_EQ(ini.Load(PathOf("missing.ini")), kIniMissing);
    EXPECT_EQ(ini.Load(PathOf("missing-folder/Wininit.ini")), kIniMissing);

    // A directory stands for a file that is there but cannot be read; it
    // fails to open on Windows and fails to read elsewhere.
    fs::create_directories(directory_ / "folder.ini");
    ini.SetEntry("kept", "k", "v");
    EXPECT_EQ(ini.Parse(PathOf("folder.ini")), kIniUnreadable);
    EXPECT_EQ(ContentsOf(ini), (Contents{{"kept", {{"k", "v"}}}}));
    EXPECT_EQ(ini.Load(PathOf("folder.ini")), kIniUnreadable);
    EXPECT_EQ(ini.SectionCount(), 0);
}

#ifndef _WIN32
TEST_F(IniFileTest, UnopenableLinkIsUnreadableNotMissing) {
    // Opening fails with ELOOP: the name is there, yet nothing can be read.
    fs::create_symlink("loop.ini", directory_ / "loop.ini");
    IniFile ini;
    EXPECT_EQ(ini.Load(PathOf("loop.ini")), kIniUnreadable);
}
#endif

TEST_F(IniFileTest, SavesSortedSectionsWithCrLfAndAnEmptyLineAfterEach) {
    IniFile ini;
    ini.SetEntry("rename", "b", "2");
    ini.SetEntry("rename", "", "value");
    ini.SetEntry("Rename", "k", "v");
    ini.SetEntry("\xE4", "x", "y");
    ini.SetEntry("rename", "a", "1");
    ini.SetEntry("rename", "b", "3");
    EXPECT_EQ(ini.Save(PathOf("out.ini")), kIniSaved);
    EXPECT_EQ(Read(PathOf("out.ini")), "[Rename]\r\nk=v\r\n\r\n"
                                       "[rename]\r\n=value\r\na=1\r\nb=3\r\n\r\n"
                                       "[\xE4]\r\nx=y\r\n\r\n");
}

TEST_F(IniFileTest, LoadAndSaveRewritesWininitInByteOrder) {
    const std::string path = Write("Wininit.ini", "; written by an earlier setup\r\n"
                                                  "stray=line\r\n"
                                                  "[rename]\r\n"
                                                  "NUL=C:\\WINDOWS\\TEMP\\old.tmp\r\n"
                                                  "C:\\WINDOWS\\b.dll=C:\\WINDOWS\\TEMP\\b.tmp\r\n"
                                                  "\r\n"
                                                  "[Boot]\r\n"
                                                  "shell=explorer.exe ; keep\r\n"
                                                  "[empty]\r\n");
    IniFile ini;
    ASSERT_EQ(ini.Load(path), kIniRead);
    ini.Lookup("rename").Lookup("C:\\WINDOWS\\SYSTEM\\a.dll") = "C:\\WINDOWS\\TEMP\\a.dll.tmp";
    EXPECT_EQ(ini.Save(path), kIniSaved);
    EXPECT_EQ(Read(path), "[Boot]\r\n"
                          "shell=explorer.exe \r\n"
                          "\r\n"
                          "[rename]\r\n"
                          "C:\\WINDOWS\\SYSTEM\\a.dll=C:\\WINDOWS\\TEMP\\a.dll.tmp\r\n"
                          "C:\\WINDOWS\\b.dll=C:\\WINDOWS\\TEMP\\b.tmp\r\n"
                          "NUL=C:\\WINDOWS\\TEMP\\old.tmp\r\n"
                          "\r\n");
}

TEST_F(IniFileTest, LookupCreatesMissingSectionsAndKeys) {
    IniFile ini;
    EXPECT_EQ(ini.Lookup("s").Lookup("k"), "");
    EXPECT_EQ(ContentsOf(ini), (Contents{{"s", {{"k", ""}}}}));
    ini.Lookup("s").Lookup("k") = "v";
    EXPECT_EQ(ContentsOf(ini), (Contents{{"s", {{"k", "v"}}}}));
}

TEST_F(IniFileTest, PositionsPastTheEndYieldNothing) {
    IniFile ini;
    ini.SetEntry("s", "k", "v");
    EXPECT_EQ(ini.SectionNameAt(1), nullptr);
    EXPECT_EQ(ini.SectionAt(1), nullptr);
    EXPECT_EQ(ini.SectionAt(-1), nullptr);
    const IniSection* section = ini.SectionAt(0);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->KeyAt(1), nullptr);
    EXPECT_EQ(section->ValueAt(1), nullptr);
    EXPECT_EQ(section->KeyAt(-1), nullptr);
    ini.Clear();
    EXPECT_EQ(ini.SectionNameAt(0), nullptr);
}
