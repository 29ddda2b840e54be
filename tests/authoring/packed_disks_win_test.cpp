// Packed disks, their files in our SZDD form, installed by the real VLSetup.exe: the
// version-installation service expands each file, across the end of the 4 KiB window too.
#include "authoring/disk_writer.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>

using vltest::ReadBytes;
using vltest::WriteBytes;

namespace {

std::string FreshFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "vl_authoring_" + name;
    vltest::RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

} // namespace

TEST(PackedDisks, TheWizardInstallsThemByteForByte) {
    const std::string tree = FreshFolder("tree");
    std::string wrapping; // matches across the end of the 4 KiB window, many times over
    for (int i = 0; i < 40; ++i) {
        wrapping += RandomBytes(300, 2) + std::to_string(i);
    }
    const std::pair<std::string, std::string> files[] = {
        {"readme.txt", std::string(9000, 'r') + "end"},
        {"data.bin", RandomBytes(9000, 3)}, // on several disks
        {"empty.dat", ""},
        {"docs\\guide.txt", "guide"},
        {"docs\\deep\\note.txt", std::string(5000, 'n')},
        {"runs.txt", std::string(100000, 'a')},
        {"wrapping.bin", wrapping},
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(WriteBytes(tree + "\\" + name, bytes));
    }
    PackOptions options;
    options.sourceDirectory = tree;
    options.outputDirectory = FreshFolder("disks");
    options.medium = Medium{4096, 512, 0, false};
    options.compress = true;
    std::string lines;
    PackReport report;
    ASSERT_EQ(PackDisks(options, lines, report), 0) << report.errors.front();

    const std::string disks = options.outputDirectory;
    const std::string app = "VLPackTest";
    ASSERT_TRUE(CopyFileA(vltest::WinePath(VL_SETUP_EXE).c_str(), (disks + "\\VLSetup.exe").c_str(),
                          FALSE));
    ASSERT_TRUE(WriteBytes(disks + "\\SetupScript.ini",
                           "SetAppName(\"" + app + "\") SetVariable(\"DP\", \"[SP]\\target\\\")\n" +
                               "CreateSection(\"Program\", \"1\", \"0\", \"c\")\n" + lines +
                               "ShowCopy()\n"));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + disks + "\\VLSetup.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               disks.c_str(), &startup, &process));
    // A missing part would leave the wizard waiting in the disk prompt.
    const bool ended = WaitForSingleObject(process.hProcess, 90000) == WAIT_OBJECT_0;
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    vltest::RemoveUninstallEntry(app);
    RemoveDirectoryA((vltest::StartMenuPrograms() + "\\" + app).c_str());
    ASSERT_TRUE(ended);
    EXPECT_EQ(exitCode, 0u);
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(ReadBytes(disks + "\\target\\" + name), bytes) << name;
    }
}
