// What the authoring tools write, read back by the platform and by the wizard:
// our SZDD form (and mscompress's) expanded by the version-installation
// service, and packed disks installed by the real VLSetup.exe.
#include "authoring/disk_writer.h"
#include "authoring/szdd.h"
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

// Installs `packed` as the wizard installs a compressed source.
std::string ExpandedByService(const std::string& packed) {
    const std::string folder = FreshFolder("service") + "\\";
    EXPECT_TRUE(WriteBytes(folder + "p.tx_", packed));
    // The platform declares the names writable.
    std::string source = "p.tx_", target = "p.txt", directory = folder;
    char temp[MAX_PATH] = "";
    UINT tempSize = MAX_PATH;
    const DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, &source[0], &target[0], &directory[0],
                                         &directory[0], &directory[0], temp, &tempSize);
    EXPECT_EQ(result, 0u);
    return ReadBytes(folder + "p.txt");
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

TEST(Szdd, TheVersionServiceExpandsOurFormAndMscompressesAlike) {
    std::string wrapping; // matches across the end of the 4 KiB window, many times over
    const std::string line = RandomBytes(300, 2);
    for (int i = 0; i < 40; ++i) {
        wrapping += line + std::to_string(i);
    }
    for (const std::string& payload : {std::string(), std::string("x"), std::string(100000, 'a'),
                                       RandomBytes(20000, 1), wrapping}) {
        EXPECT_EQ(ExpandedByService(CompressSzdd(payload, 't')), payload) << payload.size();
    }
    const std::string plain = ReadBytes(vltest::WinePath(VL_MSCOMPRESS_PLAIN));
    ASSERT_GT(plain.size(), 4096u);
    EXPECT_EQ(ExpandedByService(ReadBytes(vltest::WinePath(VL_MSCOMPRESSED))), plain);
    EXPECT_EQ(ExpandedByService(CompressSzdd(plain, 0)), plain);
}

TEST(PackedDisks, TheWizardInstallsThemByteForByte) {
    const std::string tree = FreshFolder("tree");
    const std::pair<std::string, std::string> files[] = {
        {"readme.txt", std::string(9000, 'r') + "end"},
        {"data.bin", RandomBytes(9000, 3)}, // on three disks
        {"empty.dat", ""},
        {"docs\\guide.txt", "guide"},
        {"docs\\deep\\note.txt", std::string(5000, 'n')},
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(WriteBytes(tree + "\\" + name, bytes));
    }
    PackOptions options;
    options.sourceDirectory = tree;
    options.outputDirectory = FreshFolder("disks");
    options.diskSize = 4096;
    options.compress = true;
    std::string lines, error;
    ASSERT_EQ(PackDisks(options, lines, error), 0) << error;

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
