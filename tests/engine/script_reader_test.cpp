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
        // Raw bytes: what a CR LF or a doubled quote changes, also at the end.
        {"Foo(\"a\"\"\", \"b\r\n\rc\") X(\"d\"\"", {{"Foo", {"a\"", "b\n\rc"}}, {"X", {"d\""}}}},
        {"Foo(\r\n\"a\"\r\n)Bar(\"b\r\n", {{"FooBar", {"a", "b\n"}}}},
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
        {"X Foo(\"\"\"\")Bar", {{"X", {}}, {"FooBar", {"\""}}}},
        {"Foo(\"a\r\n", {{"Foo", {"a\n"}}}},
        {std::string(70, ' ') + "Foo(\"a\x1A\")" + std::string(70, ' '), {{"Foo", {"a"}}}},
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

// Positions as vlcheck reports them (names and opening quotes; CR LF is one
// line end, a lone CR a column), and texts scanned after a file.
TEST(ScriptReader, PositionsOfAFileAndTheTextsScannedAfterIt) {
    const std::string path = ::testing::TempDir() + "vl_reader_positions";
    std::ofstream(path, std::ios::binary)
        << "A(\"a\r\n\")\r\n\r\n  B(\"x\",\r\n \"y\"\"\") \rC(\"z";
    ScriptReader reader;
    ASSERT_EQ(reader.ReadScript(path), 0);
    ASSERT_EQ(reader.ReadScript(path), 0); // read, not mapped, after the text held
    std::remove(path.c_str());
    reader.ScanText("D\r\n E(\"\"\"\")F G");
    reader.ScanText("H");
    const Parsed file = {{"A", {"a\n"}}, {"B", {"x", "y\""}}, {"C", {"z"}}};
    Parsed expected = file;
    expected.insert(expected.end(), file.begin(), file.end());
    expected.insert(expected.end(), {{"D", {}}, {"EF", {"\""}}, {"G", {}}, {"H", {}}});
    EXPECT_EQ(Statements(reader), expected);
    std::string positions;
    for (int i = 0; i < reader.StatementCount(); ++i) {
        for (int argument = -1; argument < reader.ArgumentCount(i); ++argument) {
            const ScriptPosition at =
                argument < 0 ? reader.StatementPosition(i) : reader.ArgumentPosition(i, argument);
            positions += std::to_string(at.line) + ":" + std::to_string(at.column) +
                         (argument + 1 < reader.ArgumentCount(i) ? " " : ", ");
        }
    }
    EXPECT_EQ(positions, "1:1 1:3, 4:3 4:5 5:2, 5:10 5:12, 1:1 1:3, 4:3 4:5 5:2, 5:10 5:12, 1:1, "
                         "2:2 2:4, 2:11, 1:1, ");
}
