// ShowMessage with "NOW": a plain OK box at the point of the script where it stands.
#include "wizard_fixture.h"

namespace e2e {
namespace {

using ShowMessageTest = WizardTest;

TEST_F(ShowMessageTest, NowShowsExpandedTextAndCaptionInScriptOrder) {
    StartWithScript(CrLfScript({
        R"(SetVariable("WHO", "World");)",
        R"(ShowMessage("Hello [WHO]", "Greeting for [WHO]", "", "NOW");)",
        R"(ShowMessage("Second", "Two", "unused", "NOW");)",
    }));
    ExpectNowMessageAndConfirm("Hello World", "Greeting for World");
    ExpectNowMessageAndConfirm("Second", "Two");
    ExpectExitCode(0);
}

TEST_F(ShowMessageTest, NowInOtherCaseIsStoredAndNeverShown) {
    StartWithScript(CrLfScript({
        R"(ShowMessage("stored", "Lower case", "", "now");)",
        R"(ShowMessage("shown", "Upper case", "", "NOW");)",
    }));
    ExpectNowMessageAndConfirm("shown", "Upper case");
    ExpectExitCode(0);
    EXPECT_FALSE(Wizard().SawMessageText("stored"));
}

TEST_F(ShowMessageTest, TextKeepsLineBreaksAndDoubledQuotes) {
    StartWithScript("ShowMessage(\"line1\nline2 \"\"quoted\"\"\", \"Lines\", \"\", \"NOW\");\n");
    ExpectNowMessageAndConfirm("line1\nline2 \"quoted\"", "Lines");
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
