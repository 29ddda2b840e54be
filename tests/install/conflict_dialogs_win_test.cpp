// The version-information reader and the language question, driven from a
// second thread (the overwrite question is driven through the installation). Wine's version service
// never reports different languages or code pages, so the language question is brought up directly
// and through the decision on the service's result bits.

#include "install/conflict_dialogs.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "install/install_file.h"
#include "install/install_result.h"
#include "install_win_test_support.h"

namespace {

using namespace installtest;

const char* const kLanguageCaption = "Different languages/codepages";
const char* const kOverwriteCaption = "Overwrite file";

struct VersionCase {
    const char* file;
    bool found;
    uint32_t versionMs;
    uint32_t versionLs;
    uint16_t languageId;
    const char* languageName;
};

void PrintTo(const VersionCase& c, std::ostream* out) {
    *out << c.file;
}

class ReadVersionInfoTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ReadVersionInfoTest, VersionLanguageAndCodePage) {
    const VersionCase& c = GetParam();
    FileVersionInfo info;
    info.languageName = "stale";
    ASSERT_EQ(ReadVersionInfo(BuiltFile(c.file), info), c.found);
    if (!c.found) {
        return;
    }
    EXPECT_EQ(info.versionMs, c.versionMs);
    EXPECT_EQ(info.versionLs, c.versionLs);
    EXPECT_TRUE(info.hasTranslation);
    EXPECT_EQ(info.languageId, c.languageId);
    EXPECT_EQ(info.codePage, 1252);
    EXPECT_EQ(info.languageName, c.languageName);
}

INSTANTIATE_TEST_SUITE_P(
    ConflictDialogs, ReadVersionInfoTest,
    ::testing::Values(VersionCase{"vlsrv_2_0.dll", true, 0x00020000, 0, 0x0409, "English"},
                      VersionCase{"vlsrv_3_1.dll", true, 0x00030001, 0, 0x0407, "German"},
                      VersionCase{"vlsrv_3_1_9_9.dll", true, 0x00030001, 0x00090009, 0x0409,
                                  "English"},
                      VersionCase{"vlsrv_no_version.dll", false, 0, 0, 0, ""},
                      VersionCase{"no such file.dll", false, 0, 0, 0, ""}));

class QuestionTest : public InstallTest {};

// The language question for an English source and a German destination.
struct LanguageCase {
    const char* name;
    std::vector<int> commands;
    int result;
    bool installAll;
};

void PrintTo(const LanguageCase& c, std::ostream* out) {
    *out << c.name;
}

class LanguageQuestionTest : public QuestionTest,
                             public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageQuestionTest, ShowsBothFilesAndReturnsTheAnswer) {
    const LanguageCase& c = GetParam();
    currentSourcePath = BuiltFile("vlsrv_2_0.dll");
    currentDestinationPath = BuiltFile("vlsrv_3_1.dll");
    DialogAnswerer answerer({{kLanguageCaption, c.commands, nullptr}});

    EXPECT_EQ(AskLanguageConflict(), c.result);
    answerer.ExpectScriptDone();

    EXPECT_EQ(installAllAnswer, c.installAll);
    const std::vector<SeenDialog> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    const SeenDialog& dialog = seen[0];
    EXPECT_EQ(dialog.Item(1037), currentSourcePath);
    EXPECT_EQ(dialog.Item(1038), "English");
    EXPECT_EQ(dialog.Item(1040), "1252");
    EXPECT_EQ(dialog.Item(1035), currentDestinationPath);
    EXPECT_EQ(dialog.Item(1036), "German");
    EXPECT_EQ(dialog.Item(1039), "1252");
}

INSTANTIATE_TEST_SUITE_P(
    ConflictDialogs, LanguageQuestionTest,
    ::testing::Values(LanguageCase{"Yes", {1041}, 1, false}, LanguageCase{"No", {1042}, 0, false},
                      LanguageCase{"InstallAll", {1012}, 2, true},
                      LanguageCase{"EscapeAndCloseBoxDoNothing", {IDCANCEL, 1042}, 0, false}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) { return info.param.name; });

TEST_F(QuestionTest, DestinationWithoutVersionInformationLeavesItsFieldsEmpty) {
    currentSourcePath = BuiltFile("vlsrv_2_0.dll");
    currentDestinationPath = BuiltFile("vlsrv_no_version.dll");
    DialogAnswerer answerer({{kLanguageCaption, {1041}, nullptr}});

    EXPECT_EQ(AskLanguageConflict(), 1);
    answerer.ExpectScriptDone();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].Item(1036), "");
    EXPECT_EQ(answerer.Seen()[0].Item(1039), "");
    EXPECT_EQ(answerer.Seen()[0].Item(1038), "English");
}

// The language rows of the decision on the service's result, answered on
// screen: the question comes once per conflict until an answer for all.
TEST_F(QuestionTest, LanguageConflictsOnScreenUntilInstallAll) {
    currentSourcePath = BuiltFile("vlsrv_2_0.dll");
    currentDestinationPath = BuiltFile("vlsrv_3_1.dll");
    DialogAnswerer answerer({{kLanguageCaption, {1042}, nullptr},
                             {kLanguageCaption, {1041}, nullptr},
                             {kLanguageCaption, {1012}, nullptr}});
    InstallQuestions& questions = ScreenQuestions();

    EXPECT_EQ(MapInstallResult(kVifDiffLang, "a.dll", 1, questions), kActionSkip);
    EXPECT_EQ(MapInstallResult(kVifDiffCodePage | kVifDiffLang, "a.dll", 1, questions),
              kActionForce);
    EXPECT_EQ(MapInstallResult(kVifDiffCodePage, "a.dll", 1, questions), kActionForce);
    // From here on no question.
    EXPECT_EQ(MapInstallResult(kVifDiffLang, "a.dll", 1, questions), kActionForce);
    EXPECT_EQ(MapInstallResult(kVifDiffCodePage, "a.dll", 1, questions), kActionForce);
    answerer.ExpectScriptDone();
}

TEST_F(QuestionTest, OverwriteEveryFileAlsoEndsTheLanguageQuestions) {
    currentDestinationPath = "C:\\demo.exe";
    DialogAnswerer answerer({{kOverwriteCaption, {1044}, nullptr}});

    EXPECT_EQ(AskOverwrite(), 2);
    EXPECT_EQ(MapInstallResult(kVifDiffLang, "a.dll", 1, ScreenQuestions()), kActionForce);
    answerer.ExpectScriptDone();
}

TEST_F(QuestionTest, MismatchQuestionHasNoAsItsDefaultButton) {
    LONG_PTR yesStyle = 0;
    LONG_PTR noStyle = 0;
    DialogAnswerer answerer({{"a.dll", {IDNO}, [&yesStyle, &noStyle] {
                                  HWND box = FindWindowA("#32770", "a.dll");
                                  yesStyle = GetWindowLongPtrA(GetDlgItem(box, IDYES), GWL_STYLE);
                                  noStyle = GetWindowLongPtrA(GetDlgItem(box, IDNO), GWL_STYLE);
                              }}});
    EXPECT_EQ(MapInstallResult(kVifMismatch, "a.dll", 1, ScreenQuestions()), kActionSkip);
    answerer.ExpectScriptDone();
    EXPECT_EQ(noStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(yesStyle & BS_TYPEMASK, BS_PUSHBUTTON);
}

} // namespace
