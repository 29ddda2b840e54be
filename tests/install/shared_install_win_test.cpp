// Shared files: installed by the version service into the directory it
// recommends, registered when they are servers, skipped when older, and
// replaced at the next restart when in use. The test libraries are made by the
// test build.

#include "install/install_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "install/restart_replace.h"
#include "platform/system_text.h"
#include "install_win_test_support.h"

namespace {

using namespace installtest;

const char* const kRegisteredVariable = "VL_TEST_SERVER_REGISTERED";
const char* const kDataFile = "plain data, no library";

std::string RegisteredServer() {
    char name[256] = "";
    const DWORD length = GetEnvironmentVariableA(kRegisteredVariable, name, sizeof name);
    return length > 0 && length < sizeof name ? name : "";
}

// Temporary copies that the version service leaves in a directory.
std::set<std::string> ServiceLeftovers(const std::string& directory) {
    std::set<std::string> found;
    for (const std::string& name : DirectoryEntries(directory)) {
        if (name.size() > 7 && _strnicmp(name.c_str(), "ver", 3) == 0 &&
            _stricmp(name.c_str() + name.size() - 4, ".tmp") == 0) {
            found.insert(name);
        }
    }
    return found;
}

class SharedTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        disk = root.Make("disk1");
        systemDir = SystemDirectory();
        variables.Assign("WINPATH", WindowsDirectory());
        SetEnvironmentVariableA(kRegisteredVariable, nullptr);
        leftoversBefore = ServiceLeftovers(systemDir);
    }

    void TearDown() override {
        for (const std::string& path : installed) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        SetEnvironmentVariableA(kRegisteredVariable, nullptr);
        InstallTest::TearDown();
    }

    // Puts a built file on the disk and adds a shared record for it, to be
    // installed as `destinationName`. Returns the path in the system directory.
    // An empty name stands for a data file that is no library.
    std::string AddShared(const std::string& builtName, const std::string& destinationName) {
        const std::string source = disk + "\\" + (builtName.empty() ? "data.dat" : builtName);
        if (builtName.empty()) {
            WriteFileBytes(source, kDataFile);
        } else {
            CopyTestFile(BuiltFile(builtName), source);
        }
        FileRecord& record = AddFileRecord(source, "[DP]\\" + destinationName);
        record.shared = 1;
        return Installed(destinationName);
    }

    // A path in the system directory that the test removes at its end.
    std::string Installed(const std::string& name) {
        installed.push_back(systemDir + "\\" + name);
        DeleteFileA(installed.back().c_str());
        return installed.back();
    }

    std::string CaptionOf(std::size_t index) { return ShortNameOf(model.files[index].source); }

    std::string disk;
    std::string systemDir;
    std::vector<std::string> installed;
    std::set<std::string> leftoversBefore;
};

// A fresh shared file and what registration makes of it.
struct RegistrationCase {
    const char* name;
    const char* builtFile; // "" for a data file
    const char* destinationName;
    const char* registered;   // the library that DllRegisterServer reports, or ""
    bool failureMessage;      // "Server registration" is shown
    const char* logLineAfter; // the registration line, or ""
};

void PrintTo(const RegistrationCase& c, std::ostream* out) {
    *out << c.name;
}

class RegistrationTest : public SharedTest,
                         public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(RegistrationTest, InstalledIntoTheSystemDirectoryAndLogged) {
    const RegistrationCase& c = GetParam();
    const std::string target = AddShared(c.builtFile, c.destinationName);
    std::vector<Answer> script;
    if (c.failureMessage) {
        script.push_back({"Server registration", {IDOK}, nullptr});
    }
    DialogAnswerer answerer(script);

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();

    EXPECT_EQ(installedPath, appDir + "\\" + c.destinationName);
    if (*c.builtFile) {
        EXPECT_TRUE(SameContent(target, BuiltFile(c.builtFile)));
    } else {
        EXPECT_EQ(ReadFileBytes(target), kDataFile);
    }
    EXPECT_FALSE(FileExists(appDir + "\\" + c.destinationName));
    EXPECT_EQ(RegisteredServer(), c.registered);
    if (c.failureMessage) {
        ASSERT_EQ(answerer.Seen().size(), 1u);
        EXPECT_EQ(answerer.Seen()[0].Text(),
                  "Registration of " + target + " failed, setup will continue.");
    }
    EXPECT_EQ(LogBytes(), target + "\r\nSHARED\r\n" + c.logLineAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Shared, RegistrationTest,
    ::testing::Values(
        RegistrationCase{"ServerRegistersItself", "vlsrv_register_ok.dll", "vltest_server.dll",
                         "vlsrv_register_ok", false, "AUTOREGSVR\r\n"},
        RegistrationCase{"RegistrationAnsweringFalseIsReported", "vlsrv_register_false.dll",
                         "vltest_false.dll", "vlsrv_register_false", true, "AUTOREGSVR\r\n"},
        RegistrationCase{"LibraryWithoutTheExport", "vlsrv_no_export.dll", "vltest_plain.dll", "",
                         false, "NOAUTOREGSVR\r\n"},
        RegistrationCase{"DataFileIsNoLibrary", "", "vltest_data.dat", "", false, ""}),
    [](const ::testing::TestParamInfo<RegistrationCase>& info) { return info.param.name; });

TEST_F(SharedTest, NonSharedServerIsNeitherLoadedNorRegistered) {
    const std::string source = disk + "\\vlsrv_register_ok.dll";
    CopyTestFile(BuiltFile("vlsrv_register_ok.dll"), source);
    AddFileRecord(source, "[DP]\\server.dll");
    DialogAnswerer answerer;

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();
    EXPECT_EQ(RegisteredServer(), "");
    EXPECT_EQ(LogBytes(), ShortPath(appDir + "\\server.dll") + "\r\nNONSHARED\r\n");
}

// The copy in place (version 3.1) is newer than the source (2.0). The service
// answers with a temporary copy, a mismatch and an older source; the newer copy
// stays, without a message or a question, and nothing is logged.
TEST_F(SharedTest, OlderSourceIsSkippedSilently) {
    const std::string target = AddShared("vlsrv_2_0.dll", "vltest_older.dll");
    CopyTestFile(BuiltFile("vlsrv_3_1.dll"), target);
    DialogAnswerer answerer;

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(installedPath, appDir + "\\vltest_older.dll") << "the shortcut still gets a target";
    EXPECT_TRUE(SameContent(target, BuiltFile("vlsrv_3_1.dll")));
    EXPECT_EQ(ServiceLeftovers(systemDir), leftoversBefore);
    EXPECT_EQ(LogBytes(), "");
}

// The copy in place is held open as a loaded library is: others may read it
// (so its version can be compared) but not delete it. Wine's service reports
// that as a sharing violation that cannot be deleted (0x1400).
class SharedInUseTest : public SharedTest {
  protected:
    void TearDown() override {
        if (inUse != INVALID_HANDLE_VALUE) {
            CloseHandle(inUse);
        }
        SharedTest::TearDown();
    }

    void HoldOpen(const std::string& path) {
        inUse = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    }

    PendingRenames pendingRenames;
    HANDLE inUse = INVALID_HANDLE_VALUE;
    std::string temporaryCopy;
};

TEST_F(SharedInUseTest, NewerFileIsScheduledForTheNextRestartAndNotLogged) {
    const std::string target = AddShared("vlsrv_3_1.dll", "vltest_busy.dll");
    CopyTestFile(BuiltFile("vlsrv_2_0.dll"), target);
    HoldOpen(target);
    const std::string sourceName = CaptionOf(0);
    DialogAnswerer answerer({{sourceName, {IDOK}, nullptr}});

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();
    temporaryCopy = RunCopyPath(sourceName);
    CloseHandle(inUse);
    inUse = INVALID_HANDLE_VALUE;

    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].Text(),
              "Sharing violation occured, setup cannot install the file.");
    EXPECT_EQ(installedPath, appDir + "\\vltest_busy.dll");
    EXPECT_TRUE(SameContent(target, BuiltFile("vlsrv_2_0.dll")));
    EXPECT_TRUE(SameContent(temporaryCopy, BuiltFile("vlsrv_3_1.dll")));
    EXPECT_TRUE(PendingRenames::Holds(temporaryCopy, target));
    EXPECT_EQ(RegisteredServer(), "");
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(SharedInUseTest, ReplacementThatCannotBeScheduledIsReported) {
    const std::string target = AddShared("vlsrv_3_1.dll", "vltest_busy.dll");
    CopyTestFile(BuiltFile("vlsrv_no_version.dll"), target); // versions cannot be compared
    HoldOpen(target);
    const std::string sourceName = CaptionOf(0);
    DialogAnswerer answerer({{sourceName, {IDOK}, nullptr}, {sourceName, {IDOK}, nullptr}});

    std::string installedPath;
    EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
    answerer.ExpectScriptDone();
    temporaryCopy = RunCopyPath(sourceName);

    ASSERT_EQ(answerer.Seen().size(), 2u);
    EXPECT_EQ(answerer.Seen()[1].Text(),
              "File is in use and setup is not able to overwrite the file.");
    EXPECT_FALSE(FileExists(temporaryCopy));
    EXPECT_FALSE(PendingRenames::Holds(temporaryCopy, target));
    EXPECT_EQ(LogBytes(), "");
}

} // namespace
