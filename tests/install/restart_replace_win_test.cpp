// Replacement at the next restart: the version rule, the delayed move and its
// effect at a restart, and the Wininit.ini entry where the platform refuses
// delayed moves, which must never cost other programs' entries.

#include "install/restart_replace.h"
#include "platform/system_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "install_win_test_support.h"

namespace {

using namespace installtest;

const char* const kSourceName = "vltest_new.dll";

class ReplaceAtRestartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = root.Make("disk1") + "\\" + kSourceName;
        destination = root.Path() + "\\vltest_busy.dll";
        DiscardRunDirectory();
    }

    void TearDown() override { DiscardRunDirectory(); }

    // Replaces the destination at the next restart and learns where the copy
    // for it went.
    int Replace() {
        const int result = ReplaceAtRestart(source, destination, kSourceName);
        temporaryCopy = RunCopyPath(kSourceName);
        return result;
    }

    void Prepare(const char* sourceFile, const char* destinationFile) {
        CopyTestFile(BuiltFile(sourceFile), source);
        CopyTestFile(BuiltFile(destinationFile), destination);
    }

    PendingRenames pendingRenames;
    TempDirectory root;
    std::string source;
    std::string destination;
    std::string temporaryCopy;
};

struct VersionRuleCase {
    const char* name;
    const char* sourceFile;
    const char* destinationFile;
    int result;
    bool scheduled;
};

void PrintTo(const VersionRuleCase& c, std::ostream* out) {
    *out << c.name;
}

class VersionRuleTest : public ReplaceAtRestartTest,
                        public ::testing::WithParamInterface<VersionRuleCase> {};

TEST_P(VersionRuleTest, OnlyMajorAndMinorVersionCount) {
    const VersionRuleCase& c = GetParam();
    Prepare(c.sourceFile, c.destinationFile);

    EXPECT_EQ(Replace(), c.result);
    EXPECT_EQ(FileExists(temporaryCopy), c.scheduled);
    EXPECT_EQ(PendingRenames::Holds(temporaryCopy, destination), c.scheduled);
    if (c.scheduled) {
        EXPECT_TRUE(SameContent(temporaryCopy, source));
    }
    EXPECT_TRUE(SameContent(destination, BuiltFile(c.destinationFile)));
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceAtRestart, VersionRuleTest,
    ::testing::Values(
        VersionRuleCase{"NewerCopyInPlaceStays", "vlsrv_2_0.dll", "vlsrv_3_1.dll", 0, false},
        VersionRuleCase{"LowerBuildNumbersDoNotCount", "vlsrv_3_1_0_5.dll", "vlsrv_3_1_9_9.dll", 0,
                        true},
        VersionRuleCase{"EqualVersionsAreReplaced", "vlsrv_3_1.dll", "vlsrv_3_1.dll", 0, true},
        VersionRuleCase{"DestinationWithoutVersion", "vlsrv_2_0.dll", "vlsrv_no_version.dll", 1,
                        false},
        VersionRuleCase{"SourceWithoutVersion", "vlsrv_no_version.dll", "vlsrv_2_0.dll", 1, false}),
    [](const ::testing::TestParamInfo<VersionRuleCase>& info) { return info.param.name; });

bool RunningOnWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Wine's wineboot -r does what Windows does at its start: it carries out the
// delayed moves.
TEST_F(ReplaceAtRestartTest, ScheduledCopyReplacesTheFileAtTheNextStart) {
    if (!RunningOnWine()) {
        GTEST_SKIP() << "restarting is only simulated under Wine";
    }
    Prepare("vlsrv_3_1.dll", "vlsrv_2_0.dll");
    ASSERT_EQ(Replace(), 0);

    std::string command = "wineboot.exe -r";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "wineboot did not finish";

    EXPECT_TRUE(SameContent(destination, BuiltFile("vlsrv_3_1.dll")));
    EXPECT_FALSE(FileExists(temporaryCopy));
}

// The platform refuses delayed moves here (the list it keeps them in is made
// unusable), so the replacement goes to the rename section of Wininit.ini.
class WininitTest : public ReplaceAtRestartTest {
  protected:
    void SetUp() override {
        ReplaceAtRestartTest::SetUp();
        wininit = WindowsDirectory() + "\\Wininit.ini";
        hadWininit = FileExists(wininit);
        if (hadWininit) {
            savedWininit = ReadFileBytes(wininit);
        }
        DeleteFileA(wininit.c_str());
        PendingRenames::Block();
        Prepare("vlsrv_3_1.dll", "vlsrv_2_0.dll");
    }

    void TearDown() override {
        if (locked != INVALID_HANDLE_VALUE) {
            CloseHandle(locked);
        }
        if (hadWininit) {
            WriteFileBytes(wininit, savedWininit);
        } else {
            DeleteFileA(wininit.c_str());
        }
        ReplaceAtRestartTest::TearDown();
    }

    std::string RenameLine() { return destination + "=" + temporaryCopy + "\r\n"; }

    std::string wininit;
    bool hadWininit = false;
    std::string savedWininit;
    HANDLE locked = INVALID_HANDLE_VALUE;
};

TEST_F(WininitTest, MissingFileIsCreatedWithTheEntry) {
    EXPECT_EQ(Replace(), 0);
    EXPECT_FALSE(PendingRenames::Holds(temporaryCopy, destination));
    EXPECT_TRUE(SameContent(temporaryCopy, source));
    EXPECT_EQ(ReadFileBytes(wininit), "[rename]\r\n" + RenameLine() + "\r\n");
}

TEST_F(WininitTest, EntryJoinsTheOtherSectionsAndEntries) {
    // The destination lies in a path on drive C:, so its line sorts before NUL.
    ASSERT_EQ(destination.substr(0, 3), "C:\\");
    WriteFileBytes(wininit, "; written by another setup\r\n[rename]\r\nNUL=C:\\old.tmp\r\n"
                            "[other]\r\nkey=value\r\n");

    EXPECT_EQ(Replace(), 0);
    EXPECT_EQ(ReadFileBytes(wininit), "[other]\r\nkey=value\r\n\r\n[rename]\r\n" + RenameLine() +
                                          "NUL=C:\\old.tmp\r\n\r\n");
}

TEST_F(WininitTest, UnreadableFileIsLeftAloneAndTheFailureReported) {
    const std::string before = "[rename]\r\nNUL=C:\\old.tmp\r\n";
    WriteFileBytes(wininit, before);
    locked = CreateFileA(wininit.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);

    EXPECT_EQ(Replace(), 1);
    CloseHandle(locked);
    locked = INVALID_HANDLE_VALUE;
    EXPECT_EQ(ReadFileBytes(wininit), before);
    EXPECT_FALSE(FileExists(temporaryCopy)) << "a copy that nothing will move is not kept";
}

} // namespace
