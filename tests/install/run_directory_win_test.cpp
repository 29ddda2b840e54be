// The run's own temporary folder in the Windows directory's TEMP folder: made
// afresh under a random name, only files the run made in it are opened or
// deleted, and it goes at the end unless a copy waits there for the next
// restart. Files and links planted in the shared TEMP folder under the names
// that staging files and restart copies would have there are never touched.

#include "install/run_directory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/path_text.h"
#include "install/restart_replace.h"
#include "platform/system_text.h"
#include "install_win_test_support.h"
#include "symbolic_links.h"

namespace {

using namespace installtest;

std::string SharedTemporaryFolder() {
    return WindowsDirectory() + "\\TEMP";
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// kRunDirectoryPrefix and 32 lowercase hexadecimal digits.
bool IsRandomFolderName(const std::string& name) {
    const std::string prefix = kRunDirectoryPrefix;
    if (name.size() != prefix.size() + 32 || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos;
}

// Opens a file of the run with OpenRunFile and writes `bytes` at its end.
bool AppendToRunFile(const std::string& path, const std::string& bytes) {
    HANDLE file = OpenRunFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER noMove{};
    DWORD written = 0;
    const bool done =
        SetFilePointerEx(file, noMove, nullptr, FILE_END) &&
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return done;
}

class RunDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override { DiscardRunDirectory(); }
    void TearDown() override { DiscardRunDirectory(); }

    TempDirectory elsewhere;
};

TEST_F(RunDirectoryTest, IsMadeFreshInTheTemporaryFolderUnderARandomName) {
    const std::string first = DirectoryOf(RunFilePath("a.ToInstall.TMP"));
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(DirectoryOf(first), SharedTemporaryFolder());
    EXPECT_TRUE(IsRandomFolderName(FileNameOf(first))) << first;
    EXPECT_TRUE(IsDirectory(first));
    EXPECT_TRUE(DirectoryEntries(first).empty()) << "a path is given, no file made";
    EXPECT_EQ(RunFilePath("b.tmp"), first + "\\b.tmp") << "one folder for the whole run";

    RemoveRunDirectory();
    EXPECT_FALSE(IsDirectory(first));
    const std::string second = DirectoryOf(RunFilePath("a.ToInstall.TMP"));
    EXPECT_NE(second, first);
    EXPECT_TRUE(IsRandomFolderName(FileNameOf(second))) << second;
}

TEST_F(RunDirectoryTest, NamesCannotLeadOutOfTheFolder) {
    struct Row {
        const char* name;
        const char* inFolder;
    };
    const std::vector<Row> rows = {
        {"[APPNAME].dat.ToInstall.TMP", "[APPNAME].dat.ToInstall.TMP"},
        {"a/../../b.ToInstall.TMP", "a_.._.._b.ToInstall.TMP"},
        {"..\\..\\b.tmp", ".._.._b.tmp"},
        {"c:stream.tmp", "c_stream.tmp"},
        {"a*?\"<>|b.tmp", "a______b.tmp"},
        {"tab\there.tmp", "tab_here.tmp"},
    };
    const std::string folder = DirectoryOf(RunFilePath("x"));
    ASSERT_FALSE(folder.empty());
    for (const Row& row : rows) {
        EXPECT_EQ(RunFilePath(row.name), folder + "\\" + row.inFolder) << row.name;
    }
}

TEST_F(RunDirectoryTest, OnlyFilesTheRunMadeInItsFolderAreOpenedOrDeleted) {
    const std::string own = RunFilePath("own.ToInstall.TMP");
    ASSERT_TRUE(AppendToRunFile(own, "one, "));
    ASSERT_TRUE(AppendToRunFile(own, "two")) << "the run's own file opens again";
    EXPECT_EQ(ReadFileBytes(own), "one, two");

    // Someone else's file in the run's folder, files outside it, and no path.
    const std::string foreign = RunFilePath("foreign.ToInstall.TMP");
    WriteFileBytes(foreign, "someone else's");
    const std::string outside = elsewhere.Path() + "\\outside.tmp";
    WriteFileBytes(outside, "outside");
    const std::string shared = SharedTemporaryFolder() + "\\vltest_never_made.ToInstall.TMP";
    for (const std::string& path : {foreign, outside, shared, std::string()}) {
        EXPECT_FALSE(AppendToRunFile(path, "written through")) << path;
        DeleteRunFile(path);
    }
    EXPECT_EQ(ReadFileBytes(foreign), "someone else's");
    EXPECT_EQ(ReadFileBytes(outside), "outside");
    EXPECT_FALSE(FileExists(shared));

    DeleteRunFile(own);
    EXPECT_FALSE(FileExists(own));
    EXPECT_FALSE(AppendToRunFile(foreign, "")) << "still not the run's";
}

TEST_F(RunDirectoryTest, CopiesTakeTheNextNumberWhenTheirNameIsTaken) {
    const std::string source = elsewhere.Path() + "\\new.dll";
    WriteFileBytes(source, "first");
    const std::string first = CopyToRunFile(source, "new.dll", ".tmp");
    ASSERT_FALSE(first.empty());
    const std::string folder = DirectoryOf(first);
    EXPECT_EQ(first, folder + "\\new.dll.tmp");

    WriteFileBytes(source, "second");
    KeepRunFile(first);
    EXPECT_EQ(CopyToRunFile(source, "new.dll", ".tmp"), folder + "\\new.dll.2.tmp");

    WriteFileBytes(folder + "\\new.dll.3.tmp", "someone else's");
    EXPECT_EQ(CopyToRunFile(source, "new.dll", ".tmp"), folder + "\\new.dll.4.tmp");

    EXPECT_EQ(ReadFileBytes(first), "first");
    EXPECT_EQ(ReadFileBytes(folder + "\\new.dll.2.tmp"), "second");
    EXPECT_EQ(ReadFileBytes(folder + "\\new.dll.3.tmp"), "someone else's");
    EXPECT_EQ(ReadFileBytes(folder + "\\new.dll.4.tmp"), "second");
    EXPECT_EQ(CopyToRunFile(elsewhere.Path() + "\\missing.dll", "missing.dll", ".tmp"), "");
}

// What the end of the installation leaves of the run's folder.
struct EndCase {
    const char* name;
    bool keepCopy;                 // the copy is scheduled for the next restart
    bool foreignFile;              // someone else put a file into the folder
    std::vector<std::string> left; // the folder's entries afterwards; none: the folder is gone
};

void PrintTo(const EndCase& c, std::ostream* out) {
    *out << c.name;
}

class RunDirectoryEndTest : public RunDirectoryTest,
                            public ::testing::WithParamInterface<EndCase> {};

TEST_P(RunDirectoryEndTest, FolderGoesUnlessSomethingMustStay) {
    const EndCase& c = GetParam();
    const std::string staging = RunFilePath("joined.txt.ToInstall.TMP");
    ASSERT_TRUE(AppendToRunFile(staging, "parts"));
    const std::string source = elsewhere.Path() + "\\new.dll";
    WriteFileBytes(source, "new library");
    const std::string copy = CopyToRunFile(source, "new.dll", ".tmp");
    ASSERT_FALSE(copy.empty());
    if (c.keepCopy) {
        KeepRunFile(copy);
    }
    const std::string folder = runDirectory;
    if (c.foreignFile) {
        WriteFileBytes(folder + "\\foreign.txt", "someone else's");
    }

    RemoveRunDirectory();
    EXPECT_EQ(DirectoryEntries(folder), c.left);
    EXPECT_EQ(IsDirectory(folder), !c.left.empty());
    if (c.keepCopy) {
        EXPECT_EQ(ReadFileBytes(copy), "new library");
        EXPECT_EQ(DirectoryOf(RunFilePath("later.tmp")), folder) << "the kept folder is used on";
    }
    if (c.foreignFile) {
        EXPECT_EQ(ReadFileBytes(folder + "\\foreign.txt"), "someone else's");
        DeleteFileA((folder + "\\foreign.txt").c_str());
        RemoveDirectoryA(folder.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(
    RunDirectory, RunDirectoryEndTest,
    ::testing::Values(EndCase{"NothingScheduled", false, false, {}},
                      EndCase{"CopyScheduledForTheRestart", true, false, {"new.dll.tmp"}},
                      EndCase{"ForeignFileIsLeftAlone", false, true, {"foreign.txt"}}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return info.param.name; });

// A regular file or a symbolic link planted in the shared TEMP folder under
// the name that the staging file of joined.txt, or the restart copy of
// vltest_new.dll, would have there.
struct PlantCase {
    const char* name;
    bool link;
    bool restartCopy;
};

void PrintTo(const PlantCase& c, std::ostream* out) {
    *out << c.name;
}

const char* const kPlanted = "planted by another user";
const char* const kLinkTarget = "a file the planted link points to";
const char* const kRestartSource = "vltest_new.dll";

class PlantedFileTest : public InstallTest, public ::testing::WithParamInterface<PlantCase> {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        const PlantCase& c = GetParam();
        planted = SharedTemporaryFolder() + "\\" +
                  (c.restartCopy ? std::string(kRestartSource) + ".tmp"
                                 : std::string("joined.txt.ToInstall.TMP"));
        RemovePlant();
        target = root.Path() + "\\target.txt";
        WriteFileBytes(target, kLinkTarget);
        if (c.link) {
            if (!links::Make(planted, target)) {
                GTEST_SKIP() << "no symbolic link can be made here";
            }
        } else {
            WriteFileBytes(planted, kPlanted);
        }
    }

    void TearDown() override {
        RemovePlant();
        InstallTest::TearDown();
    }

    void RemovePlant() {
        if (GetParam().link) {
            links::Remove(planted);
        } else {
            DeleteFileA(planted.c_str());
        }
    }

    // The plant and what it points to are exactly as they were.
    void ExpectPlantUntouched() {
        EXPECT_EQ(ReadFileBytes(target), kLinkTarget);
        if (GetParam().link) {
            EXPECT_TRUE(links::PointsTo(planted, target)) << "the link itself is still there";
        } else {
            EXPECT_EQ(ReadFileBytes(planted), kPlanted);
        }
    }

    PendingRenames pendingRenames;
    std::string planted;
    std::string target;
};

TEST_P(PlantedFileTest, IsNeitherReadNorWrittenNorDeleted) {
    if (!GetParam().restartCopy) {
        const std::string disk = root.Make("disk1");
        for (int part = 1; part <= 2; ++part) {
            const std::string source = disk + "\\joined.00" + std::to_string(part);
            WriteFileBytes(source, "part " + std::to_string(part) + ";");
            FileRecord& record = AddFileRecord(source, "[DP]\\joined.txt");
            record.splitPart = 1;
            record.lastPart = part == 2 ? 1 : 0;
        }
        DialogAnswerer answerer;
        EXPECT_EQ(QuerySourceSize(0), 0u);
        EXPECT_EQ(QuerySourceSize(1), 14u);
        std::string installedPath;
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
        EXPECT_EQ(InstallFileRecord(1, installedPath), 0);
        answerer.ExpectScriptDone();
        EXPECT_EQ(ReadFileBytes(appDir + "\\joined.txt"), "part 1;part 2;");
    } else {
        const std::string source = root.Make("disk1") + "\\" + kRestartSource;
        const std::string destination = root.Path() + "\\vltest_busy.dll";
        CopyTestFile(BuiltFile("vlsrv_3_1.dll"), source);
        CopyTestFile(BuiltFile("vlsrv_2_0.dll"), destination);
        EXPECT_EQ(ReplaceAtRestart(source, destination, kRestartSource), 0);
        const std::string copy = RunCopyPath(kRestartSource);
        EXPECT_TRUE(SameContent(copy, source));
        EXPECT_TRUE(PendingRenames::Holds(copy, destination));
    }
    ExpectPlantUntouched();

    RemoveRunDirectory();
    ExpectPlantUntouched();
}

INSTANTIATE_TEST_SUITE_P(OldNames, PlantedFileTest,
                         ::testing::Values(PlantCase{"FileAtTheStagingName", false, false},
                                           PlantCase{"LinkAtTheStagingName", true, false},
                                           PlantCase{"FileAtTheRestartCopyName", false, true},
                                           PlantCase{"LinkAtTheRestartCopyName", true, true}),
                         [](const ::testing::TestParamInfo<PlantCase>& info) {
                             return info.param.name;
                         });

} // namespace
