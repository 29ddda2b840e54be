// Non-shared files: installed to their destination under the long name, the
// overwrite question, files in use and failures that must not cost the user's
// file, and the uninstall log's entries byte for byte.

#include "install/install_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "install/conflict_dialogs.h"
#include "install_win_test_support.h"

namespace {

using namespace installtest;

const char* const kOverwriteCaption = "Overwrite file";
const char* const kUserData = "the user's own data";
const char* const kNewData = "the new version of the file";

class NonSharedTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        disk = root.Make("disk1");
    }

    // A source on the disk and its record; the destination as the script
    // writes it.
    std::string AddSource(const std::string& name, const std::string& destination,
                          const std::string& bytes = kNewData) {
        const std::string source = disk + "\\" + name;
        WriteFileBytes(source, bytes);
        AddFileRecord(source, destination);
        return source;
    }

    std::string NonSharedEntry(const std::string& installed) {
        return ShortPath(installed) + "\r\nNONSHARED\r\n";
    }

    std::string disk;
};

TEST_F(NonSharedTest, LongNameWithBlanksIsInstalledUnderItsLongNameAndLoggedShort) {
    const std::string directory = root.Make("my app");
    variables.Assign("DP", directory + "\\");
    AddSource("first file.txt", "[DP]\\first file.txt");
    DialogAnswerer answerer;

    std::string installedPath;
    ASSERT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();

    const std::string installed = directory + "\\first file.txt";
    EXPECT_EQ(installedPath, installed);
    EXPECT_EQ(DirectoryEntries(directory), std::vector<std::string>{"first file.txt"});
    EXPECT_EQ(ReadFileBytes(installed), kNewData);
    const std::string shortPath = ShortPath(installed);
    ASSERT_NE(shortPath.find('~'), std::string::npos) << shortPath;
    EXPECT_EQ(LogBytes(), shortPath + "\r\nNONSHARED\r\n");
}

// The overwrite question for a destination that exists.
struct OverwriteCase {
    const char* name;
    std::vector<int> commands; // posted to the dialog
    bool overwritten;
    bool everyFile; // "Overwrite every file": the flags are set
};

void PrintTo(const OverwriteCase& c, std::ostream* out) {
    *out << c.name;
}

class OverwriteTest : public NonSharedTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(OverwriteTest, AnswersToTheOverwriteQuestion) {
    const OverwriteCase& c = GetParam();
    AddSource("a.txt", "[DP]\\a.txt");
    WriteFileBytes(appDir + "\\a.txt", kUserData);
    DialogAnswerer answerer({{kOverwriteCaption, c.commands, nullptr}});

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();

    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].Item(1034), appDir + "\\a.txt");
    EXPECT_EQ(installedPath, appDir + "\\a.txt"); // reported also when skipped
    EXPECT_EQ(ReadFileBytes(appDir + "\\a.txt"), c.overwritten ? kNewData : kUserData);
    EXPECT_EQ(DirectoryEntries(appDir), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(LogBytes(), c.overwritten ? NonSharedEntry(appDir + "\\a.txt") : "");
    EXPECT_EQ(overwriteAllAnswer, c.everyFile);
    EXPECT_EQ(installAllAnswer, c.everyFile);
}

INSTANTIATE_TEST_SUITE_P(
    NonShared, OverwriteTest,
    ::testing::Values(OverwriteCase{"No", {1043}, false, false},
                      OverwriteCase{"Yes", {1012}, true, false},
                      OverwriteCase{"OverwriteEveryFile", {1044}, true, true},
                      OverwriteCase{"EscapeDoesNothing", {IDCANCEL, 1043}, false, false}),
    [](const ::testing::TestParamInfo<OverwriteCase>& info) { return info.param.name; });

TEST_F(NonSharedTest, OverwriteEveryFileIsAskedOnceForTheRestOfTheRun) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        AddSource(name, std::string("[DP]\\") + name);
        WriteFileBytes(appDir + "\\" + name, kUserData);
    }
    DialogAnswerer answerer({{kOverwriteCaption, {1044}, nullptr}});

    std::string installedPath;
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(InstallFileRecord(i, installedPath), 0);
    }
    answerer.ExpectScriptDone();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        EXPECT_EQ(ReadFileBytes(appDir + "\\" + name), kNewData) << name;
    }
    EXPECT_EQ(LogBytes(), NonSharedEntry(appDir + "\\a.txt") + NonSharedEntry(appDir + "\\b.txt") +
                              NonSharedEntry(appDir + "\\c.txt"));
}

TEST_F(NonSharedTest, FileInUseIsReportedAbortsAndTheUsersFileStaysWhole) {
    const std::string source = AddSource("a.txt", "[DP]\\a.txt");
    const std::string destination = appDir + "\\a.txt";
    WriteFileBytes(destination, kUserData);
    HANDLE inUse = CreateFileA(destination.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    const std::string caption = ShortNameOf(source);
    // Wine's service reports a file held open as a sharing violation that
    // cannot be deleted (0x1400): the first is told, the second means in use.
    DialogAnswerer answerer({{kOverwriteCaption, {1012}, nullptr},
                             {caption, {IDOK}, nullptr},
                             {caption, {IDOK}, nullptr}});

    std::string installedPath;
    const int result = InstallFileRecord(0, installedPath);
    answerer.ExpectScriptDone();
    CloseHandle(inUse);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(installedPath, "");
    const std::vector<SeenDialog> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].Text(), "Sharing violation occured, setup cannot install the file.");
    EXPECT_EQ(seen[2].Text(), "File is in use and setup is not able to overwrite the file.");
    EXPECT_EQ(ReadFileBytes(destination), kUserData);
    EXPECT_EQ(DirectoryEntries(appDir), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(LogBytes(), "");
}

// A source that is missing when the service reads it: the disk prompt of the
// service's result decides. The destination did not exist before, so nothing
// of this step may stay behind when the file is not installed.
struct MissingSourceCase {
    const char* name;
    std::vector<int> answers; // disk prompt, quit question, ...
    bool sourceArrives;       // the source is put in place before the last answer
    int result;
    bool installed;
};

void PrintTo(const MissingSourceCase& c, std::ostream* out) {
    *out << c.name;
}

class MissingSourceTest : public NonSharedTest,
                          public ::testing::WithParamInterface<MissingSourceCase> {};

TEST_P(MissingSourceTest, CreatedDestinationIsRemovedUnlessInstalled) {
    const MissingSourceCase& c = GetParam();
    const std::string source = AddSource("a.txt", "[DP]\\a.txt");
    DeleteFileA(source.c_str());
    model.files[0].disk = 3;

    std::vector<Answer> script;
    bool prompt = true;
    for (std::size_t i = 0; i < c.answers.size(); ++i) {
        Answer answer{prompt ? "a.txt" : "Quit setup", {c.answers[i]}, nullptr};
        if (c.sourceArrives && i + 1 == c.answers.size()) {
            answer.before = [source] { WriteFileBytes(source, kNewData); };
        }
        script.push_back(answer);
        prompt = !(prompt && c.answers[i] == IDABORT);
    }
    DialogAnswerer answerer(script);

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), c.result);
    answerer.ExpectScriptDone();

    ASSERT_FALSE(answerer.Seen().empty());
    EXPECT_EQ(answerer.Seen()[0].Text(),
              "Please insert disk 3 in order to continue setup. If you inserted correct disk and "
              "this message appears again, setup script may be corrupt.");
    if (c.installed) {
        EXPECT_EQ(ReadFileBytes(appDir + "\\a.txt"), kNewData);
        EXPECT_EQ(LogBytes(), NonSharedEntry(appDir + "\\a.txt"));
    } else {
        EXPECT_EQ(DirectoryEntries(appDir), std::vector<std::string>{});
        EXPECT_EQ(LogBytes(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    NonShared, MissingSourceTest,
    ::testing::Values(MissingSourceCase{"Retry", {IDRETRY}, true, 0, true},
                      MissingSourceCase{"IgnoreSkips", {IDIGNORE}, false, 0, false},
                      MissingSourceCase{"AbortThenYesAborts", {IDABORT, IDYES}, false, 1, false}),
    [](const ::testing::TestParamInfo<MissingSourceCase>& info) { return info.param.name; });

TEST_F(NonSharedTest, ExistingFileIsNotEmptiedWhenTheInstallationFails) {
    const std::string source = AddSource("a.txt", "[DP]\\a.txt");
    DeleteFileA(source.c_str());
    WriteFileBytes(appDir + "\\a.txt", kUserData);
    DialogAnswerer answerer({{kOverwriteCaption, {1012}, nullptr}, {"a.txt", {IDIGNORE}, nullptr}});

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();
    EXPECT_EQ(ReadFileBytes(appDir + "\\a.txt"), kUserData);
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(NonSharedTest, DestinationTooLongForThePlatformIsRefusedWithAMessage) {
    const std::string source = AddSource("a.txt", "[DP]\\" + std::string(260, 'n') + ".txt");
    const std::string destination = appDir + "\\" + std::string(260, 'n') + ".txt";
    DialogAnswerer answerer({{ShortNameOf(source), {IDOK}, nullptr}});

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 1);
    answerer.ExpectScriptDone();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].Text(),
              "The path " + destination + " is too long, setup cannot install the file.");
    EXPECT_EQ(DirectoryEntries(appDir), std::vector<std::string>{});
}

} // namespace
