// Hostile and damaged scripts, run by the real wizard: each run ends on its own with the exit
// code that its statements make, shows exactly the messages they ask for, and neither
// crashes nor hangs.
#include "controls.h"
#include "wizard_fixture.h"

#include <functional>
#include <ostream>
#include <random>

namespace e2e {
namespace {

constexpr char kFatalCaption[] = "Fatal error";
constexpr char kSyntaxErrorText[] = "Syntax error in 'SetupScript.INI': Function is not "
                                    "defined (possibly wrong parameter count?)\nSetup cannot "
                                    "be continued.";
// Ample for the largest script here (10 MB read, copied and expanded) under Wine.
constexpr DWORD kRunTimeoutMs = 60000;

// The last statement of most scripts: its box shows that the run got to the end.
const char kReached[] = "ShowMessage(\"end\", \"Reached\", \"\", \"NOW\");\r\n";

int AnswerOk(const MessageBoxInfo&) {
    return IDOK;
}

// Waits for the end of the run and checks how it ended: the expected code, no exception
// code, within the timeout.
void ExpectCleanExit(WizardProcess& wizard, int expected) {
    const std::optional<int> code = wizard.WaitForExit(5000);
    EXPECT_EQ(code, std::optional<int>(expected)) << DescribeExit(code);
}

// ---- Scripts that run without any page ---------------------------------------------------

struct HostileCase {
    const char* name;
    std::function<std::string()> script;
    std::vector<SeenBox> boxes; // in order, each answered with OK
    int exitCode;
};

std::string WithNul(const char* before, const char* after) {
    return std::string(before) + '\0' + after;
}

std::string NulInString() {
    return "ShowMessage(\"" + WithNul("before", "after") + "\", \"" + WithNul("NUL", "caption") +
           "\", \"\", \"NOW\");\r\n" + kReached;
}

// A NUL inside a variable's name is part of the name: "A\0B" and "A" are two variables.
std::string NulInVariableName() {
    const std::string name = WithNul("A", "B");
    return "SetVariable(\"" + name + "\", \"whole\");\r\nSetVariable(\"A\", \"part\");\r\n" +
           "ShowMessage(\"[" + name + "]/[A]\", \"NUL in a name\", \"\", \"NOW\");\r\n";
}

// A NUL in a command's name ends the name, and reading goes on after it: "Show" and
// "Welcome" are no commands, but "SetAppName" after "Foo" and a NUL is one, without its
// argument.
std::string NulInCommandName() {
    return WithNul("Show", "Welcome();\r\n") + kReached + WithNul("Foo", "SetAppName();\r\n") +
           "ShowMessage(\"not reached\", \"After the error\", \"\", \"NOW\");\r\n";
}

// A value of 10 MB, doubled and doubled again by references, painted as the caption and kept
// in a stored statement.
std::string TenMegabyteArgument() {
    const std::string big(10u * 1024u * 1024u, 'x');
    return "SetVariable(\"BIG\", \"" + big +
           "\");\r\n"
           "SetVariable(\"TWICE\", \"[BIG][BIG]\");\r\n"
           "SetVariable(\"FOUR\", \"[TWICE][TWICE]\");\r\n"
           "SetCaption(\"[BIG]\");\r\n"
           "ShowMessage(\"[BIG]\", \"[BIG]\", \"[BIG]\", \"COMMAND\");\r\n" +
           kReached;
}

std::string HundredThousandStatements() {
    std::string script;
    for (int i = 0; i < 100000; ++i)
        script += "SetVariable(\"V" + std::to_string(i) + "\", \"" + std::to_string(i) + "\");\r\n";
    return script + "ShowMessage(\"[V0]-[V99999]\", \"Reached\", \"\", \"NOW\");\r\n";
}

// The file ends inside the fourth argument, which is then exactly "NOW".
std::string UnterminatedStringAtTheEnd() {
    return "ShowMessage(\"shown\", \"Open string\", \"\", \"NOW";
}

// The string runs to the end of the file and takes the page statement with it.
std::string UnterminatedStringSwallowsTheRest() {
    return "SetAppName(\"Demo);\r\nShowWelcome();\r\n";
}

std::string UnterminatedStringMakesTwoArguments() {
    return kReached + std::string("SetAppName(\"Demo\", \"rest);\r\nShowWelcome();\r\n");
}

// The list never closes, so the quoted texts of the next statement become arguments of
// SetAppName.
std::string ParenthesisWithoutEnd() {
    return "SetAppName(\"Demo\"\r\n"
           "ShowMessage(\"not shown\", \"Swallowed\", \"\", \"NOW\");\r\n";
}

// A "[" without a "]" after it ends the expansion; a lone "[" of a value pairs with a later
// "]" of the text, so "x[y|[no end|a]" is one reference to an unset variable.
std::string BracketsWithoutEnd() {
    return "SetVariable(\"A\", \"x[y\");\r\n"
           "SetVariable(\"OPEN\", \"[[[[\");\r\n"
           "ShowMessage(\"[A]|[no end|a]b[c\", \"Brackets\", \"\", \"NOW\");\r\n"
           "ShowMessage(\"[OPEN]\", \"Open brackets\", \"\", \"NOW\");\r\n"
           "ShowMessage(\"]]][never closed\", \"Closing first\", \"\", \"NOW\");\r\n";
}

// Values that open a reference without closing it are stored as they are; a text with
// enough closing brackets then follows the chain V1 -> V2 -> ... -> V<depth>.
std::string ReferenceChain(int depth, const std::string& closing) {
    std::string script;
    for (int i = 1; i < depth; ++i)
        script +=
            "SetVariable(\"V" + std::to_string(i) + "\", \"[V" + std::to_string(i + 1) + "\");\r\n";
    script += "SetVariable(\"V" + std::to_string(depth) + "\", \"end of chain\");\r\n";
    return script + "ShowMessage(\"[V1]" + closing + "\", \"Chain\", \"\", \"NOW\");\r\n";
}

std::string NestedHundredDeep() {
    return ReferenceChain(100, std::string(99, ']'));
}

// Random bytes from a fixed seed. Ctrl-Z is left out: where it stands inside a script, the
// text may end there.
std::string Garbage(unsigned seed, std::size_t size) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
        if (byte == '\x1A')
            byte = '\x1B';
    }
    return bytes;
}

std::string BinaryGarbage() {
    return "ShowMessage(\"start\", \"Garbage\", \"\", \"NOW\");\r\n" +
           Garbage(20240611u, 256 * 1024);
}

// Every byte but NUL, the quote (doubled instead) and Ctrl-Z, in a text, a caption and a
// name.
std::string AllBytesInArguments() {
    std::string bytes;
    for (int c = 1; c < 256; ++c) {
        if (c == '"')
            bytes += "\"\"";
        else if (c != 0x1A)
            bytes += static_cast<char>(c);
    }
    return "SetVariable(\"" + bytes + "\", \"" + bytes + "\");\r\nSetCaption(\"" + bytes +
           "\");\r\nShowMessage(\"" + bytes + "\", \"" + bytes + "\", \"\", \"COMMAND\");\r\n" +
           kReached;
}

class HostileScriptTest : public WizardTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileScriptTest, EndsWithItsExitCodeAfterItsMessages) {
    WizardProcess& wizard = StartWithScript(GetParam().script());
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, AnswerOk, kRunTimeoutMs);
    EXPECT_EQ(boxes, GetParam().boxes);
    ExpectCleanExit(wizard, GetParam().exitCode);
}

void PrintTo(const HostileCase& hostile, std::ostream* out) {
    *out << hostile.name;
}

const SeenBox kEnd{"Reached", "end"};

INSTANTIATE_TEST_SUITE_P(
    Scripts, HostileScriptTest,
    ::testing::Values(
        HostileCase{"NulInString", NulInString, {{"NUL", "before"}, kEnd}, 0},
        HostileCase{"NulInVariableName", NulInVariableName, {{"NUL in a name", "whole/part"}}, 0},
        HostileCase{
            "NulInCommandName", NulInCommandName, {kEnd, {kFatalCaption, kSyntaxErrorText}}, 2},
        HostileCase{"TenMegabyteArgument", TenMegabyteArgument, {kEnd}, 0},
        HostileCase{
            "HundredThousandStatements", HundredThousandStatements, {{"Reached", "0-99999"}}, 0},
        HostileCase{"UnterminatedStringAtTheEnd",
                    UnterminatedStringAtTheEnd,
                    {{"Open string", "shown"}},
                    0},
        HostileCase{"UnterminatedStringSwallowsTheRest", UnterminatedStringSwallowsTheRest, {}, 0},
        HostileCase{"UnterminatedStringMakesTwoArguments",
                    UnterminatedStringMakesTwoArguments,
                    {kEnd, {kFatalCaption, kSyntaxErrorText}},
                    2},
        HostileCase{
            "ParenthesisWithoutEnd", ParenthesisWithoutEnd, {{kFatalCaption, kSyntaxErrorText}}, 2},
        HostileCase{"BracketsWithoutEnd",
                    BracketsWithoutEnd,
                    {{"Brackets", "xb[c"},
                     {"Open brackets", "[[[["},
                     {"Closing first", "]]][never closed"}},
                    0},
        HostileCase{"NestedHundredDeep", NestedHundredDeep, {{"Chain", "end of chain"}}, 0},
        HostileCase{"BinaryGarbage", BinaryGarbage, {{"Garbage", "start"}}, 0},
        HostileCase{"AllBytesInArguments", AllBytesInArguments, {kEnd}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A chain far deeper than the expansion follows in one go. Each step takes one closing
// bracket, so the message shows how far it went: "[V" and the number of the next link, then
// the closing brackets that were not used, the rest of the text unchanged. (The text stays
// below 32,000 characters, the most that Wine hands over when a message box is read from
// another process.)
using DeepReferenceTest = WizardTest;

TEST_F(DeepReferenceTest, StopsPartOfTheWayAndLeavesTheRest) {
    constexpr int kDepth = 100000;
    constexpr int kClosing = 20000;
    WizardProcess& wizard =
        StartWithScript(ReferenceChain(kDepth, std::string(kClosing, ']')) + kReached);
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, AnswerOk, kRunTimeoutMs);
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[1], kEnd);
    ExpectCleanExit(wizard, 0);

    const std::string& text = boxes[0].text;
    EXPECT_EQ(boxes[0].caption, "Chain");
    ASSERT_EQ(text.compare(0, 2, "[V"), 0) << text.substr(0, 80);
    const std::size_t digitsEnd = text.find(']');
    ASSERT_NE(digitsEnd, std::string::npos);
    const int next = std::stoi(text.substr(2, digitsEnd - 2));
    EXPECT_GT(next, 1) << "the chain was not followed at all";
    EXPECT_LT(next, kClosing) << "no bound: every closing bracket was used";
    // "[V1]" and kClosing more: each step has used one of them.
    const std::size_t unused = kClosing + 1 - (next - 1);
    EXPECT_EQ(text.size() - digitsEnd, unused);
    EXPECT_EQ(text.find_first_not_of(']', digitsEnd), std::string::npos);
}

// ---- Self-references typed on the destination page ----------------------------------------

constexpr int kPathField = 1011;

// The destination page stores the typed text in DP as it stands; every later expansion of
// "[DP]" then meets the reference again.
struct TypedCase {
    const char* name;
    const char* typed;
    char grows;           // the character that each round adds in front
    const char* rests[2]; // what may be left at the end when the expansion stops
};

void PrintTo(const TypedCase& typed, std::ostream* out) {
    *out << typed.name;
}

class TypedSelfReferenceTest : public WizardTest,
                               public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedSelfReferenceTest, ExpandsAFewRoundsAndStops) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetVariable("P", "[D");)", // a lone "[" is stored as it is
        "ShowDest();",
        R"(ShowMessage("[DP]", "DP is", "", "NOW");)",
        R"(ShowMessage("[DP]", "Again", "", "NOW");)",
    }));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    SetControlText(Control(page, kPathField), GetParam().typed);
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ASSERT_TRUE(wizard.WaitUntilGone(page));
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, AnswerOk, kRunTimeoutMs);
    ExpectCleanExit(wizard, 0);
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0].caption, "DP is");
    EXPECT_EQ(boxes[1].caption, "Again");
    EXPECT_EQ(boxes[1].text, boxes[0].text) << "DP itself keeps the typed text";

    const std::string& text = boxes[0].text;
    const std::size_t rounds = text.find_first_not_of(GetParam().grows);
    ASSERT_NE(rounds, std::string::npos) << text.substr(0, 100);
    EXPECT_GT(rounds, 1u) << "the reference was not expanded again";
    const std::string rest = text.substr(rounds);
    EXPECT_TRUE(rest == GetParam().rests[0] || rest == GetParam().rests[1]) << rest;
}

INSTANTIATE_TEST_SUITE_P(
    Typed, TypedSelfReferenceTest,
    ::testing::Values(TypedCase{"Direct", "x[DP]", 'x', {"[DP]", "[DP]"}},
                      // DP -> P -> DP: "[P]" gives "[D", which the "P]" after it closes.
                      TypedCase{"ThroughAnotherVariable", "y[P]P]", 'y', {"[DP]", "[P]P]"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Installation into a directory whose typed name refers to itself: the copy page creates the
// directory under the typed name, and a file "[DP]\f.txt" expands DP into itself until the
// path is far too long for the platform. The file is refused, the installation ends, and
// the log in that directory is complete.
class HostileInstallTest : public WizardTest {
  protected:
    void TearDown() override {
        WizardTest::TearDown();
        RemoveUninstallKey(app_);
        DeleteTree(StartMenuProgramsFolder() + "\\" + app_);
    }
    std::string app_;
};

TEST_F(HostileInstallTest, FileIntoASelfReferringTypedDirectoryIsRefused) {
    app_ = "VLHostile TypedDirectory";
    ASSERT_TRUE(Dir().WriteFile("disk1\\f.txt", "file"));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        ("SetAppName(\"" + app_ + "\");").c_str(),
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\f.txt", "[DP]\f.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        "ShowDest();",
        "ShowCopy();",
        R"(ShowMessage("not reached", "After copy", "", "NOW");)",
    }));
    HWND page = wizard.WaitForPage(kPathField);
    ASSERT_TRUE(page);
    const std::string typed = Dir().Path() + "\\t[DP]";
    SetControlText(Control(page, kPathField), typed);
    ASSERT_TRUE(WaitForNextEnabled(page, true));
    ClickButton(page, kNextId);
    ASSERT_TRUE(wizard.WaitUntilGone(page));
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, AnswerOk, kRunTimeoutMs);
    ExpectCleanExit(wizard, 0);

    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0].caption, "f.txt");
    // The path: some rounds of the typed directory, then what was left unexpanded.
    const std::string head = "The path ";
    const std::string tail = " is too long, setup cannot install the file.";
    const std::string& text = boxes[0].text;
    ASSERT_GT(text.size(), head.size() + tail.size()) << text;
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const std::string path = text.substr(head.size(), text.size() - head.size() - tail.size());
    const std::string round = Dir().Path() + "\\t";
    std::size_t rounds = 0;
    while (path.compare(rounds * round.size(), round.size(), round) == 0)
        ++rounds;
    EXPECT_GT(rounds, 1u) << path.substr(0, 200);
    EXPECT_EQ(path.substr(rounds * round.size()), "[DP]\\f.txt");

    const std::optional<std::string> log = FileBytes(typed + "\\Uninstall.log");
    ASSERT_TRUE(log) << "no log in the typed directory";
    const UninstallLogCheck check = CheckUninstallLog(*log, app_);
    EXPECT_TRUE(check) << check.problem;
    EXPECT_TRUE(check.paths.empty());
}

// ---- An application name of 300 characters ------------------------------------------------

// 300 characters: its Uninstall key path is longer than 299 characters, and no file system
// takes it as one name. Nothing is cut: the log names the whole key, and neither a key nor a
// folder with a part of the name is made.
std::string LongName(char variant) {
    return std::string("VLHostile") + variant + std::string(290, 'n');
}

// Uninstall keys whose names begin like `name` but are not `name`: a cut name.
std::vector<std::string> CutKeys(const std::string& name) {
    std::vector<std::string> found;
    HKEY key;
    const std::string uninstall = UninstallKeyOf("");
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall.substr(0, uninstall.size() - 1).c_str(), 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return found;
    char child[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, i, child, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (name.compare(0, 10, child, 0, 10) == 0 && name != child)
            found.push_back(child);
    }
    RegCloseKey(key);
    return found;
}

// Entries of `folder` whose names begin like `name`. None can be the whole name, which no
// file system takes as one name.
std::vector<std::string> CutFolders(const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\" + name.substr(0, 10) + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        found.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

TEST_F(HostileInstallTest, LongApplicationNameIsLoggedWholeAndNeverCut) {
    app_ = LongName('A');
    ASSERT_TRUE(Dir().WriteFile("disk1\\f.txt", "file"));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        ("SetAppName(\"" + app_ + "\");").c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\f.txt", "[DP]\f.txt", "Main", "0", "1", "0", "0", "0", "1", "Link");)",
        "ShowCopy();",
        R"(ShowMessage("[APPNAME]|[PROGRAMGROUP]", "Reached", "", "NOW");)",
    }));
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, AnswerOk, kRunTimeoutMs);
    ExpectCleanExit(wizard, 0);
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0].caption, "Reached");
    EXPECT_EQ(boxes[0].text.substr(0, app_.size() + 1), app_ + "|");

    const std::string target = Dir().PathOf("target");
    EXPECT_EQ(FileBytes(target + "\\f.txt"), std::optional<std::string>("file"));
    const std::optional<std::string> log = FileBytes(target + "\\Uninstall.log");
    ASSERT_TRUE(log);
    const UninstallLogCheck check = CheckUninstallLog(*log, app_);
    EXPECT_TRUE(check) << check.problem;
    EXPECT_GT(UninstallKeyOf(app_).size(), 299u);
    // The group folder cannot be made, so no shortcut is saved and none is logged.
    EXPECT_EQ(check.paths.size(), 1u);
    EXPECT_EQ(CutKeys(app_), std::vector<std::string>{});
    EXPECT_EQ(CutFolders(StartMenuProgramsFolder(), app_), std::vector<std::string>{});
    // Where the registry takes a key name this long, the key holds the whole name.
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyOf(app_).c_str(), 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        std::string name(1024, '\0');
        DWORD size = static_cast<DWORD>(name.size());
        RegQueryValueExA(key, "DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(&name[0]),
                         &size);
        RegCloseKey(key);
        EXPECT_EQ(name.c_str(), app_);
    }
}

TEST_F(HostileInstallTest, LongApplicationNameInTheDefaultDirectoryIsRefused) {
    app_ = LongName('B');
    ASSERT_TRUE(Dir().WriteFile("disk1\\f.txt", "file"));
    WizardProcess& wizard = StartWithScript(CrLfScript({
        ("SetAppName(\"" + app_ + "\");").c_str(),
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\f.txt", "[DP]\f.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        "ShowCopy();",
        R"(ShowMessage("not reached", "After copy", "", "NOW");)",
    }));
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, AnswerOk, kRunTimeoutMs);
    ExpectCleanExit(wizard, 0);
    const std::string directory = ProgramFilesDirectory() + "\\" + app_ + "\\";
    // The directory cannot be made, so neither can the log; the file's path is refused.
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0], (SeenBox{"UNEXPECTED ERROR",
                                 "UNINSTALL WILL NOT BE AVAILABLE, BECAUSE LOG FILE COULD NOT BE "
                                 "CREATED!"}));
    EXPECT_EQ(boxes[1], (SeenBox{"f.txt", "The path " + directory + "f.txt" +
                                              " is too long, setup cannot install the file."}));
    EXPECT_EQ(CutKeys(app_), std::vector<std::string>{});
    EXPECT_EQ(CutFolders(ProgramFilesDirectory(), app_), std::vector<std::string>{});
    EXPECT_EQ(CutFolders(StartMenuProgramsFolder(), app_), std::vector<std::string>{});
}

} // namespace
} // namespace e2e
