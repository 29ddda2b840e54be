#include "engine/interpreter.h"

#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <string>
#include <vector>

#include "engine/background_settings.h"
#include "engine/model.h"
#include "engine/script_reader.h"
#include "engine/variables.h"

namespace {

using Log = std::vector<std::string>;
using Args = std::vector<std::string>;

// Records what the interpreter asks of the windows, in order.
class FakeHost : public CommandHost {
  public:
    void ShowImmediateMessage(const std::string& text, const std::string& caption) override {
        log.push_back(caption + ": " + text);
    }
    void RepaintBackground() override { log.push_back("repaint"); }
    int RunPage(PageTemplate page) override {
        log.push_back("page " + std::to_string(static_cast<int>(page)));
        if (static_cast<int>(log.size()) == quitDuringEntry) {
            RequestQuit(); // e.g. the background window went away under the page
        }
        const int result = results.empty() ? 0 : results.front();
        if (!results.empty()) {
            results.pop_front();
        }
        return result;
    }
    void ShowSyntaxError() override { log.push_back("syntax error"); }

    Log log;
    std::deque<int> results;  // of the next pages; 0 once empty
    int quitDuringEntry = -1; // the log entry (1-based) during which a quit is requested
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
    FakeHost host;
};

} // namespace

TEST_F(InterpreterTest, DemoScriptConfiguresTheModelAndRunsItsPagesInOrder) {
    variables.Assign("SP", "C:\\setup");
    variables.Assign("DP", "D:\\chosen\\");
    EXPECT_EQ(Run(R"(SetAppName("De[M]");  SetVariable("M", "mo"); SetAppName("De[M]");
        SetAppname("Typo"); SetVariable("[M]x", "[APPNAME]!");
        SetWelcomeString("Installs [APPNAME].", "[APPNAME] Setup"); SetWelcomeString2("[M]");
        SetDeveloperName("By [M]"); SetCaption("[APPNAME] Setup");
        CreateSection("Program", "1", "7", "[M] itself");
        AddFile("[SP]\demo.exe", "[DP]\demo.exe", "Program [M]", "yes", "70000", "2", "0", "-3", "4", "[M]");
        AddWindow("DIALOG_WELCOME", "agree[M]", "CHECKBOX", "I [M]", "5", "20", "250", "200", "270");
        ShowMessage("Hello [M]", "Now [M]", "", "NOW"); ShowMessage("a", "b", "c", "now");
        CheckButton("agree[M]"); SetNextDynamicState("DIALOG_DEST", "VARIABLE", "[M]", "x", "");
        ShowWelcome(); ShowDest(); ShowSections(); ShowProgramGroup(); ShowCopy();)"),
              RunOutcome::Finished);
    EXPECT_EQ(host.log, (Log{"Now mo: Hello mo", "page 101", "page 106", "page 105", "page 113",
                             "page 111"}));
    Args values;
    for (const char* name : {"APPNAME", "PROGRAMGROUP", "DP", "mox", "WELCOMESTRING",
                             "WELCOMESTRING_CAP", "WELCOMESTRING2", "DEVELOPERNAME", "CAPTION"}) {
        values.push_back(variables.Lookup(name));
    }
    EXPECT_EQ(values, (Args{"Demo", "Demo", "C:\\Program Files\\Demo\\", "Demo!", "Installs Demo.",
                            "Demo Setup", "mo", "By mo", "Demo Setup"}));
    ASSERT_EQ(model.sections.size(), 1u);
    EXPECT_EQ(model.sections[0].comment, "[M] itself"); // stored as written
    EXPECT_EQ(model.sections[0].mandatory * 10 + model.sections[0].reservedNumber, 17);
    ASSERT_EQ(model.files.size(), 1u);
    const FileRecord& file = model.files[0];
    // The destination is expanded when the file is installed, to the DP chosen by then.
    EXPECT_EQ((Args{file.source, file.destination, file.section, file.shortcutName}),
              (Args{"C:\\setup\\demo.exe", "[DP]\\demo.exe", "Program [M]", "[M]"}));
    EXPECT_EQ((std::vector<int>{file.shared, file.disk, file.splitPart, file.lastPart,
                                file.reservedFlag, file.createShortcut}),
              (std::vector<int>{0, 4464, 1, 0, 1, 1}));
    ASSERT_EQ(model.windows.size(), 1u);
    EXPECT_EQ((Args{model.windows[0].name, model.windows[0].text}), (Args{"agree[M]", "I mo"}));
    EXPECT_EQ((std::vector<int>{model.windows[0].left, model.windows[0].top, model.windows[0].right,
                                model.windows[0].bottom}),
              (std::vector<int>{20, 250, 200, 270}));
    ASSERT_EQ(model.deferredStatements.size(), 3u);
    EXPECT_EQ(model.deferredStatements[0].arguments, (Args{"a", "b", "c", "now"}));
    EXPECT_EQ(model.deferredStatements[1].arguments, (Args{"agree[M]"}));
    EXPECT_EQ(model.deferredStatements[2].arguments,
              (Args{"DIALOG_DEST", "VARIABLE", "[M]", "x", ""}));
}

// Numbers are read leniently: leading digits after blanks and a sign, wrapping in 32 bits.
TEST_F(InterpreterTest, StylingCommandsStoreTheirNumbersAndOnlySetBackgroundRepaints) {
    EXPECT_EQ(
        Run("SetRedrawWait(\"5\"); SetBackground(\" 7x\", \"- 3\", \"yes\", \"+4\", \"\t-12\", "
            "\"256\"); SetCaptionColor(\"300\", \"0\", \"-1\", \"1\", \"2\", \"3\"); "
            "SetCaptionSize(\"4294967309\"); SetCaptionPos(\"1\", \"2\", \"2147483648\", \"4\"); "
            "SetRedrawWait(\"abc\");"),
        RunOutcome::Finished);
    EXPECT_EQ(host.log, Log{"repaint"});
    const BackgroundSettings& s = backgroundSettings;
    // Colours as 0x00BBGGRR, 8 bits each; the gradient's numbers as given.
    EXPECT_EQ(
        (std::vector<long long>{s.gradientStart[0], s.gradientStart[1], s.gradientStart[2],
                                s.gradientEnd[0], s.gradientEnd[1], s.gradientEnd[2],
                                s.captionColor1, s.captionColor2, s.captionSize, s.captionPos1.x,
                                s.captionPos1.y, s.captionPos2.x, s.captionPos2.y, s.redrawWait}),
        (std::vector<long long>{7, 0, 0, 4, -12, 256, 0xFF002C, 0x030201, 13, 1, 2, INT_MIN, 4,
                                0}));
}

// Cancel and Yes, a page that could not be shown, an aborted installation or the
// background window going away: no statement runs after any of them.
TEST_F(InterpreterTest, APageResultOrAQuitStopsTheRunBeforeTheNextStatement) {
    const struct {
        std::deque<int> results;
        int quitDuringEntry;
        Log log;
    } rows[] = {
        {{0, -2}, -1, {"page 101", "page 106"}}, {{0, -1}, -1, {"page 101", "page 106"}},
        {{0, 1}, -1, {"page 101", "page 106"}},  {{}, 1, {"page 101"}},
        {{}, 2, {"page 101", "page 106"}},
    };
    for (const auto& row : rows) {
        SetUp();
        host = FakeHost();
        host.results = row.results;
        host.quitDuringEntry = row.quitDuringEntry;
        EXPECT_EQ(
            Run(R"(ShowWelcome(); ShowDest(); SetCaption("after"); ShowMessage("m", "c", "", "NOW");
            SetAppName();)"),
            RunOutcome::Stopped);
        EXPECT_EQ(host.log, row.log);
        EXPECT_TRUE(QuitRequested());
        EXPECT_EQ(variables.Lookup("CAPTION"), "");
    }
}
