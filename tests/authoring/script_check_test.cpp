#include "authoring/script_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "authoring/check_command_line.h"

namespace {

// Rows mark where each diagnostic must point: '@' before an error, '~' before
// a warning, '%' before a note (also one attached to a diagnostic). The marks
// come out before the script is checked.
struct Row {
    const char* what;
    std::string script;
    const char* mentions = ""; // what vlcheck's output names
    const char* flags = "";    // vlcheck's options
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

// An AddFile of a part of another f.txt, cut at its lastPart flag.
const std::string kG = R"(AddFile("b", "[DP]\sub\f.txt", "S", "0", "1", "1", )";
const std::string kGEnd = R"(, "0", "0", ""))"
                          "\n";

// An AddFile of f.txt in section S; `flags` are arguments 4, 6 and 7.
std::string File(const std::string& flags, const std::string& source = R"("a")",
                 const std::string& section = R"("S")") {
    const std::size_t comma = flags.find(", ");
    return "AddFile(" + source + R"(, "[DP]\f.txt", )" + section + ", " + flags.substr(0, comma) +
           R"(, "1", )" + flags.substr(comma + 2) +
           R"(, "0", "0", ""))"
           "\n";
}
const std::string kPlain = R"("0", "0", "0")";

// An AddFile of `source` with the disk argument `disk`.
std::string Disk(const std::string& disk, const std::string& source = "a") {
    return R"(AddFile(")" + source + R"(", "[DP]\d", "S", "0", )" + disk +
           R"(, "0", "0", "0", "0", ""))"
           "\n";
}

std::string TakeMarks(std::string& script) {
    std::string marks, clean;
    unsigned line = 1, column = 1;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const char c = script[i];
        if (c == '@' || c == '~' || c == '%') {
            marks += std::to_string(line) + ":" + std::to_string(column) +
                     (c == '@'   ? "E "
                      : c == '~' ? "W "
                                 : "N ");
            continue;
        }
        clean += c;
        // Lines end at LF, CR LF or a lone CR; a column is a byte.
        const bool lineEnd =
            c == '\n' || (c == '\r' && (i + 1 == script.size() || script[i + 1] != '\n'));
        column = lineEnd ? 1 : column + 1;
        line += lineEnd ? 1 : 0;
    }
    script = clean;
    return marks;
}

// Where the report's diagnostics and notes point, in the marks' order.
std::string Found(const CheckReport& report) {
    std::vector<std::pair<ScriptPosition, char>> places;
    for (const Diagnostic& d : report.diagnostics) {
        places.emplace_back(d.position, d.severity == Severity::Error     ? 'E'
                                        : d.severity == Severity::Warning ? 'W'
                                                                          : 'N');
        for (const Diagnostic& note : d.notes) {
            places.emplace_back(note.position, 'N');
        }
    }
    std::sort(places.begin(), places.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.line, a.first.column, a.second) <
               std::tie(b.first.line, b.first.column, b.second);
    });
    std::string found;
    for (const auto& [at, kind] : places) {
        found += std::to_string(at.line) + ":" + std::to_string(at.column) + kind + " ";
    }
    return found;
}

std::string Rendered(const CheckReport& report, const std::string& name) {
    std::string out;
    for (const Diagnostic& d : report.diagnostics) {
        out += RenderDiagnostic(d, name);
    }
    return out + RenderSummary(report, name);
}

} // namespace

TEST(ScriptCheck, EachRuleReportsAtThePlaceItConcerns) {
    const std::string plain = kPlain, part = R"("0", "1", "0")", last = R"("0", "1", "1")";
    const Row rows[] = {
        {"two split files of one name in two folders, interleaved, each completed",
         kHead + File(part) + kG + R"("0")" + kGEnd + File(last) + kG + R"("1")" + kGEnd + kTail},
        {"wrong argument count", kHead + "@SetAppName()" + kTail},
        {"section not created before", kHead + File(plain, R"("a")", R"(@"T")") + kTail},
        {"section misspelled", kHead + File(plain, R"("a")", R"(@"s")") + kTail,
         "did you mean 'S'?"},
        {"section created after the file",
         kHead + File(plain, R"("a")", R"(@"T")") + R"(%CreateSection("T", "1", "0", "c"))" + kTail,
         "note: it is created here, after the AddFile"},
        {"split file without its last part, then a last part of another file",
         kHead + "@" + File(part) + kG + R"(@"1")" + kGEnd + kTail},
        {"split file of two parts without its last part",
         kHead + "%" + File(part) + "@" + File(part) + kTail, "note: its first part is here"},
        {"missing source", kHead + File(plain, R"(@"[SP]\missing.txt")") + kTail},
        {"copy page without application name",
         R"(CreateSection("S", "1", "0", "c") )" + kUninstaller + "@ShowCopy()"},
        {"file after the last copy page", kHead + kTail + "@" + File(plain)},
        {"misspelled command", kHead + "~AddFlie()" + kTail, "did you mean 'AddFile'? [-Wunknown"},
        {"variable used before it is set, at its name; a tab is one column",
         kHead + "SetCaption(\t\"~[APPNAM] Setup\") %SetVariable(\"APPNAM\", \"x\")" + kTail,
         "note: 'APPNAM' is set here"},
        {"variable misspelled", kHead + R"(SetCaption("x ~[APPNAM]"))" + kTail,
         "did you mean 'APPNAME'?"},
        {"destination variable set only after the copy page",
         kHead + R"(AddFile("a", "[DP]\~[SUB]\f", "S", "0", "1", "0", "0", "0", "0", ""))" + kTail +
             R"(%SetVariable("SUB", "x"))",
         "SUB"},
        {"'[' without its ']'", kHead + R"(SetCaption("x ~[APPNAME"))" + kTail,
         "leaves '[APPNAME' as it is"},
        {"unknown page",
         kHead + R"(AddWindow(~"DIALOG_WELCOM", "c", "LABEL", "t", "0", "1", "2", "3", "4"))" +
             kTail},
        {"Next rule naming a control of another page",
         kHead + kWindow +
             R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", ~"c", "VALUE", "1"))" + kTail},
        {"Next rule words the pages do not know",
         kHead + kWindow + R"(SetNextDynamicState("DIALOG_DEST", ~"CONTROLS", "c", "VALUE", "1")
             SetNextDynamicState("DIALOG_DEST", "CONTROL", "c", ~"value", "1"))" +
             kTail,
         "did you mean 'CONTROL'?"},
        {"control type in lower case; a class the system has",
         kHead + R"(AddWindow("DIALOG_DEST", "c", ~"checkbox", "t", "0", "1", "2", "3", "4")
             AddWindow("DIALOG_DEST", "d", "button", "t", "0", "1", "2", "3", "4"))" +
             kTail},
        {"control type no class",
         kHead + R"(AddWindow("DIALOG_DEST", "c", ~"CHEKBOX", "t", "0", "1", "2", "3", "4"))" +
             kTail,
         "did you mean 'CHECKBOX'?"},
        {"message neither NOW nor COMMAND", kHead + R"(ShowMessage("a", "b", "", ~"now"))" + kTail},
        {"flag other than 0 or 1", kHead + File(R"(~"yes", "0", "0")") + kTail},
        {"disk numbers the prompt cannot ask for, or not the source's folder",
         kHead + Disk(R"(~"abc")") + Disk(R"(~"0")") + Disk(R"(~"-1")") + Disk(R"(~"40000")") +
             Disk(R"("2")", R"([SP]\disk2\a)") + Disk(R"(~"1")", R"([SP]\Disk2\a)") + kTail,
         "would ask for disk -25536"},
        {"DP without a trailing backslash", kHead + R"(SetVariable("DP", ~"C:\x"))" + kTail},
        {"no uninstaller", kHead + "~ShowCopy()"},
        {"missing ')' takes in the next statement",
         kHead + "SetCaption%(\"x\"@;\nShowWelcome();\n" + kTail,
         "goes on to line 3 and takes in 'ShowWelcome(', which never runs"},
        {"missing closing quote: nothing after it is checked",
         kHead + "SetCaption(@\"Demo);\nShowWelcome();\nSetCaption(%\"x\");\nAddFlie()" + kTail,
         "runs on to line 4 and takes in 'ShowWelcome('"},
        {"string that never ends", kHead + kTail + "SetCaption(@\"x);", "to the end of the file"},
        {"'(' without ')' at the end", kHead + kTail + "ShowWelcome~(", "[-Wsyntax]"},
        {"comment in an argument list ended by its ')', without a cascade",
         kHead +
             "AddFile(\"a\", @// the (main%) file\n \"[DP]\\b\", \"S\", \"0\", \"1\", \"0\", "
             "\"0\", \"0\", \"0\", \"\");\n" +
             kTail,
         "AddFile gets 1 argument instead of 10"},
        {"comment in an argument list with a quote: nothing after it is checked",
         kHead + "SetCaption(\"x\" @// the %\"main\n)\n\")\nAddFlie()" + kTail,
         "the quotes in this one make an argument, so SetCaption gets 2 arguments"},
        {"comment in an argument list, harmless", kHead + "SetCaption(\"x\" ~// caption\n)" + kTail,
         "[-Wcomment]"},
        {"comment right after ')'", kHead + kUninstaller + "ShowCopy()~// the words",
         "[-Wcomment]"},
        {"missing ';' between statements", kHead + "ShowWelcome()@ShowDest()" + kTail,
         "missing ';' before 'ShowDest'"},
        {"single, curly and backslash-escaped quotes",
         kHead +
             "@SetCaption(~'x')\n@SetCaption(~\x93x\x94)\n@SetCaption(~\xE2\x80\x9Cx\xE2\x80\x9D)\n"
             "@SetCaption(\"say ~\\\"hi\\\"\")" +
             kTail,
         "arguments need straight double quotes"},
        {"UTF-8 byte order mark", "~\xEF\xBB\xBF" + kHead + kTail, "byte order mark"},
        {"Ctrl-Z ends the script", kHead + kTail + "@\x1A ShowWelcome()", "the 1 statement after"},
        {"lines ended by CR alone; a comment runs on",
         "SetAppName(\"A\")\r@// c\rShowWelcome()\rShowDest()\r", "the 2 statements up to"},
        {"empty file", "@"},
        {"binary file", "SetAppName(\"A\")@" + std::string(1, '\0')},
        {"UTF-16 file", "@\xFF\xFE" + std::string("S\0", 2), "UTF-16"},
        {"-Wno- switches a class off", kHead + "AddFlie()" + kTail, "", "-Wno-unknown-command"},
        {"-Werror", kHead + "@AddFlie()" + kTail, "[-Werror,-Wunknown-command]", "-Werror"},
        {"-Werror= makes one class errors",
         kHead + File(R"(@"yes", "0", "0")") + "~AddFlie()" + kTail, "", "-Werror=flag"},
        {"--max-errors", kHead + "@SetAppName() SetAppName()" + kTail,
         "1 more not shown\ns.ini: 2 errors", "--max-errors=1"},
        {"quiet run: without the option nothing is said",
         kHead + kWindow + kRule + "ShowDest()" + kTail},
        {"quiet run: a page whose Next stays disabled, as things stand at each page",
         kHead + R"(AddWindow("DIALOG_DEST", "c", "CHECKBOX", "", "0", "1", "2", "3", "4") )" +
             kRule + "~ShowDest() CheckButton(\"c\") ShowDest()" + kTail,
         "a quiet run stops here: SetNextDynamicState(\"DIALOG_DEST\", \"CONTROL\", \"c\", "
         "\"VALUE\", \"1\"): the control c starts unchecked [-Wquiet-ready]",
         "-Wquiet-ready"},
        {"quiet run: variables and control texts expanded as the wizard expands them",
         kHead +
             R"(SetVariable("E", "e") AddWindow("DIALOG_WELCOME", "t", "EDIT", "[APPNAME]", "0", "1", "2", "3", "4")
             SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "t", "TEXT", "A")
             SetNextDynamicState("DIALOG_WELCOME", "VARIABLE", "OK", "yes", "") ~ShowWelcome()
             SetVariable("OK", "y[E]s") ShowWelcome())" +
             kTail,
         "the variable OK holds \"\"", "--quiet-ready"},
        {"quiet run: a message shown at once goes to the log; a syntax error ends the run",
         kHead + kWindow + kRule + R"(%ShowMessage("a", "b", "", "NOW") @SetAppName() ShowDest())" +
             kTail,
         "log", "--quiet-ready"},
    };
    for (Row row : rows) {
        CheckArguments arguments;
        std::string message;
        std::istringstream flags(row.flags);
        std::vector<std::string> words{"s.ini"};
        for (std::string word; flags >> word;) {
            words.push_back(word);
        }
        ASSERT_EQ(ParseCheckArguments(words, arguments, message), CheckCommand::Run) << row.what;
        CheckOptions& options = arguments.options;
        options.setupDirectory = "setup";
        options.sourceExists = [](const std::string& path) {
            return path.find("missing") == std::string::npos;
        };
        const std::string expected = TakeMarks(row.script);
        const CheckReport report = CheckScriptBytes(row.script, options);
        EXPECT_EQ(Found(report), expected) << row.what;
        std::size_t counts[3] = {};
        for (const Diagnostic& d : report.diagnostics) {
            ++counts[static_cast<int>(d.severity)];
        }
        if (options.policy.maxErrors == 0) {
            EXPECT_EQ(std::vector<std::size_t>(counts, counts + 3),
                      (std::vector<std::size_t>{report.notes, report.warnings, report.errors}))
                << row.what;
        }
        const std::string output = Rendered(report, "s.ini");
        EXPECT_NE(output.find(row.mentions), std::string::npos) << row.what << ":\n" << output;
    }
}

// Sources are looked up without regard to case, as the wizard's file system
// does, and a folder is no source.
TEST(ScriptCheck, SourcesFoundAsTheWizardFindsThem) {
    const std::filesystem::path setup = ::testing::TempDir() + "vl_check_sources";
    std::filesystem::create_directories(setup / "Disk1" / "docs");
    std::ofstream(setup / "Disk1" / "App.EXE") << "x";
    std::string script = kHead + File(kPlain, R"("[SP]\disk1\app.exe")") +
                         File(kPlain, R"(@"[SP]\DISK1\Docs")") +
                         File(kPlain, R"(@"[SP]\disk1\gone.txt")") + kTail;
    const std::string expected = TakeMarks(script);
    CheckOptions options;
    options.setupDirectory = setup.string();
    const CheckReport report = CheckScriptBytes(script, options);
    EXPECT_EQ(Found(report), expected + "6:9E "); // and the uninstaller, "u", is missing
    EXPECT_NE(Rendered(report, "s").find("Docs' is a folder, not a file"), std::string::npos);
    // Without --disks the first missing source, and only that, says how to give it.
    options.setupDirectoryGuessed = true;
    const std::string guessed = Rendered(CheckScriptBytes(script, options), "s");
    std::filesystem::remove_all(setup);
    const std::size_t hint = guessed.find("name their folder with --disks DIR");
    EXPECT_NE(hint, std::string::npos) << guessed;
    EXPECT_EQ(guessed.find("name their folder with --disks DIR", hint + 1), std::string::npos)
        << guessed;
}

// What an author sees: the source line with a caret under the column (tabs
// kept and a UTF-8 character one column, so that it lines up), the notes the
// same way, the warning's class.
TEST(ScriptCheck, OutputShowsTheLineACaretAndTheNotes) {
    const CheckReport report = CheckScriptBytes(
        kHead + "\tSetCaption(\"x\";\nShowWelcome();\nSetCaption(\"Grüße\") AddFlie()\n",
        CheckOptions());
    EXPECT_EQ(Rendered(report, "s.ini"),
              "s.ini:2:16: error: missing ')' after the arguments of 'SetCaption': the list goes "
              "on to line 3 and takes in 'ShowWelcome(', which never runs\n"
              "\tSetCaption(\"x\";\n"
              "\t              ^\n"
              "s.ini:2:12: note: to match this '('\n"
              "\tSetCaption(\"x\";\n"
              "\t          ^\n"
              "s.ini:4:23: warning: unknown command 'AddFlie' is skipped; did you mean 'AddFile'? "
              "[-Wunknown-command]\n"
              "SetCaption(\"Grüße\") AddFlie()\n"
              "                    ^\n"
              "s.ini: 1 error, 1 warning\n");
}

TEST(ScriptCheck, CommandLine) {
    const struct {
        const char* arguments;
        CheckCommand command;
    } rows[] = {
        {"--version", CheckCommand::Version},
        {"a.ini -h", CheckCommand::Help},
        {"-", CheckCommand::Run},
        {"--disks d --max-errors 3 -Wno-flag a", CheckCommand::Run},
        {"", CheckCommand::Wrong},
        {"a.ini b.ini", CheckCommand::Wrong},
        {"--bogus a.ini", CheckCommand::Wrong},
        {"-Wno-bogus a.ini", CheckCommand::Wrong},
        {"--max-errors x a.ini", CheckCommand::Wrong},
    };
    for (const auto& row : rows) {
        std::istringstream text(row.arguments);
        std::vector<std::string> words;
        for (std::string word; text >> word;) {
            words.push_back(word);
        }
        CheckArguments arguments;
        std::string message;
        EXPECT_EQ(ParseCheckArguments(words, arguments, message), row.command) << row.arguments;
        EXPECT_EQ(message.empty(), row.command != CheckCommand::Wrong) << row.arguments;
    }
}
