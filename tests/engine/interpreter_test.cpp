#include "engine/interpreter.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/model.h"
#include "engine/script_reader.h"
#include "engine/variables.h"
#include "engine/background_settings.h"

namespace {

using Log = std::vector<std::string>;

// Records what the interpreter asks of the windowing layer, in order.
class FakeHost : public CommandHost {
  public:
    void ShowImmediateMessage(const std::string& text, const std::string& caption) override {
        log.push_back("message:" + text + "|" + caption);
    }
    void RepaintBackground() override { log.push_back("repaint"); }
    int RunPage(PageTemplate page) override {
        log.push_back("page:" + std::to_string(static_cast<int>(page)));
        ++pagesRun;
        if (quitAfterPage == pagesRun) {
            RequestQuit();
        }
        if (pageResults.empty()) {
            return 0;
        }
        const int result = pageResults.front();
        pageResults.pop_front();
        return result;
    }
    void ShowSyntaxError() override { log.push_back("syntax error"); }

    Log log;
    std::deque<int> pageResults; // results of the next pages; 0 when empty
    int pagesRun = 0;
    int quitAfterPage = -1; // the page (1-based) after which a quit is requested
};

class InterpreterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scriptReader.Clear();
        variables.Clear();
        model.Clear();
        ResetBackgroundSettings();
        ResetQuitRequest();
        programFilesDir = "C:\\Program Files\\";
    }

    RunOutcome Run(const std::string& script) {
        scriptReader.ScanText(script);
        return RunScript(host);
    }

    // Whether a variable exists, without creating it.
    static bool IsSet(const std::string& name) {
        const std::size_t before = variables.Count();
        variables.Lookup(name);
        return variables.Count() == before;
    }

    FakeHost host;
};

struct CommandCount {
    const char* name;
    int count;
};

const CommandCount kCommandCounts[] = {
    {"SetAppName", 1},        {"SetBackground", 6},    {"SetRedrawWait", 1},
    {"SetDeveloperName", 1},  {"SetVariable", 2},      {"SetWelcomeString", 2},
    {"SetWelcomeString2", 1}, {"SetCaption", 1},       {"SetCaptionColor", 6},
    {"SetCaptionSize", 1},    {"SetCaptionPos", 4},    {"CreateSection", 4},
    {"AddFile", 10},          {"ShowMessage", 4},      {"AddWindow", 9},
    {"ShowWelcome", 0},       {"ShowDest", 0},         {"ShowSections", 0},
    {"ShowCopy", 0},          {"ShowProgramGroup", 0}, {"SetNextDynamicState", 5},
    {"CheckButton", 1},
};

std::string Call(const std::string& name, int argumentCount) {
    std::string text = name + "(";
    for (int i = 0; i < argumentCount; ++i) {
        text += i == 0 ? "\"1\"" : ", \"1\"";
    }
    return text + ");\n";
}

} // namespace

TEST(CommandTable, KnowsTheTwentyTwoCommandsAndTheirCounts) {
    for (const CommandCount& c : kCommandCounts) {
        EXPECT_EQ(CommandArgumentCount(c.name), c.count) << c.name;
    }
    for (const char* name : {"", "setappname", "SetAppname", "SETAPPNAME", "SetAppName2",
                             "ShowWelcomePage", "Show", "SetVariables", "AddFiles"}) {
        EXPECT_EQ(CommandArgumentCount(name), -1) << name;
    }
}

TEST_F(InterpreterTest, WrongArgumentCountIsASyntaxErrorAfterTheEarlierStatements) {
    for (const CommandCount& c : kCommandCounts) {
        for (int count : {c.count - 1, c.count + 1}) {
            if (count < 0) {
                continue;
            }
            SetUp();
            host = FakeHost();
            const RunOutcome outcome =
                Run("SetCaption(\"before\");\nShowMessage(\"m\", \"c\", "
                    "\"\", \"NOW\");\n" +
                    Call(c.name, count) + "SetDeveloperName(\"after\");\nShowWelcome();\n");
            EXPECT_EQ(outcome, RunOutcome::SyntaxError) << c.name << " with " << count;
            EXPECT_EQ(host.log, (Log{"message:m|c", "syntax error"})) << c.name << " " << count;
            EXPECT_EQ(variables.Lookup("CAPTION"), "before") << c.name << " " << count;
            EXPECT_FALSE(IsSet("DEVELOPERNAME")) << c.name << " " << count;
        }
    }
}

TEST_F(InterpreterTest, RightArgumentCountRunsEveryCommand) {
    for (const CommandCount& c : kCommandCounts) {
        SetUp();
        host = FakeHost();
        EXPECT_EQ(Run(Call(c.name, c.count) + "SetDeveloperName(\"after\");"), RunOutcome::Finished)
            << c.name;
        EXPECT_EQ(variables.Lookup("DEVELOPERNAME"), "after") << c.name;
        for (const std::string& entry : host.log) {
            EXPECT_NE(entry, "syntax error") << c.name;
        }
    }
}

TEST_F(InterpreterTest, UnknownAndWrongCaseNamesAreSkippedSilently) {
    const RunOutcome outcome = Run("SetAppname(\"X\");\n"
                                   "setappname(\"X\");\n"
                                   "SETAPPNAME(\"X\");\n"
                                   "SetAppName2();\n"
                                   "showwelcome();\n"
                                   "ShowWelcomePage();\n"
                                   "Foo(\"1\", \"2\", \"3\");\n"
                                   "\xEF\n"
                                   "SetCaption(\"ran\");\n");
    EXPECT_EQ(outcome, RunOutcome::Finished);
    EXPECT_TRUE(host.log.empty());
    EXPECT_FALSE(IsSet("APPNAME"));
    EXPECT_EQ(variables.Lookup("CAPTION"), "ran");
}

TEST_F(InterpreterTest, EmptyScriptFinishesWithoutDoingAnything) {
    EXPECT_EQ(Run(""), RunOutcome::Finished);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(variables.Count(), 0u);
}

TEST_F(InterpreterTest, SetAppNameSetsNameGroupAndDestination) {
    variables.Assign("DP", "D:\\chosen by user\\");
    variables.Assign("V", "Dem");
    EXPECT_EQ(Run("SetAppName(\"[V]o\");"), RunOutcome::Finished);
    EXPECT_EQ(variables.Lookup("APPNAME"), "Demo");
    EXPECT_EQ(variables.Lookup("PROGRAMGROUP"), "Demo");
    EXPECT_EQ(variables.Lookup("DP"), "C:\\Program Files\\Demo\\");
}

TEST_F(InterpreterTest, SetAppNameWithoutProgramFilesKeyStartsDestinationAtTheRoot) {
    programFilesDir = "\\";
    EXPECT_EQ(Run("SetAppName(\"Demo\");"), RunOutcome::Finished);
    EXPECT_EQ(variables.Lookup("DP"), "\\Demo\\");
}

TEST_F(InterpreterTest, TextCommandsAssignTheirExpandedArguments) {
    variables.Assign("X", "v");
    EXPECT_EQ(Run("SetDeveloperName(\"Dev [X]\");\n"
                  "SetWelcomeString(\"Text [X]\", \"Caption [X]\");\n"
                  "SetWelcomeString2(\"Second [X]\");\n"
                  "SetCaption(\"[X] Setup\");\n"),
              RunOutcome::Finished);
    EXPECT_EQ(variables.Lookup("DEVELOPERNAME"), "Dev v");
    EXPECT_EQ(variables.Lookup("WELCOMESTRING"), "Text v");
    EXPECT_EQ(variables.Lookup("WELCOMESTRING_CAP"), "Caption v");
    EXPECT_EQ(variables.Lookup("WELCOMESTRING2"), "Second v");
    EXPECT_EQ(variables.Lookup("CAPTION"), "v Setup");
}

TEST_F(InterpreterTest, SetVariableExpandsBothNameAndValue) {
    variables.Assign("X", "NAME");
    EXPECT_EQ(Run("SetVariable(\"[X]\", \"v\");"), RunOutcome::Finished);
    EXPECT_EQ(variables.Lookup("NAME"), "v");
    EXPECT_EQ(variables.Lookup("X"), "NAME");

    EXPECT_EQ(Run("SetVariable(\"X\", \"[X]y\");"), RunOutcome::Finished);
    EXPECT_EQ(variables.Lookup("X"), "NAMEy");
}

TEST_F(InterpreterTest, SetVariableNamesAreCaseSensitive) {
    EXPECT_EQ(Run("SetVariable(\"Case\", \"lower\");\n"
                  "SetVariable(\"CASE\", \"upper\");\n"),
              RunOutcome::Finished);
    EXPECT_EQ(variables.Lookup("Case"), "lower");
    EXPECT_EQ(variables.Lookup("CASE"), "upper");
}

TEST_F(InterpreterTest, SetBackgroundStoresNumbersUnchangedAndRepaintsAtOnce) {
    EXPECT_EQ(Run("SetBackground(\"1\", \"2\", \"3\", \"256\", \"-1\", \"1000\");\n"
                  "ShowWelcome();\n"
                  "SetBackground(\" 7x\", \"\", \"yes\", \"+4\", \"0\", \"255\");\n"),
              RunOutcome::Finished);
    EXPECT_EQ(host.log, (Log{"repaint", "page:101", "repaint"}));
    EXPECT_EQ(backgroundSettings.gradientStart[0], 7);
    EXPECT_EQ(backgroundSettings.gradientStart[1], 0);
    EXPECT_EQ(backgroundSettings.gradientStart[2], 0);
    EXPECT_EQ(backgroundSettings.gradientEnd[0], 4);
    EXPECT_EQ(backgroundSettings.gradientEnd[1], 0);
    EXPECT_EQ(backgroundSettings.gradientEnd[2], 255);

    ResetBackgroundSettings();
    scriptReader.Clear();
    EXPECT_EQ(Run("SetBackground(\"1\", \"2\", \"3\", \"256\", \"-1\", \"1000\");"),
              RunOutcome::Finished);
    EXPECT_EQ(backgroundSettings.gradientStart[0], 1);
    EXPECT_EQ(backgroundSettings.gradientStart[1], 2);
    EXPECT_EQ(backgroundSettings.gradientStart[2], 3);
    EXPECT_EQ(backgroundSettings.gradientEnd[0], 256);
    EXPECT_EQ(backgroundSettings.gradientEnd[1], -1);
    EXPECT_EQ(backgroundSettings.gradientEnd[2], 1000);
}

TEST_F(InterpreterTest, CaptionCommandsChangeSettingsWithoutRepainting) {
    EXPECT_EQ(Run("SetCaptionColor(\"300\", \"0\", \"0\", \"1\", \"2\", \"3\");\n"
                  "SetCaptionSize(\"12\");\n"
                  "SetCaptionPos(\"1\", \"2\", \"-3\", \"4\");\n"
                  "SetRedrawWait(\"1000\");\n"),
              RunOutcome::Finished);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(backgroundSettings.captionColor1, 0x00002Cu); // red 300 cut to 44
    EXPECT_EQ(backgroundSettings.captionColor2, 0x030201u); // 0x00BBGGRR
    EXPECT_EQ(backgroundSettings.captionSize, 12);
    EXPECT_EQ(backgroundSettings.captionPos1.x, 1);
    EXPECT_EQ(backgroundSettings.captionPos1.y, 2);
    EXPECT_EQ(backgroundSettings.captionPos2.x, -3);
    EXPECT_EQ(backgroundSettings.captionPos2.y, 4);
    EXPECT_EQ(backgroundSettings.redrawWait, 1000);
    // Untouched by these commands.
    EXPECT_EQ(backgroundSettings.gradientStart[2], 255);
}

TEST_F(InterpreterTest, CaptionColorKeepsTheLowEightBitsOfEachComponent) {
    EXPECT_EQ(Run("SetCaptionColor(\"-1\", \"256\", \"511\", \"255\", \"255\", \"255\");"),
              RunOutcome::Finished);
    EXPECT_EQ(backgroundSettings.captionColor1, 0xFF00FFu);
    EXPECT_EQ(backgroundSettings.captionColor2, 0xFFFFFFu);
}

TEST_F(InterpreterTest, LaterStylingCommandsWin) {
    EXPECT_EQ(Run("SetCaptionSize(\"12\"); SetRedrawWait(\"5\");\n"
                  "SetCaptionSize(\"30\"); SetRedrawWait(\"abc\");\n"),
              RunOutcome::Finished);
    EXPECT_EQ(backgroundSettings.captionSize, 30);
    EXPECT_EQ(backgroundSettings.redrawWait, 0);
}

TEST_F(InterpreterTest, CreateSectionStoresItsArgumentsUnexpanded) {
    variables.Assign("X", "v");
    EXPECT_EQ(Run("CreateSection(\"Program [X]\", \"1\", \"7\", \"Comment [X]\");\n"
                  "CreateSection(\"Extras\", \"no\", \"-2\", \"\");\n"),
              RunOutcome::Finished);
    ASSERT_EQ(model.sections.size(), 2u);
    const SectionRecord& first = model.sections[0];
    EXPECT_EQ(first.name, "Program [X]");
    EXPECT_EQ(first.mandatory, 1);
    EXPECT_EQ(first.reservedNumber, 7);
    EXPECT_EQ(first.comment, "Comment [X]");
    EXPECT_EQ(first.selected, 0);
    const SectionRecord& second = model.sections[1];
    EXPECT_EQ(second.name, "Extras");
    EXPECT_EQ(second.mandatory, 0);
    EXPECT_EQ(second.reservedNumber, -2);
    EXPECT_EQ(second.comment, "");
}

TEST_F(InterpreterTest, AddFileExpandsOnlyTheSourceAndReadsNumbersLeniently) {
    variables.Assign("SP", "C:\\setup");
    variables.Assign("S", "expanded");
    EXPECT_EQ(
        Run("AddFile(\"[SP]\\demo.exe\", \"[DP]\\demo.exe\", \"Program [S]\", \"yes\", "
            "\"70000\", \"2\", \"0\", \"-3\", \"4\", \"Demo [S]\");\n"
            "AddFile(\"b\", \"c\", \"d\", \"7\", \"-1\", \"0\", \"-5\", \"0\", \"0\", \"\");\n"),
        RunOutcome::Finished);
    ASSERT_EQ(model.files.size(), 2u);
    const FileRecord& file = model.files[0];
    EXPECT_EQ(file.source, "C:\\setup\\demo.exe");
    EXPECT_EQ(file.destination, "[DP]\\demo.exe");
    EXPECT_EQ(file.section, "Program [S]");
    EXPECT_EQ(file.shared, 0);
    EXPECT_EQ(file.disk, 4464);
    EXPECT_EQ(file.splitPart, 1);
    EXPECT_EQ(file.lastPart, 0);
    EXPECT_EQ(file.reservedFlag, 1);
    EXPECT_EQ(file.createShortcut, 1);
    EXPECT_EQ(file.shortcutName, "Demo [S]");
    const FileRecord& other = model.files[1];
    EXPECT_EQ(other.source, "b");
    EXPECT_EQ(other.destination, "c");
    EXPECT_EQ(other.section, "d");
    EXPECT_EQ(other.shared, 1);
    EXPECT_EQ(other.disk, -1);
    EXPECT_EQ(other.splitPart, 0);
    EXPECT_EQ(other.lastPart, 1);
    EXPECT_EQ(other.reservedFlag, 0);
    EXPECT_EQ(other.createShortcut, 0);
    EXPECT_EQ(other.shortcutName, "");
    EXPECT_FALSE(IsSet("DP"));
}

TEST_F(InterpreterTest, AddWindowExpandsOnlyTheText) {
    variables.Assign("X", "v");
    EXPECT_EQ(Run("AddWindow(\"DIALOG_WELCOME\", \"box[X]\", \"CHECKBOX\", \"Text [X]\", \"5\", "
                  "\"10\", \"20\", \"110\", \"-40\");"),
              RunOutcome::Finished);
    ASSERT_EQ(model.windows.size(), 1u);
    const WindowRecord& window = model.windows[0];
    EXPECT_EQ(window.page, "DIALOG_WELCOME");
    EXPECT_EQ(window.name, "box[X]");
    EXPECT_EQ(window.type, "CHECKBOX");
    EXPECT_EQ(window.text, "Text v");
    EXPECT_EQ(window.reservedNumber, 5);
    EXPECT_EQ(window.left, 10);
    EXPECT_EQ(window.top, 20);
    EXPECT_EQ(window.right, 110);
    EXPECT_EQ(window.bottom, -40);
    EXPECT_EQ(window.window, nullptr);
}

TEST_F(InterpreterTest, ShowMessageNowIsShownAtOnceAndNotStored) {
    variables.Assign("X", "v");
    EXPECT_EQ(Run("ShowMessage(\"Hello [X]\", \"Cap [X]\", \"\", \"NOW\");\n"
                  "ShowWelcome();\n"
                  "ShowMessage(\"Second\", \"\", \"ctl\", \"NOW\");\n"),
              RunOutcome::Finished);
    EXPECT_EQ(host.log, (Log{"message:Hello v|Cap v", "page:101", "message:Second|"}));
    EXPECT_TRUE(model.deferredStatements.empty());
}

TEST_F(InterpreterTest, OtherShowMessagesAreStoredWithExpandedTextAndCaption) {
    variables.Assign("X", "v");
    EXPECT_EQ(Run("ShowMessage(\"Text [X]\", \"Cap [X]\", \"btn[X]\", \"COMMAND\");\n"
                  "ShowMessage(\"a\", \"b\", \"c\", \"now\");\n"
                  "ShowMessage(\"a\", \"b\", \"c\", \"NOW \");\n"
                  "ShowMessage(\"a\", \"b\", \"c\", \"[X]\");\n"),
              RunOutcome::Finished);
    EXPECT_TRUE(host.log.empty());
    ASSERT_EQ(model.deferredStatements.size(), 4u);
    const DeferredStatement& command = model.deferredStatements[0];
    EXPECT_EQ(command.name, "ShowMessage");
    EXPECT_EQ(command.arguments,
              (std::vector<std::string>{"Text v", "Cap v", "btn[X]", "COMMAND"}));
    EXPECT_EQ(command.count, 4);
    EXPECT_EQ(model.deferredStatements[1].arguments[3], "now");
    EXPECT_EQ(model.deferredStatements[2].arguments[3], "NOW ");
    EXPECT_EQ(model.deferredStatements[3].arguments[3], "[X]");
}

TEST_F(InterpreterTest, DynamicStateAndCheckButtonAreStoredUnexpandedInScriptOrder) {
    variables.Assign("X", "v");
    EXPECT_EQ(Run("CheckButton(\"opt[X]\");\n"
                  "SetNextDynamicState(\"DIALOG_DEST\", \"VARIABLE\", \"[X]\", \"[X]\", \"\");\n"
                  "ShowMessage(\"m\", \"c\", \"b\", \"COMMAND\");\n"
                  "CheckButton(\"second\");\n"),
              RunOutcome::Finished);
    ASSERT_EQ(model.deferredStatements.size(), 4u);
    const DeferredStatement& check = model.deferredStatements[0];
    EXPECT_EQ(check.name, "CheckButton");
    EXPECT_EQ(check.arguments, (std::vector<std::string>{"opt[X]"}));
    EXPECT_EQ(check.count, 1);
    const DeferredStatement& state = model.deferredStatements[1];
    EXPECT_EQ(state.name, "SetNextDynamicState");
    EXPECT_EQ(state.arguments,
              (std::vector<std::string>{"DIALOG_DEST", "VARIABLE", "[X]", "[X]", ""}));
    EXPECT_EQ(state.count, 5);
    EXPECT_EQ(model.deferredStatements[2].name, "ShowMessage");
    EXPECT_EQ(model.deferredStatements[3].name, "CheckButton");
    EXPECT_EQ(model.deferredStatements[3].arguments[0], "second");
}

TEST_F(InterpreterTest, PageCommandsRunTheirTemplates) {
    const struct {
        const char* command;
        const char* page;
    } cases[] = {
        {"ShowWelcome", "page:101"}, {"ShowDest", "page:106"},         {"ShowSections", "page:105"},
        {"ShowCopy", "page:111"},    {"ShowProgramGroup", "page:113"},
    };
    for (const auto& c : cases) {
        SetUp();
        host = FakeHost();
        EXPECT_EQ(Run(std::string(c.command) + "();"), RunOutcome::Finished) << c.command;
        EXPECT_EQ(host.log, (Log{c.page})) << c.command;
    }
}

TEST_F(InterpreterTest, NonzeroPageResultStopsBeforeTheNextStatement) {
    for (const char* command :
         {"ShowWelcome", "ShowDest", "ShowSections", "ShowCopy", "ShowProgramGroup"}) {
        for (int result : {-2, -1, 1}) {
            SetUp();
            host = FakeHost();
            host.pageResults = {0, result};
            EXPECT_EQ(Run(std::string("ShowWelcome();\n") + command +
                          "();\nSetCaption(\"after\");\nShowWelcome();\n"),
                      RunOutcome::Stopped)
                << command << " " << result;
            EXPECT_EQ(host.pagesRun, 2) << command << " " << result;
            EXPECT_FALSE(IsSet("CAPTION")) << command << " " << result;
            EXPECT_EQ(host.log.size(), 2u);
        }
    }
}

TEST_F(InterpreterTest, PageShownTwiceRunsTwice) {
    EXPECT_EQ(Run("ShowWelcome();\nShowWelcome();\n"), RunOutcome::Finished);
    EXPECT_EQ(host.log, (Log{"page:101", "page:101"}));
}

TEST_F(InterpreterTest, QuitRequestedDuringAPageStopsBeforeTheNextStatement) {
    host.quitAfterPage = 1;
    EXPECT_EQ(Run("ShowWelcome();\nSetCaption(\"after\");\nShowMessage(\"m\", \"c\", \"\", "
                  "\"NOW\");\nShowDest();\n"),
              RunOutcome::Stopped);
    EXPECT_EQ(host.log, (Log{"page:101"}));
    EXPECT_FALSE(IsSet("CAPTION"));
}

TEST_F(InterpreterTest, QuitRequestedDuringTheLastPageStopsTheRun) {
    host.quitAfterPage = 2;
    EXPECT_EQ(Run("ShowWelcome();\nShowCopy();\n"), RunOutcome::Stopped);
    EXPECT_EQ(host.log, (Log{"page:101", "page:111"}));
}

TEST_F(InterpreterTest, QuitRequestedBeforeTheRunRunsNothing) {
    RequestQuit();
    EXPECT_EQ(Run("SetCaption(\"x\");\nShowWelcome();\n"), RunOutcome::Stopped);
    EXPECT_TRUE(host.log.empty());
    EXPECT_FALSE(IsSet("CAPTION"));
}

TEST_F(InterpreterTest, QuitRequestedTakesPrecedenceOverALaterSyntaxError) {
    host.quitAfterPage = 1;
    EXPECT_EQ(Run("ShowWelcome();\nSetAppName();\n"), RunOutcome::Stopped);
    EXPECT_EQ(host.log, (Log{"page:101"}));
}

TEST_F(InterpreterTest, SyntaxErrorAfterPagesEndsTheRun) {
    EXPECT_EQ(Run("ShowWelcome();\nShowDest();\nAddFile(\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", "
                  "\"7\", \"8\", \"9\");\nShowCopy();\n"),
              RunOutcome::SyntaxError);
    EXPECT_EQ(host.log, (Log{"page:101", "page:106", "syntax error"}));
    EXPECT_TRUE(model.files.empty());
}

TEST_F(InterpreterTest, TypicalInstallationScriptConfiguresAndRunsAllPages) {
    variables.Assign("SP", "C:\\setup");
    variables.Assign("DP", programFilesDir);
    EXPECT_EQ(Run("SetAppName(\"Demo\");\n"
                  "SetCaption(\"Demo Setup\");\n"
                  "CreateSection(\"Program\", \"1\", \"0\", \"The program itself\");\n"
                  "AddFile(\"[SP]\\demo.exe\", \"[DP]\\demo.exe\", \"Program\", \"0\", \"1\", "
                  "\"0\", \"0\", \"0\", \"1\", \"Demo\");\n"
                  "ShowWelcome();\nShowDest();\nShowSections();\nShowProgramGroup();\n"
                  "ShowCopy();\n"),
              RunOutcome::Finished);
    EXPECT_EQ(host.log, (Log{"page:101", "page:106", "page:105", "page:113", "page:111"}));
    EXPECT_EQ(variables.Lookup("DP"), "C:\\Program Files\\Demo\\");
    EXPECT_EQ(variables.Lookup("CAPTION"), "Demo Setup");
    ASSERT_EQ(model.sections.size(), 1u);
    EXPECT_EQ(model.sections[0].mandatory, 1);
    ASSERT_EQ(model.files.size(), 1u);
    EXPECT_EQ(model.files[0].source, "C:\\setup\\demo.exe");
    EXPECT_EQ(model.files[0].destination, "[DP]\\demo.exe");
    EXPECT_EQ(model.files[0].disk, 1);
    EXPECT_EQ(model.files[0].createShortcut, 1);
    std::string destination = model.files[0].destination;
    variables.ExpandReferences(destination);
    EXPECT_EQ(destination, "C:\\Program Files\\Demo\\\\demo.exe");
}
