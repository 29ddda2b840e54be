// Split files joined from several disks, the disk prompt, and the size query,
// with real files in temporary folders.

#include "install/source_retrieval.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "install/install_file.h"
#include "install/run_directory.h"
#include "install_win_test_support.h"

namespace {

using namespace installtest;

const std::string kPart1 = "first part, ";
const std::string kPart2 = "second part, ";
const std::string kPart3 = "third and last part.";

std::string DiskPrompt(const std::string& disk) {
    return "Please insert disk " + disk +
           " in order to continue setup. If you inserted correct disk and this message appears "
           "again, setup script may be corrupt.";
}

const char* const kQuitText =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";

// A file split into three parts on the folders disk1, disk2 and disk3, to be
// installed as app\joined.txt. The destination refers to DP, which ends with
// a backslash, so the expanded destination holds a doubled backslash.
class SplitFileTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        for (int disk = 1; disk <= 3; ++disk) {
            const std::string folder = root.Make("disk" + std::to_string(disk));
            parts.push_back(folder + "\\joined.00" + std::to_string(disk));
        }
        WriteFileBytes(parts[0], kPart1);
        WriteFileBytes(parts[1], kPart2);
        WriteFileBytes(parts[2], kPart3);
        for (int disk = 1; disk <= 3; ++disk) {
            FileRecord& record = AddFileRecord(parts[disk - 1], "[DP]\\joined.txt", disk);
            record.splitPart = 1;
            record.lastPart = disk == 3 ? 1 : 0;
        }
        staging = StagingPathOf(model.files[0]);
        ASSERT_FALSE(staging.empty()) << "no temporary folder for the run";
        destination = appDir + "\\joined.txt";
    }

    std::string NonSharedEntry(const std::string& path) {
        return ShortPath(path) + "\r\nNONSHARED\r\n";
    }

    std::vector<std::string> parts;
    std::string staging;
    std::string destination;
};

TEST_F(SplitFileTest, ThreePartsAreJoinedInRecordOrderInstalledOnceAndStagingRemoved) {
    DialogAnswerer answerer;
    std::string installedPath = "stale";

    ASSERT_EQ(InstallFileRecord(0, installedPath), 0);
    EXPECT_EQ(installedPath, "");
    EXPECT_EQ(ReadFileBytes(staging), kPart1);
    EXPECT_FALSE(FileExists(destination));

    ASSERT_EQ(InstallFileRecord(1, installedPath), 0);
    EXPECT_EQ(installedPath, "");
    EXPECT_EQ(ReadFileBytes(staging), kPart1 + kPart2);

    ASSERT_EQ(InstallFileRecord(2, installedPath), 0);
    answerer.ExpectScriptDone();
    EXPECT_EQ(installedPath, destination);
    EXPECT_EQ(ReadFileBytes(destination), kPart1 + kPart2 + kPart3);
    EXPECT_FALSE(FileExists(staging));
    EXPECT_EQ(model.files[2].destination, appDir + "\\\\joined.txt");
    EXPECT_EQ(LogBytes(), NonSharedEntry(destination));
}

TEST_F(SplitFileTest, PartsJoinedEarlierForTheSizeQueryAreNotJoinedIn) {
    DialogAnswerer answerer;
    EXPECT_EQ(QuerySourceSize(0), 0u);
    ASSERT_EQ(ReadFileBytes(staging), kPart1);
    std::string installedPath;
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(InstallFileRecord(i, installedPath), 0);
    }
    answerer.ExpectScriptDone();
    EXPECT_EQ(ReadFileBytes(destination), kPart1 + kPart2 + kPart3);
}

TEST_F(SplitFileTest, PartsLargerThanTheCopyBufferArriveWhole) {
    std::string large(2 * kCopyBufferSize + 12345, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    }
    WriteFileBytes(parts[0], large);
    DialogAnswerer answerer;
    std::string installedPath;
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(InstallFileRecord(i, installedPath), 0);
    }
    answerer.ExpectScriptDone();
    EXPECT_TRUE(ReadFileBytes(destination) == large + kPart2 + kPart3);
}

// The second part is missing when it is fetched; the user answers the disk
// prompt and maybe the quit question. Unless the user quits, the installation
// goes on with the next file.
struct MissingPartCase {
    const char* name;
    int disk;                    // the missing part's disk number
    std::vector<int> answers;    // in the order of the boxes: disk prompt, quit question, ...
    bool partArrivesBeforeRetry; // the disk is put in before the last answer
    int partResult;              // InstallFileRecord's result for the missing part
    bool installed;
    bool quit;
};

void PrintTo(const MissingPartCase& c, std::ostream* out) {
    *out << c.name;
}

class MissingPartTest : public SplitFileTest,
                        public ::testing::WithParamInterface<MissingPartCase> {};

TEST_P(MissingPartTest, DiskPromptAnswers) {
    const MissingPartCase& c = GetParam();
    model.files[1].disk = static_cast<int16_t>(c.disk);
    DeleteFileA(parts[1].c_str());
    const std::string next = root.Make("disk4") + "\\next.txt";
    WriteFileBytes(next, "the next file");
    AddFileRecord(next, "[DP]\\next.txt", 4);

    std::vector<Answer> script;
    bool prompt = true;
    for (std::size_t i = 0; i < c.answers.size(); ++i) {
        Answer answer;
        answer.caption = prompt ? parts[1] : "Quit setup";
        answer.commands = {c.answers[i]};
        if (c.partArrivesBeforeRetry && i + 1 == c.answers.size()) {
            const std::string part = parts[1];
            answer.before = [part] { WriteFileBytes(part, kPart2); };
        }
        script.push_back(answer);
        // Abort leads to the quit question, No in it back to the prompt.
        prompt = !(prompt && c.answers[i] == IDABORT);
    }
    const bool ignored = !c.installed && !c.quit;
    if (ignored) {
        script.push_back({"joined.txt", {IDOK}, nullptr});
    }
    DialogAnswerer answerer(script);

    std::string installedPath;
    ASSERT_EQ(InstallFileRecord(0, installedPath), 0);
    EXPECT_EQ(InstallFileRecord(1, installedPath), c.partResult);
    std::string nextPath;
    if (!c.quit) {
        EXPECT_EQ(InstallFileRecord(2, installedPath), 0);
        EXPECT_EQ(InstallFileRecord(3, nextPath), 0);
    }
    answerer.ExpectScriptDone();

    const std::vector<SeenDialog> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), script.size());
    EXPECT_EQ(seen[0].Text(), DiskPrompt(std::to_string(c.disk)));
    for (std::size_t i = 0; i < c.answers.size(); ++i) {
        if (seen[i].caption == "Quit setup") {
            EXPECT_EQ(seen[i].Text(), kQuitText);
        }
    }
    EXPECT_EQ(QuitRequested(), c.quit);
    EXPECT_FALSE(FileExists(staging));
    const std::string nextEntry = c.quit ? "" : NonSharedEntry(appDir + "\\next.txt");
    EXPECT_EQ(FileExists(appDir + "\\next.txt"), !c.quit);
    if (c.installed) {
        EXPECT_EQ(installedPath, destination);
        EXPECT_EQ(ReadFileBytes(destination), kPart1 + kPart2 + kPart3);
        EXPECT_EQ(LogBytes(), NonSharedEntry(destination) + nextEntry);
    } else {
        EXPECT_EQ(installedPath, "");
        EXPECT_FALSE(FileExists(destination));
        EXPECT_EQ(LogBytes(), nextEntry);
    }
    if (ignored) {
        EXPECT_EQ(seen.back().Text(), "A part of " + destination +
                                          " is missing, so the file was not installed. Setup "
                                          "will continue.");
    }
}

INSTANTIATE_TEST_SUITE_P(
    SplitFile, MissingPartTest,
    ::testing::Values(
        MissingPartCase{"RetryAfterTheDiskIsIn", 2, {IDRETRY}, true, 0, true, false},
        MissingPartCase{"IgnoreLeavesTheFileUninstalled", -1, {IDIGNORE}, false, 0, false, false},
        MissingPartCase{
            "AbortThenNoAsksForTheDiskAgain", 2, {IDABORT, IDNO, IDRETRY}, true, 0, true, false},
        MissingPartCase{"AbortThenYesQuits", 2, {IDABORT, IDYES}, false, 1, false, true}),
    [](const ::testing::TestParamInfo<MissingPartCase>& info) { return info.param.name; });

// Which records begin a split file; the first part starts the staging file
// afresh, the others append to it.
TEST(StartsSplitFileTest, FirstPartsAreFoundByTheNearestEarlierPart) {
    struct Row {
        const char* destination;
        bool split;
        bool last;
        bool starts; // expected for split records
    };
    const std::vector<Row> rows = {
        {"a.bin", true, false, true}, {"x.txt", false, false, false}, {"a.bin", true, true, false},
        {"a.bin", true, false, true}, {"a.bin", true, true, false},   {"b.bin", true, false, true},
        {"c.bin", true, false, true}, {"c.bin", true, true, false},   {"d.bin", true, true, true},
    };
    ResetEngineState();
    for (const Row& row : rows) {
        FileRecord& record = AddFileRecord("C:\\src\\" + std::string(row.destination),
                                           "C:\\dst\\" + std::string(row.destination));
        record.splitPart = row.split ? 1 : 0;
        record.lastPart = row.last ? 1 : 0;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].split) {
            EXPECT_EQ(StartsSplitFile(i), rows[i].starts) << "record " << i;
        }
    }
    ResetEngineState();
}

TEST_F(SplitFileTest, StagingFileIsNamedAfterTheUnexpandedDestination) {
    model.files[0].destination = "[DP]\\[APPNAME].dat";
    EXPECT_EQ(StagingNameOf(model.files[0]), "[APPNAME].dat.ToInstall.TMP");
    EXPECT_EQ(StagingPathOf(model.files[0]), runDirectory + "\\[APPNAME].dat.ToInstall.TMP");
}

TEST_F(SplitFileTest, SizeOfASplitFileCountsAtItsLastPartAndStaysTheSameWhenAskedAgain) {
    DialogAnswerer answerer;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(QuerySourceSize(0), 0u);
        EXPECT_EQ(ReadFileBytes(staging), kPart1); // left in place for the next parts
        EXPECT_EQ(QuerySourceSize(1), 0u);
        EXPECT_EQ(QuerySourceSize(2), kPart1.size() + kPart2.size() + kPart3.size());
        EXPECT_FALSE(FileExists(staging));
    }
    answerer.ExpectScriptDone();
    EXPECT_FALSE(FileExists(destination));
}

class SourceSizeTest : public InstallTest {};

TEST_F(SourceSizeTest, PlainCompressedAndMissingSources) {
    const std::string plain = root.Path() + "\\plain.txt";
    WriteFileBytes(plain, std::string(1234, 'x'));
    AddFileRecord(plain, "[DP]\\plain.txt");
    AddFileRecord(root.Path() + "\\missing.txt", "[DP]\\missing.txt");

    DialogAnswerer answerer; // a missing source brings up no prompt here
    EXPECT_EQ(QuerySourceSize(0), 1234u);
    EXPECT_EQ(QuerySourceSize(1), 0u);
    EXPECT_EQ(QuerySourceSize(7), 0u);
    answerer.ExpectScriptDone();
}

// packed.txt_ is packed.txt compressed by mscompress (SZDD); the test build
// makes both.
class CompressedSourceTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        if (!FileExists(BuiltFile("packed.txt_"))) {
            GTEST_SKIP() << "mscompress was not found when the tests were built";
        }
        disk = root.Make("disk1");
        CopyTestFile(BuiltFile("packed.txt_"), disk + "\\packed.txt_");
        expanded = ReadFileBytes(BuiltFile("packed.txt"));
    }
    std::string disk;
    std::string expanded;
};

TEST_F(CompressedSourceTest, IsSizedAndInstalledExpanded) {
    const std::string packed = disk + "\\packed.txt_";
    ASSERT_LT(ReadFileBytes(packed).size(), expanded.size());
    AddFileRecord(packed, "[DP]\\packed.txt");

    DialogAnswerer answerer;
    EXPECT_EQ(QuerySourceSize(0), expanded.size());
    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();
    EXPECT_EQ(installedPath, appDir + "\\packed.txt");
    EXPECT_TRUE(ReadFileBytes(appDir + "\\packed.txt") == expanded);
}

} // namespace
