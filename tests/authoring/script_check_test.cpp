#include "authoring/script_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows mark where each diagnostic must point: '@' before an error, '~' before
// a warning. The marks are taken out before the script is checked.
struct Row {
    const char* what;
    std::string script;
    const char* mentions = ""; // what the first diagnostic must name
};

const std::string kHead = "SetAppName(\"A\") CreateSection(\"S\", \"1\", \"0\", \"c\")\n";
const std::string kUninstaller =
    "AddFile(\"u\", \"[DP]\\VLUninstall.exe\", \"S\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", "
    "\"\")\n";
const std::string kTail = kUninstaller + "ShowCopy()\n";

std::string File(const std::string& source, const std::string& section, const std::string& split,
                 const std::string& last, const std::string& shared = "\"0\"") {
    return "AddFile(" + source + ", \"[DP]\\f.txt\", " + section + ", " + shared + ", \"1\", " +
           split + ", " + last + ", \"0\", \"0\", \"\")\n";
}

std::string Expected(std::string& script) {
    std::string marks;
    unsigned line = 1, column = 1;
    std::string clean;
    for (const char c : script) {
        if (c == '@' || c == '~') {
            marks += std::to_string(line) + ":" + std::to_string(column) + (c == '@' ? "E " : "W ");
            continue;
        }
        clean += c;
        column = c == '\n' ? 1 : column + 1;
        line += c == '\n' ? 1 : 0;
    }
    script = clean;
    return marks;
}

} // namespace

TEST(ScriptCheck, EachRuleReportsAtTheStatementOrArgumentItConcerns) {
    const std::string ok = "\"0\"", on = "\"1\"", s = "\"S\"";
    const Row rows[] = {
        {"a clean script", kHead + File("\"a\"", s, ok, ok) + kTail},
        {"a split file completed by its last part",
         kHead + File("\"a1\"", s, on, ok) + File("\"a2\"", s, on, on) + kTail},
        {"wrong argument count", kHead + "@SetAppName()\n" + kTail},
        {"section not created before", kHead + File("\"a\"", "@\"T\"", ok, ok) + kTail},
        {"split file without its last part, then a last part of another file",
         kHead + "@" + File("\"a\"", s, on, ok) +
             "@AddFile(\"b\", \"[DP]\\g.txt\", \"S\", \"0\", \"1\", \"1\", \"1\", \"0\", \"0\", "
             "\"\")\n" +
             kTail},
        {"missing source", kHead + File("@\"[SP]\\missing.txt\"", s, ok, ok) + kTail},
        {"copy page without application name",
         "CreateSection(\"S\", \"1\", \"0\", \"c\")\n" + kUninstaller + "@ShowCopy()"},
        {"file after the last copy page", kHead + kTail + "@" + File("\"a\"", s, ok, ok)},
        {"misspelled command", kHead + "~AddFlie()\n" + kTail, "AddFile"},
        {"variable used before it is set",
         kHead + "SetCaption(~\"[APPNAM] Setup\")\nSetVariable(\"APPNAM\", \"x\")\n" + kTail,
         "APPNAM"},
        {"destination variable set only after the copy page",
         kHead +
             "AddFile(\"a\", ~\"[DP]\\[SUB]\\f\", \"S\", \"0\", \"1\", \"0\", \"0\", \"0\", "
             "\"0\", \"\")\n" +
             kTail + "SetVariable(\"SUB\", \"x\")",
         "SUB"},
        {"unknown page",
         kHead +
             "AddWindow(~\"DIALOG_WELCOM\", \"c\", \"LABEL\", \"t\", \"0\", \"1\", \"2\", \"3\", "
             "\"4\")\n" +
             kTail},
        {"Next rule naming a control of another page",
         kHead +
             "AddWindow(\"DIALOG_DEST\", \"c\", \"LABEL\", \"t\", \"0\", \"1\", \"2\", \"3\", "
             "\"4\")\nSetNextDynamicState(\"DIALOG_WELCOME\", \"CONTROL\", ~\"c\", \"VALUE\", "
             "\"1\")\n" +
             kTail},
        {"control type in lower case",
         kHead +
             "AddWindow(\"DIALOG_DEST\", \"c\", ~\"checkbox\", \"t\", \"0\", \"1\", \"2\", "
             "\"3\", \"4\")\n" +
             kTail},
        {"message neither NOW nor COMMAND",
         kHead + "ShowMessage(\"a\", \"b\", \"\", ~\"now\")\n" + kTail},
        {"flag other than 0 or 1", kHead + File("\"a\"", s, ok, ok, "~\"yes\"") + kTail},
        {"DP without a trailing backslash", kHead + "SetVariable(\"DP\", ~\"C:\\x\")\n" + kTail},
        {"no uninstaller", kHead + "~ShowCopy()"},
    };
    CheckOptions options;
    options.setupDirectory = "setup";
    options.sourceExists = [](const std::string& path) {
        return path.find("missing") == std::string::npos;
    };
    for (Row row : rows) {
        const std::string expected = Expected(row.script);
        ScriptReader reader;
        reader.ScanText(row.script);
        const CheckReport report = CheckScript(reader, options);
        std::string found;
        for (const Diagnostic& d : report.diagnostics) {
            found += std::to_string(d.position.line) + ":" + std::to_string(d.position.column) +
                     (d.severity == Severity::Error ? "E " : "W ");
        }
        EXPECT_EQ(found, expected) << row.what;
        if (*row.mentions != '\0' && !report.diagnostics.empty()) {
            EXPECT_NE(report.diagnostics[0].message.find(row.mentions), std::string::npos)
                << row.what << ": " << report.diagnostics[0].message;
        }
    }
}

TEST(ScriptCheck, ManyFindingsAreAllCountedButOnlyTheFirstKept) {
    std::string script;
    for (int i = 0; i < 100000; ++i) {
        script += "Unknown()\n";
    }
    ScriptReader reader;
    reader.ScanText(script);
    const CheckReport report = CheckScript(reader, CheckOptions());
    EXPECT_EQ(report.warnings, 100000u);
    ASSERT_EQ(report.diagnostics.size(), 1000u);
    EXPECT_EQ(report.diagnostics.back().position.line, 1000u);
}
