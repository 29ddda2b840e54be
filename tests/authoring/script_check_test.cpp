#include "authoring/script_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// Rows mark where each diagnostic must point: '@' before an error, '~' before
// a warning, '%' before a note. The marks come out before the script is checked.
struct Row {
    const char* what;
    std::string script;
    const char* mentions = ""; // what the first diagnostic names
    bool quietReady = false;
};

const std::string kHead = R"(SetAppName("A") CreateSection("S", "1", "0", "c"))"
                          "\n";
const std::string kUninstaller =
    R"(AddFile("u", "[DP]\VLUninstall.exe", "S", "0", "1", "0", "0", "0", "0", ""))"
    "\n";
const std::string kTail = "\n" + kUninstaller + "ShowCopy()\n";
const std::string kWindow =
    R"(AddWindow("DIALOG_DEST", "c", "LABEL", "t", "0", "1", "2", "3", "4") )";
const std::string kRule = R"(SetNextDynamicState("DIALOG_DEST", "CONTROL", "c", "VALUE", "1") )";

// An AddFile of a part of g.txt, cut at its lastPart flag.
const std::string kG = R"(AddFile("b", "[DP]\g.txt", "S", "0", "1", "1", )";
const std::string kGEnd = R"(, "0", "0", ""))"
                          "\n";

// An AddFile of f.txt in section S; `flags` are arguments 4, 6 and 7.
std::string File(const std::string& flags, const std::string& source = R"("a")",
                 const std::string& section = R"("S")") {
    return "AddFile(" + source + R"(, "[DP]\f.txt", )" + section + ", " + flags.substr(0, 5) +
           R"(, "1", )" + flags.substr(5) +
           R"(, "0", "0", ""))"
           "\n";
}

std::string TakeMarks(std::string& script) {
    std::string marks, clean;
    unsigned line = 1, column = 1;
    for (const char c : script) {
        if (c == '@' || c == '~' || c == '%') {
            marks += std::to_string(line) + ":" + std::to_string(column) +
                     (c == '@'   ? "E "
                      : c == '~' ? "W "
                                 : "N ");
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
    const std::string plain = R"("0", "0", "0")", part = R"("0", "1", "0")",
                      last = R"("0", "1", "1")";
    const Row rows[] = {
        {"two split files listed interleaved, each completed by its last part",
         kHead + File(part) + kG + R"("0")" + kGEnd + File(last) + kG + R"("1")" + kGEnd + kTail},
        {"wrong argument count", kHead + "@SetAppName()" + kTail},
        {"section not created before", kHead + File(plain, R"("a")", R"(@"T")") + kTail},
        {"split file without its last part, then a last part of another file",
         kHead + "@" + File(part) + kG + R"(@"1")" + kGEnd + kTail},
        {"missing source", kHead + File(plain, R"(@"[SP]\missing.txt")") + kTail},
        {"copy page without application name",
         R"(CreateSection("S", "1", "0", "c") )" + kUninstaller + "@ShowCopy()"},
        {"file after the last copy page", kHead + kTail + "@" + File(plain)},
        {"misspelled command", kHead + "~AddFlie()" + kTail, "AddFile"},
        {"variable used before it is set",
         kHead + R"(SetCaption(~"[APPNAM] Setup") SetVariable("APPNAM", "x"))" + kTail, "APPNAM"},
        {"destination variable set only after the copy page",
         kHead + R"(AddFile("a", ~"[DP]\[SUB]\f", "S", "0", "1", "0", "0", "0", "0", ""))" + kTail +
             R"(SetVariable("SUB", "x"))",
         "SUB"},
        {"unknown page",
         kHead + R"(AddWindow(~"DIALOG_WELCOM", "c", "LABEL", "t", "0", "1", "2", "3", "4"))" +
             kTail},
        {"Next rule naming a control of another page",
         kHead + kWindow +
             R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", ~"c", "VALUE", "1"))" + kTail},
        {"control type in lower case",
         kHead + R"(AddWindow("DIALOG_DEST", "c", ~"checkbox", "t", "0", "1", "2", "3", "4"))" +
             kTail},
        {"message neither NOW nor COMMAND", kHead + R"(ShowMessage("a", "b", "", ~"now"))" + kTail},
        {"flag other than 0 or 1", kHead + File(R"(~"yes", "0", "0")") + kTail},
        {"DP without a trailing backslash", kHead + R"(SetVariable("DP", ~"C:\x"))" + kTail},
        {"no uninstaller", kHead + "~ShowCopy()"},
        {"quiet run: without the option nothing is said",
         kHead + kWindow + kRule + "ShowDest()" + kTail},
        {"quiet run: a page whose Next stays disabled, as things stand at each page",
         kHead + R"(AddWindow("DIALOG_DEST", "c", "CHECKBOX", "", "0", "1", "2", "3", "4") )" +
             kRule + "~ShowDest() CheckButton(\"c\") ShowDest()" + kTail,
         "a quiet run stops here: SetNextDynamicState(\"DIALOG_DEST\", \"CONTROL\", \"c\", "
         "\"VALUE\", \"1\"): the control c starts unchecked",
         true},
        {"quiet run: variables and control texts expanded as the wizard expands them",
         kHead +
             R"(SetVariable("E", "e") AddWindow("DIALOG_WELCOME", "t", "EDIT", "[APPNAME]", "0", "1", "2", "3", "4")
             SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "t", "TEXT", "A")
             SetNextDynamicState("DIALOG_WELCOME", "VARIABLE", "OK", "yes", "") ~ShowWelcome()
             SetVariable("OK", "y[E]s") ShowWelcome())" +
             kTail,
         "the variable OK holds \"\"", true},
        {"quiet run: a message shown at once goes to the log; a syntax error ends the run",
         kHead + kWindow + kRule + R"(%ShowMessage("a", "b", "", "NOW") @SetAppName() ShowDest())" +
             kTail,
         "log", true},
    };
    CheckOptions options;
    options.setupDirectory = "setup";
    options.sourceExists = [](const std::string& path) {
        return path.find("missing") == std::string::npos;
    };
    for (Row row : rows) {
        options.quietReady = row.quietReady;
        const std::string expected = TakeMarks(row.script);
        ScriptReader reader;
        reader.ScanText(row.script);
        const CheckReport report = CheckScript(reader, options);
        std::string found;
        for (const Diagnostic& d : report.diagnostics) {
            found += std::to_string(d.position.line) + ":" + std::to_string(d.position.column) +
                     (d.severity == Severity::Error     ? "E "
                      : d.severity == Severity::Warning ? "W "
                                                        : "N ");
        }
        EXPECT_EQ(found, expected) << row.what;
        const auto marked = [&](char c) {
            return static_cast<std::size_t>(std::count(found.begin(), found.end(), c));
        };
        EXPECT_EQ(report.errors + 10 * report.warnings + 100 * report.notes,
                  marked('E') + 10 * marked('W') + 100 * marked('N'))
            << row.what;
        if (!report.diagnostics.empty()) {
            EXPECT_NE(report.diagnostics[0].message.find(row.mentions), std::string::npos)
                << row.what << ": " << report.diagnostics[0].message;
        }
    }
}
