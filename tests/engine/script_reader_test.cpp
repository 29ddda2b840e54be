#include "engine/script_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;
using Parsed = std::vector<std::pair<std::string, Arguments>>;

Parsed Statements(const ScriptReader& reader) {
    Parsed parsed;
    for (int i = 0; i < reader.StatementCount(); ++i) {
        std::string name;
        Arguments arguments;
        int count = -1;
        EXPECT_EQ(reader.GetStatement(i, name, arguments, count), 0);
        EXPECT_EQ(count, static_cast<int>(arguments.size())) << name;
        parsed.emplace_back(name, arguments);
    }
    return parsed;
}

Parsed Scan(const std::string& text) {
    ScriptReader reader;
    reader.ScanText(text);
    return Statements(reader);
}

// A file in the test's temporary directory, removed when the test ends. The
// random part keeps test runs of several build trees apart.
class TempScript {
  public:
    explicit TempScript(const std::string& bytes)
        : path_(::testing::TempDir() + "vl_reader_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                std::to_string(std::random_device{}()) + ".ini") {
        FILE* file = std::fopen(path_.c_str(), "wb");
        EXPECT_NE(file, nullptr) << path_;
        if (file != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }
    ~TempScript() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

Parsed Read(const std::string& bytes) {
    TempScript script(bytes);
    ScriptReader reader;
    EXPECT_EQ(reader.ReadScript(script.path()), 0);
    return Statements(reader);
}

struct GrammarCase {
    const char* what;
    std::string text;
    Parsed expected;
};

} // namespace

TEST(ScriptReaderGrammar, ScansStatementsAsTheStateTableSays) {
    const GrammarCase cases[] = {
        {"doubled quotes",
         "SetAppName(\"My \"\"best\"\" app\");",
         {{"SetAppName", {"My \"best\" app"}}}},
        {"no arguments with parentheses and semicolon", "ShowWelcome();", {{"ShowWelcome", {}}}},
        {"no arguments with parentheses", "ShowWelcome()", {{"ShowWelcome", {}}}},
        {"no arguments, no parentheses", "ShowWelcome;", {{"ShowWelcome", {}}}},
        {"bare name on its own line", "ShowWelcome\n", {{"ShowWelcome", {}}}},
        {"bare name at the end of the text", "ShowWelcome", {{"ShowWelcome", {}}}},
        {"empty argument", "Foo(\"\")", {{"Foo", {""}}}},
        {"empty list", "Foo()", {{"Foo", {}}}},
        {"argument that is one quote", "Foo(\"\"\"\")", {{"Foo", {"\""}}}},
        {"quote at the end of an argument", "Foo(\"a\"\"\")", {{"Foo", {"a\""}}}},
        {"arguments separated by a blank", "Foo(\"a\" \"b\")", {{"Foo", {"a", "b"}}}},
        {"arguments separated by a comma", "Foo(\"a\", \"b\")", {{"Foo", {"a", "b"}}}},
        {"argument list over two lines", "Foo(\"a\",\n\"b\")", {{"Foo", {"a", "b"}}}},
        {"arguments without separator", "Foo(\"a\"\"b\")", {{"Foo", {"a\"b"}}}},
        {"unquoted words dropped", "Foo(1, \"2\")", {{"Foo", {"2"}}}},
        {"only unquoted words", "Foo(x y 3)", {{"Foo", {}}}},
        {"blank before the parenthesis", "Foo (\"a\")", {{"Foo", {}}, {"a", {}}}},
        {"nothing between two statements", "Foo(\"a\")Bar(\"b\")", {{"FooBar", {"a", "b"}}}},
        {"second list after a closed one", "Foo(\"a\")(\"b\")", {{"Foo", {"a", "b"}}}},
        {"comment after a blank", "Foo(\"x\") // note", {{"Foo", {"x"}}}},
        {"comment straight after the list", "Foo(\"x\")// note", {{"Foo", {"x"}}, {"note", {}}}},
        {"comment straight after a name", "Foo// note", {{"Foo", {}}, {"note", {}}}},
        {"no comment inside a list", "Foo(\"a\", // \"b\"\n\"c\")", {{"Foo", {"a", "b", "c"}}}},
        {"comment runs to the end of its line", "// Foo(\"a\")\nBar(\"b\")", {{"Bar", {"b"}}}},
        {"comment characters inside a string", "Foo(\"// x\")", {{"Foo", {"// x"}}}},
        {"lone slash ignored", "a/b", {{"a", {}}, {"b", {}}}},
        {"line feed inside a string", "Foo(\"line1\nline2\")", {{"Foo", {"line1\nline2"}}}},
        {"parentheses and semicolons inside a string", "Foo(\"(a);b)\")", {{"Foo", {"(a);b)"}}}},
        {"backslashes are ordinary", "Foo(\"C:\\dir\\\")", {{"Foo", {"C:\\dir\\"}}}},
        {"underscore is no name character", "Set_Name(\"x\")", {{"Set", {}}, {"Name", {"x"}}}},
        {"stray quoted words at top level", "\"hello world\"", {{"hello", {}}, {"world", {}}}},
        {"name beginning with digits", "1Foo(\"a\") 42", {{"1Foo", {"a"}}, {"42", {}}}},
        {"accented letters are name characters",
         "Caf\xE9(\"x\") \xC4nderung",
         {{"Caf\xE9", {"x"}}, {"\xC4nderung", {}}}},
        {"multiplication sign is no name character",
         "A\xD7"
         "B",
         {{"A", {}}, {"B", {}}}},
        {"semicolons and blanks between statements",
         ";; Foo ;\t; Bar();",
         {{"Foo", {}}, {"Bar", {}}}},
        {"empty text", "", {}},
        {"only comments and blank lines", "// one\n\n   // two\n\t\n//", {}},
        {"only punctuation", "();,\"\"/ )(", {}},
        {"unterminated string runs to the end", "Foo(\"abc\ndef", {{"Foo", {"abc\ndef"}}}},
        {"unclosed list simply ends", "Foo(\"a\" ", {{"Foo", {"a"}}}},
        {"quote as the last character of an unterminated string",
         "Foo(\"a\"\"",
         {{"Foo", {"a\""}}}},
        {"zero byte inside a string is kept",
         std::string("Foo(\"a\0b\")", 10),
         {{"Foo", {std::string("a\0b", 3)}}}},
        {"zero byte ends a name", std::string("Foo\0Bar", 7), {{"Foo", {}}, {"Bar", {}}}},
    };
    for (const GrammarCase& c : cases) {
        EXPECT_EQ(Scan(c.text), c.expected) << c.what;
    }
}

TEST(ScriptReaderGrammar, AUtf8ByteOrderMarkBecomesAOneLetterStatement) {
    // 0xEF is a letter in code page 1252, 0xBB and 0xBF are punctuation.
    EXPECT_EQ(Read("\xEF\xBB\xBFSetAppName(\"x\");"),
              (Parsed{{"\xEF", {}}, {"SetAppName", {"x"}}}));
}

TEST(NormalizeScriptBytes, ConvertsLineEndsAndStopsAtCtrlZ) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a\r\nb", "a\nb"},
        {"a\rb", "a\rb"},
        {"a\r", "a\r"},
        {"a\r\r\nb", "a\r\nb"},
        {"a\n\rb", "a\n\rb"},
        {"\r\n\r\n", "\n\n"},
        {"abc\x1A", "abc"},
        {"abc\x1A\x1A\x1A", "abc"},
        {"ab\x1A"
         "cd",
         "ab"},
        {"\x1A"
         "abc",
         ""},
        {"a\r\x1A\nb", "a\r"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeScriptBytes(c.first), c.second) << testing::PrintToString(c.first);
    }
}

TEST(ScriptReaderFile, LineEndsAndCtrlZAreHandledWhileReading) {
    const GrammarCase cases[] = {
        {"CR LF inside a string becomes LF", "Foo(\"a\r\nb\")\r\n", {{"Foo", {"a\nb"}}}},
        {"lone CR inside a string stays", "Foo(\"a\rb\")", {{"Foo", {"a\rb"}}}},
        {"CR LF ends a comment", "// c\r\nFoo()", {{"Foo", {}}}},
        {"lone CR does not end a comment", "// c\rFoo()\nBar()", {{"Bar", {}}}},
        {"Ctrl-Z as the last byte", "Foo(\"a\");\r\n\x1A", {{"Foo", {"a"}}}},
        {"Ctrl-Z ends an unterminated string", "Foo(\"a\x1A", {{"Foo", {"a"}}}},
        {"Ctrl-Z in the middle ends the text",
         "Foo(\"a\")\x1A"
         "Bar(\"b\")",
         {{"Foo", {"a"}}}},
        {"Ctrl-Z inside a string ends the text",
         "Foo(\"a\x1A"
         "b\") Bar()",
         {{"Foo", {"a"}}}},
        {"empty file", "", {}},
        {"comments and blank lines only", "// setup\r\n\r\n   \r\n// end\r\n", {}},
    };
    for (const GrammarCase& c : cases) {
        EXPECT_EQ(Read(c.text), c.expected) << c.what;
    }
}

TEST(ScriptReaderFile, LargeFileIsReadWholeWithCrLfAtA64KibBoundary) {
    // The CR stands at offset 65535 and its LF at 65536.
    const std::string prefix = "Foo(\"";
    std::string bytes = prefix + std::string(65535 - prefix.size(), 'x') + "\r\ny\");\r\n";
    bytes += std::string(70000, ' ') + "Bar(\"end\")";
    ASSERT_EQ(bytes[65535], '\r');
    EXPECT_EQ(Read(bytes), (Parsed{{"Foo", {std::string(65535 - prefix.size(), 'x') + "\ny"}},
                                   {"Bar", {"end"}}}));
}

TEST(ScriptReaderFile, MissingFileReturnsMinusOneAndKeepsTheList) {
    ScriptReader reader;
    reader.ScanText("Keep()");
    EXPECT_EQ(reader.ReadScript(::testing::TempDir() + "vl_no_such_dir/SetupScript.ini"), -1);
    EXPECT_EQ(Statements(reader), (Parsed{{"Keep", {}}}));
}

TEST(ScriptReaderFile, ReadingAppendsToTheEarlierList) {
    TempScript script("SetAppName(\"Demo\");\nShowWelcome();\n");
    ScriptReader reader;
    reader.ScanText("First(\"1\")");
    EXPECT_EQ(reader.ReadScript(script.path()), 0);
    EXPECT_EQ(reader.ReadScript(script.path()), 0);
    EXPECT_EQ(Statements(reader), (Parsed{{"First", {"1"}},
                                          {"SetAppName", {"Demo"}},
                                          {"ShowWelcome", {}},
                                          {"SetAppName", {"Demo"}},
                                          {"ShowWelcome", {}}}));
}

TEST(ScriptReaderFile, EmptyFileIsReadSuccessfullyWithoutStatements) {
    TempScript script("");
    ScriptReader reader;
    EXPECT_EQ(reader.ReadScript(script.path()), 0);
    EXPECT_EQ(reader.StatementCount(), 0);
}

TEST(ScriptReaderGetStatement, IndexOutOfRangeReturnsMinusOneAndLeavesOutputsUntouched) {
    ScriptReader reader;
    reader.ScanText("Foo(\"a\") Bar()");
    for (int index : {-1, 2, 3, -2147483647 - 1, 2147483647}) {
        std::string name = "before";
        Arguments arguments = {"x", "y"};
        int count = 7;
        EXPECT_EQ(reader.GetStatement(index, name, arguments, count), -1) << index;
        EXPECT_EQ(name, "before");
        EXPECT_EQ(arguments, (Arguments{"x", "y"}));
        EXPECT_EQ(count, 7);
    }
}

TEST(ScriptReaderGetStatement, ReplacesEarlierOutputsWithTheStatement) {
    ScriptReader reader;
    reader.ScanText("Foo(\"a\") Bar()");
    std::string name = "old";
    Arguments arguments = {"x", "y", "z"};
    int count = 3;
    ASSERT_EQ(reader.GetStatement(1, name, arguments, count), 0);
    EXPECT_EQ(name, "Bar");
    EXPECT_TRUE(arguments.empty());
    EXPECT_EQ(count, 0);
}
