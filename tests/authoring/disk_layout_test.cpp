#include "authoring/disk_layout.h"
#include "authoring/disk_writer.h"
#include "authoring/script_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

fs::path FreshDirectory(const std::string& name) {
    const fs::path directory = fs::path(::testing::TempDir()) / ("vl_pack_" + name);
    fs::remove_all(directory);
    return directory;
}

} // namespace

TEST(DiskSize, ReadsFloppyAndBinarySizes) {
    const std::pair<const char*, uint64_t> valid[] = {
        {"1.44M", 1474560}, {"650M", 650ull << 20}, {"720K", 737280}, {"4096", 4096}, {"0", 0}};
    for (const auto& [text, bytes] : valid) {
        uint64_t parsed = 1;
        EXPECT_TRUE(ParseDiskSize(text, parsed)) << text;
        EXPECT_EQ(parsed, bytes) << text;
    }
    for (const char* text : {"", "M", "1.", "1.5", "-1", "12X", "99999999999999999999G"}) {
        uint64_t parsed = 0;
        EXPECT_FALSE(ParseDiskSize(text, parsed)) << text;
    }
}

// Packs a tree at several disk sizes and installs it as the wizard would from
// the printed lines: parts joined in order until the last part.
TEST(DiskPack, EveryFileComesBackWholeAndNoDiskOverflows) {
    const fs::path tree = FreshDirectory("tree");
    std::mt19937 random(7);
    std::string big(10000, '\0');
    for (char& c : big) {
        c = static_cast<char>(random());
    }
    const std::map<std::string, std::string> files = {
        {"big.bin", big}, {"empty.dat", ""}, {"a.txt", "a"}, {"sub/b.txt", std::string(900, 'b')}};
    for (const auto& [name, bytes] : files) {
        WriteBytes(tree / name, bytes);
    }
    for (const uint64_t diskSize : {0, 1000, 4096, 100000}) {
        PackOptions options;
        options.sourceDirectory = tree.string();
        options.outputDirectory = FreshDirectory("out").string();
        options.diskSize = diskSize;
        std::string lines, warnings, error;
        ASSERT_EQ(PackDisks(options, lines, warnings, error), 0) << error;

        ScriptReader reader;
        reader.ScanText(lines);
        std::map<std::string, std::string> installed;
        std::map<int, uint64_t> used;
        std::string joined;
        for (int i = 0; i < reader.StatementCount(); ++i) {
            std::string source(reader.Argument(i, 0).substr(5)); // after "[SP]\"
            std::replace(source.begin(), source.end(), '\\', '/');
            const std::string part = ReadBytes(fs::path(options.outputDirectory) / source);
            used[std::stoi(std::string(reader.Argument(i, 4)))] += part.size();
            joined += part;
            if (reader.Argument(i, 5) == "0" || reader.Argument(i, 6) == "1") {
                std::string destination(reader.Argument(i, 1).substr(5)); // after "[DP]\"
                std::replace(destination.begin(), destination.end(), '\\', '/');
                installed[destination] = joined;
                joined.clear();
            }
        }
        EXPECT_EQ(installed, files) << diskSize;
        for (const auto& [disk, bytes] : used) {
            EXPECT_LE(bytes, diskSize == 0 ? UINT64_MAX : diskSize) << "disk " << disk;
        }
    }
}

TEST(DiskPack, StarterScriptWithSetupFilesPassesTheChecker) {
    const fs::path tree = FreshDirectory("app");
    const fs::path setup = FreshDirectory("setup");
    WriteBytes(tree / "app.txt", std::string(3000, 'x'));
    WriteBytes(setup / "VLSetup.exe", std::string(500, 'S'));
    WriteBytes(setup / "VLUninstall.exe", std::string(200, 'U'));
    PackOptions options;
    options.sourceDirectory = tree.string();
    options.outputDirectory = FreshDirectory("disks").string();
    options.setupDirectory = setup.string();
    options.compress = true;
    options.diskSize = 1024;
    std::string lines, warnings, error;
    EXPECT_EQ(PackDisks(options, lines, warnings, error), 1) << "setup files alone fill disk 1";
    options.diskSize = 4096;
    ASSERT_EQ(PackDisks(options, lines, warnings, error), 0) << error;

    ScriptReader reader;
    ASSERT_EQ(reader.ReadScript(options.outputDirectory + "/SetupScript.ini"), 0);
    CheckOptions check;
    check.setupDirectory = options.outputDirectory;
    const CheckReport report = CheckScript(reader, check);
    EXPECT_EQ(report.errors + report.warnings, 0u)
        << (report.diagnostics.empty() ? "" : report.diagnostics[0].message);
    EXPECT_TRUE(fs::exists(fs::path(options.outputDirectory) / "disk1" / "app.tx_"));
}

TEST(DiskPack, RefusesOverlappingFoldersAndAnEarlierRunWithoutForce) {
    const fs::path tree = FreshDirectory("refuse");
    WriteBytes(tree / "a.txt", "a");
    PackOptions options;
    options.sourceDirectory = tree.string();
    std::string lines, warnings, error;
    for (const fs::path& out : {tree / "out", tree.parent_path()}) {
        options.outputDirectory = out.string();
        EXPECT_EQ(PackDisks(options, lines, warnings, error), 1) << out;
    }
    options.outputDirectory = FreshDirectory("refuse_out").string();
    ASSERT_EQ(PackDisks(options, lines, warnings, error), 0) << error;
    EXPECT_EQ(PackDisks(options, lines, warnings, error), 1);
    options.force = true;
    EXPECT_EQ(PackDisks(options, lines, warnings, error), 0) << error;
}
