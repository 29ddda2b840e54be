#include "authoring/disk_layout.h"
#include "authoring/disk_writer.h"
#include "authoring/script_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Fresh(const std::string& name) {
    const fs::path directory = fs::path(::testing::TempDir()) / ("vl_pack_" + name);
    fs::remove_all(directory);
    return directory.string();
}

int Pack(const PackOptions& options, std::string* lines = nullptr) {
    std::string printed, error;
    return PackDisks(options, lines != nullptr ? *lines : printed, error);
}

} // namespace

TEST(DiskSize, ReadsFloppyAndBinarySizes) {
    const std::pair<const char*, uint64_t> valid[] = {
        {"1.44M", 1474560}, {"650M", 650ull << 20}, {"720K", 737280}, {"4096", 4096}, {"0", 0}};
    for (const auto& [text, bytes] : valid) {
        uint64_t parsed = 1;
        EXPECT_TRUE(ParseDiskSize(text, parsed) && parsed == bytes) << text;
    }
    for (const char* text : {"", "M", "1.", "1.5", "-1", "12X", "99999999999999999999G"}) {
        uint64_t parsed = 0;
        EXPECT_FALSE(ParseDiskSize(text, parsed)) << text;
    }
}

// Installs the printed lines as the wizard does: parts joined in order until
// the last part.
TEST(DiskPack, EveryFileComesBackWholeAndNoDiskOverflows) {
    std::mt19937 random(7);
    std::string big(10000, '\0');
    for (char& c : big) {
        c = static_cast<char>(random());
    }
    const std::map<std::string, std::string> files = {
        {"big.bin", big}, {"empty.dat", ""}, {"a.txt", "a"}, {"sub/b.txt", std::string(900, 'b')}};
    PackOptions options;
    options.sourceDirectory = Fresh("tree");
    for (const auto& [name, bytes] : files) {
        WriteBytes(fs::path(options.sourceDirectory) / name, bytes);
    }
    for (const uint64_t diskSize : {0, 1000, 4096, 100000}) {
        options.outputDirectory = Fresh("out");
        options.diskSize = diskSize;
        std::string lines;
        ASSERT_EQ(Pack(options, &lines), 0);
        ScriptReader reader;
        reader.ScanText(lines);
        std::map<std::string, std::string> installed;
        std::map<std::string, uint64_t> used;
        std::string joined;
        for (int i = 0; i < reader.StatementCount(); ++i) {
            std::string source(reader.Argument(i, 0).substr(5)),
                target(reader.Argument(i, 1).substr(5));
            std::replace(source.begin(), source.end(), '\\', '/');
            std::replace(target.begin(), target.end(), '\\', '/');
            std::ostringstream read;
            read << std::ifstream(fs::path(options.outputDirectory) / source, std::ios::binary)
                        .rdbuf();
            const std::string part = read.str();
            used[std::string(reader.Argument(i, 4))] += part.size();
            joined += part;
            if (reader.Argument(i, 5) == "0" || reader.Argument(i, 6) == "1") {
                installed[target] = joined;
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
    PackOptions options;
    options.sourceDirectory = Fresh("app");
    options.setupDirectory = Fresh("setup");
    options.outputDirectory = Fresh("disks");
    WriteBytes(fs::path(options.sourceDirectory) / "app.txt", std::string(3000, 'x'));
    WriteBytes(fs::path(options.setupDirectory) / "VLSetup.exe", std::string(500, 'S'));
    WriteBytes(fs::path(options.setupDirectory) / "VLUninstall.exe", std::string(200, 'U'));
    options.compress = true;
    options.diskSize = 1024;
    EXPECT_EQ(Pack(options), 1) << "setup files and script do not fit disk 1";
    options.diskSize = 4096;
    ASSERT_EQ(Pack(options), 0);

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
    PackOptions options;
    options.sourceDirectory = Fresh("refuse");
    WriteBytes(fs::path(options.sourceDirectory) / "a.txt", "a");
    for (const fs::path& out : {fs::path(options.sourceDirectory) / "out",
                                fs::path(options.sourceDirectory).parent_path()}) {
        options.outputDirectory = out.string();
        EXPECT_EQ(Pack(options), 1) << out;
    }
    options.outputDirectory = Fresh("refuse_out");
    ASSERT_EQ(Pack(options), 0);
    EXPECT_EQ(Pack(options), 1);
    options.force = true;
    EXPECT_EQ(Pack(options), 0);
}
