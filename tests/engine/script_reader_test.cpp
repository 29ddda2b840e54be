#include "engine/script_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Parsed = std::vector<std::pair<std::string, std::vector<std::string>>>;

Parsed Statements(const ScriptReader& reader) {
    Parsed parsed(static_cast<std::size_t>(reader.StatementCount()));
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        int count = -1;
        EXPECT_EQ(
            reader.GetStatement(static_cast<int>(i), parsed[i].first, parsed[i].second, count), 0);
    }
    return parsed;
}

// Reads `bytes` from a file as start-up does.
Parsed Read(const std::string& bytes) {
    const std::string path = ::testing::TempDir() + "vl_reader_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::ofstream(path, std::ios::binary) << bytes;
    ScriptReader reader;
    EXPECT_EQ(reader.ReadScript(path), 0);
    std::remove(path.c_str());
    return Statements(reader);
}

} // namespace

TEST(ScriptReader, ScansStatementsAsScriptsWriteThem) {
    const struct {
        std::string text;
        Parsed expected;
    } rows[] = {
        {R"(SetAppName("My ""best"" app");)", {{"SetAppName", {"My \"best\" app"}}}},
        {"ShowWelcome(); ShowWelcome() ShowWelcome;\nShowWelcome",
         {{"ShowWelcome", {}}, {"ShowWelcome", {}}, {"ShowWelcome", {}}, {"ShowWelcome", {}}}},
        {R"(Foo("") Bar("""") Baz(1, "2" "3",)"
         "\n"
         R"("4"))",
         {{"Foo", {""}}, {"Bar", {"\""}}, {"Baz", {"2", "3", "4"}}}},
        {R"(Foo ("a"))", {{"Foo", {}}, {"a", {}}}},
        {R"(Foo("a")Bar("b"))", {{"FooBar", {"a", "b"}}}},
        {"Foo(\"x\") // note\nA(\"x\")// note", {{"Foo", {"x"}}, {"A", {"x"}}, {"note", {}}}},
        {"Foo(\"a\", // \"b\"\n\"c\")", {{"Foo", {"a", "b", "c"}}}},
        {"Foo(\"line1\nline2 C:\\dir\\\")", {{"Foo", {"line1\nline2 C:\\dir\\"}}}},
        {R"(Set_Name("x") "stray words")",
         {{"Set", {}}, {"Name", {"x"}}, {"stray", {}}, {"words", {}}}},
        {"1Foo Caf\xE9(\"x\") A\xD7"
         "B",
         {{"1Foo", {}}, {"Caf\xE9", {"x"}}, {"A", {}}, {"B", {}}}},
        {"// only\n\n   // comments\n", {}},
        {"Foo(\"abc\ndef", {{"Foo", {"abc\ndef"}}}},
    };
    for (const auto& row : rows) {
        ScriptReader reader;
        reader.ScanText(row.text);
        EXPECT_EQ(Statements(reader), row.expected) << row.text;
    }
}

TEST(ScriptReader, FileLineEndsCtrlZAndByteOrderMark) {
    const struct {
        std::string bytes;
        Parsed expected;
    } rows[] = {
        {"Foo(\"a\r\nb\rc\")\r\n// c\rX()\nBar()\r\n\x1A", {{"Foo", {"a\nb\rc"}}, {"Bar", {}}}},
        {"Foo(\"a\x1A"
         "b\") Bar()",
         {{"Foo", {"a"}}}},
        // 0xEF is a letter in code page 1252, 0xBB and 0xBF are punctuation.
        {"\xEF\xBB\xBFSetAppName(\"x\");", {{"\xEF", {}}, {"SetAppName", {"x"}}}},
        {"", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Read(row.bytes), row.expected) << row.bytes;
    }
}

TEST(ScriptReader, CrLfSplitAtTheReadBoundaryBecomesOneLineFeed) {
    // The CR stands at offset 65535 and its LF at 65536.
    const std::string text(65535 - 5, 'x');
    EXPECT_EQ(Read("Foo(\"" + text + "\r\ny\");\r\n" + std::string(70000, ' ') + "Bar(\"end\")"),
              (Parsed{{"Foo", {text + "\ny"}}, {"Bar", {"end"}}}));
}
