// VLUninstall.exe run with /quiet, as a script runs it, on an installation made
// by hand: files with a log the way the setup writes it, a shortcut, the
// Uninstall key, shared-file counts, and a file of the user's.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/log_record.h"
#include "engine/path_text.h"
#include "engine/uninstall_log_text.h"
#include "test_support.h"

namespace {

using namespace vltest;

// A file's entry as the setup logs it: by its short path.
std::string NonSharedEntry(const std::string& path) {
    const std::string shortPath = ShortPath(path);
    return NonSharedLogEntry(DirectoryOf(shortPath), FileNameOf(shortPath));
}

struct Outcome {
    DWORD exitCode = 999;
    std::string output;
};

class Uninstaller : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string id = std::to_string(GetCurrentProcessId());
        root_ = std::string(temp) + "vl-uninstall-" + id;
        app_ = "VL Uninstall Test " + id;
        dp_ = root_ + "\\My App";
        group_ = StartMenuPrograms() + "\\" + app_;
        kept_ = root_ + "\\shared\\kept.dll";
        gone_ = root_ + "\\shared\\gone.dll";
    }
    void TearDown() override {
        RemoveTree(root_);
        RemoveTree(group_);
        RemoveUninstallEntry(app_);
        for (const std::string& path : {kept_, gone_})
            ForgetSharedCount(path);
    }

    // Installs by hand and returns the log's [FILES] entries, as the setup writes them.
    std::string Install() {
        const std::string files[] = {dp_ + "\\app.exe", dp_ + "\\sub\\data.txt",
                                     group_ + "\\App.lnk", kept_, gone_};
        for (const std::string& file : files)
            EXPECT_TRUE(WriteBytes(file, "installed " + file));
        EXPECT_TRUE(WriteBytes(dp_ + "\\user.txt", "the user's own"));
        EXPECT_TRUE(CopyFileA(VL_UNINSTALL_EXE, uninstaller().c_str(), FALSE));
        // As copied from a CD.
        SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_READONLY);
        SetKeyText(app_, "DisplayName", app_);
        SetKeyText(app_, "UninstallString", "\"" + uninstaller() + "\"");
        SetSharedCount(kept_, 2);
        SetSharedCount(gone_, 1);
        std::string entries;
        for (const std::string& file : {uninstaller(), files[0], files[1]})
            entries += NonSharedEntry(file);
        entries += ShortcutLogEntry(files[2]) + SharedLogEntry(DirectoryOf(kept_), "kept.dll") +
                   RegistrationLogLine(false) + SharedLogEntry(DirectoryOf(gone_), "gone.dll");
        return entries;
    }

    static void SetKeyText(const std::string& app, const char* name, const std::string& text) {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, UninstallKey(app).c_str(), name, REG_SZ, text.c_str(),
                        static_cast<DWORD>(text.size() + 1));
    }

    // The log as the setup writes it, recorded in the entry; `recorded` is what the entry
    // records when it differs (an edited log).
    void WriteLog(const std::string& files, const std::string& registryPart,
                  std::string recorded = "") {
        const std::string log =
            ToCrLf(UninstallLogHeader(TodaysLocalDate()) + files + registryPart);
        SetKeyText(app_, kLogRecordValue,
                   LogRecordText(LogStateOf(recorded.empty() ? log : recorded)));
        ASSERT_TRUE(WriteBytes(dp_ + "\\Uninstall.log", log));
    }

    std::string uninstaller() const { return dp_ + "\\VLUninstall.exe"; }

    Outcome RunQuiet(const std::string& switches = "") {
        const std::string outputPath = root_ + "\\output" + std::to_string(++runs_) + ".txt";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
        std::string command = "\"" + uninstaller() + "\" /quiet " + switches;
        PROCESS_INFORMATION process = {};
        Outcome outcome;
        if (CreateProcessA(uninstaller().c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                           nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, 60000);
            GetExitCodeProcess(process.hProcess, &outcome.exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(output);
        outcome.output = ReadBytes(outputPath);
        return outcome;
    }

    std::string root_, app_, dp_, group_, kept_, gone_;
    int runs_ = 0;
};

// A file held open cannot go: it is reported, and the log then lists what is left, for the
// next run. What another program uses stays, and so does a file of the user's.
TEST_F(Uninstaller, RemovesWhatTheLogNamesAndLeavesWhatCannotGoForTheNextRun) {
    const std::string held = dp_ + "\\app.exe";
    // Listed twice, the file another program uses still loses one use only.
    WriteLog(Install() + SharedLogEntry(DirectoryOf(kept_), "kept.dll"), RegistryLogPart(app_));
    EXPECT_EQ(RunQuiet("/bogus").exitCode, 1639u) << "a switch it does not know changes nothing";
    EXPECT_TRUE(Exists(held));
    {
        PendingRenames pending;
        PendingRenames::Block();
        HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const Outcome first = RunQuiet();
        CloseHandle(file);
        EXPECT_EQ(first.exitCode, 1u);
        EXPECT_NE(first.output.find(ShortPath(held)), std::string::npos) << first.output;
    }
    EXPECT_EQ(LogAfterFiles(ReadBytes(dp_ + "\\Uninstall.log")),
              ToCrLf(NonSharedEntry(uninstaller()) + NonSharedEntry(held) + RegistryLogPart(app_)));
    const Outcome second = RunQuiet("-LOG=" + root_ + "\\run.log");
    EXPECT_EQ(second.exitCode, 0u) << second.output;
    EXPECT_NE(ReadBytes(root_ + "\\run.log").find("exit code 0"), std::string::npos);
    for (const std::string& path : {held, dp_ + "\\sub", group_, gone_, dp_ + "\\Uninstall.log"})
        EXPECT_FALSE(Exists(path)) << path;
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app_), "DisplayName"), "<no key>");
    EXPECT_EQ(ReadBytes(dp_ + "\\user.txt"), "the user's own");
    EXPECT_TRUE(Exists(kept_));
    EXPECT_EQ(SharedCount(kept_), 1);
    EXPECT_EQ(SharedCount(gone_), -1);
    // The uninstaller's own file goes once it has ended.
    for (int i = 0; i < 300 && Exists(uninstaller()); ++i)
        Sleep(100);
    EXPECT_FALSE(Exists(uninstaller()));
}

// An edited log is refused with nothing changed, whether the reader or the entry's record
// catches it: neither what it names, nor another program's entry, nor our own files.
// Reached through a folder that is a link now, a file is not the one that was installed:
// the link's target keeps it. A server that cannot take its registration back (it fails,
// or does not load) stays with its use: deleted, it would leave registrations that point
// to nothing.
TEST_F(Uninstaller, WhatCannotBeRemovedSafelyStays) {
    const std::string elsewhere = root_ + "\\elsewhere";
    const struct {
        const char* what;
        const char* server; // the library gone.dll is, registered; "" for the link row
        bool stays;
    } rows[] = {
        {"folder replaced by a link", "", false},
        {"unregistration fails", "vlsrv_unregister_fails.dll", true},
        {"no library", "no library", true},
        {"unregistered", "vlsrv_unregister_ok.dll", false},
    };
    for (const auto& row : rows) {
        std::string installed = Install();
        if (*row.server) {
            const std::string built = WinePath(std::string(VL_TEST_FILES) + "/" + row.server);
            WriteBytes(gone_, Exists(built) ? ReadBytes(built) : row.server);
            installed += RegistrationLogLine(true);
        }
        WriteLog(installed, RegistryLogPart(app_));
        if (!*row.server) {
            WriteBytes(elsewhere + "\\data.txt", "not ours");
            RemoveTree(dp_ + "\\sub");
            MakeLink(dp_ + "\\sub", elsewhere); // a folder: it reads through to the target
            ASSERT_EQ(ReadBytes(dp_ + "\\sub\\data.txt"), "not ours");
        }
        const Outcome outcome = RunQuiet();
        EXPECT_EQ(outcome.exitCode, row.stays || !*row.server ? 1u : 0u) << row.what;
        EXPECT_EQ(Exists(gone_), row.stays) << row.what;
        EXPECT_EQ(SharedCount(gone_), row.stays ? 1 : -1) << row.what;
        if (!*row.server) {
            EXPECT_EQ(ReadBytes(elsewhere + "\\data.txt"), "not ours");
            RemoveLink(dp_ + "\\sub");
        }
        TearDown();
    }
}

TEST_F(Uninstaller, TamperedLogIsRefusedBeforeAnythingIsRemoved) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string victim = root_ + "\\victim\\precious.txt";
    const std::string other = "VL Other " + std::to_string(GetCurrentProcessId());
    const std::string cut = UninstallKey(app_).substr(0, UninstallKey(app_).size() - 3);
    const struct {
        const char* what;
        std::string files;
        std::string registryPart;
        bool recordedAsIs = true; // else the entry records the log without the edit
    } rows[] = {
        {"entry added", NonSharedLogEntry(DirectoryOf(victim), "precious.txt"),
         RegistryLogPart(app_), false},
        // Another installation's log (its entry records it) laid beside this uninstaller.
        {"another installation's log", "", "[REGISTRY]\n" + UninstallKey(other) + "\n", false},
        {"key cut short", "", "[REGISTRY]\n" + cut + "\n", false},
        {"device name", NonSharedLogEntry(dp_, "nul.txt"), RegistryLogPart(app_)},
        {"relative path", NonSharedLogEntry("My App", "app.exe"), RegistryLogPart(app_)},
        {"Windows folder", NonSharedLogEntry(DirectoryOf(windows), FileNameOf(windows)),
         RegistryLogPart(app_)},
        {"a folder", NonSharedLogEntry(dp_, "sub"), RegistryLogPart(app_)},
        {"key outside", "", "[REGISTRY]\nSoftware\\" + app_ + "\n"},
    };
    for (const auto& row : rows) {
        const std::string installed = Install();
        WriteBytes(victim, "precious");
        SetKeyText(other, "DisplayName", other);
        SetKeyText(other, "UninstallString", "\"" + root_ + "\\Other\\uninstall.exe\"");
        const std::string untouched =
            ToCrLf(UninstallLogHeader(TodaysLocalDate()) + installed + RegistryLogPart(app_));
        WriteLog(installed + row.files, row.registryPart, row.recordedAsIs ? "" : untouched);
        SetKeyText(other, kLogRecordValue,
                   LogRecordText(LogStateOf(ReadBytes(dp_ + "\\Uninstall.log"))));
        const Outcome outcome = RunQuiet();
        EXPECT_EQ(outcome.exitCode, 2u) << row.what;
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(other), "DisplayName"), other)
            << row.what;
        RemoveUninstallEntry(other);
        for (const std::string& path : {dp_ + "\\app.exe", gone_, group_ + "\\App.lnk", victim,
                                        dp_ + "\\Uninstall.log", uninstaller()})
            EXPECT_TRUE(Exists(path)) << row.what << ": " << path;
        EXPECT_EQ(SharedCount(kept_), 2) << row.what;
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app_), "DisplayName"), app_)
            << row.what;
        TearDown();
    }
}

} // namespace
