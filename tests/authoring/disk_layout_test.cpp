#include "authoring/disk_layout.h"
#include "authoring/disk_writer.h"
#include "authoring/script_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <cstdio>
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
    std::string printed;
    PackReport report;
    return PackDisks(options, lines != nullptr ? *lines : printed, report);
}

} // namespace

TEST(DiskSize, NamesMediaWithTheirFormattedCapacityOrCountsBytes) {
    const struct {
        const char* text;
        uint32_t cluster;
        Medium medium;
        const char* refusal; // null: taken
    } rows[] = {{"1.44M", 0, {1457664, 512, 224, false}, nullptr},
                {"1.44mb", 0, {1457664, 512, 224, false}, nullptr},
                {"720K", 0, {730112, 1024, 112, false}, nullptr},
                {"1.2M", 0, {1213952, 512, 224, false}, nullptr},
                {"2.88M", 0, {2931712, 1024, 224, false}, nullptr},
                {"650M", 0, {650ull << 20, 2048, 0, true}, nullptr},
                {"700MB", 0, {700ull << 20, 2048, 0, true}, nullptr},
                {"4096", 0, {4096, 512, 0, false}, nullptr},
                {"1.5K", 1024, {1536, 1024, 0, false}, nullptr},
                {"0", 0, {0, 512, 0, false}, nullptr},
                {"", 0, {}, "1.44M, 1.2M, 720K"},
                {"1.", 0, {}, "give"},
                {"12X", 0, {}, "give"},
                {"99999999999999999999G", 0, {}, "give"},
                {"1", 0, {}, "no cluster"},
                {"0.0001K", 0, {}, "no cluster"},
                {"1.44M", 1024, {}, "clusters of 512"}};
    for (const auto& row : rows) {
        Medium m;
        std::string said;
        EXPECT_EQ(ParseMedium(row.text, row.cluster, m, said), row.refusal == nullptr) << row.text;
        EXPECT_TRUE(row.refusal != nullptr
                        ? said.find(row.refusal) != std::string::npos
                        : m.dataBytes == row.medium.dataBytes &&
                              m.clusterBytes == row.medium.clusterBytes &&
                              m.rootEntries == row.medium.rootEntries && m.cd == row.medium.cd)
            << row.text << ": " << said;
    }
}

// The numbers of files that mcopy fits onto a floppy made by mkfs.fat: a
// file takes whole clusters, and its name 32-byte slots in the folder disk1
// (three for a long name); VLSetup.exe in the root takes its clusters.
TEST(DiskPlan, FillsAFormattedMediumToItsLastCluster) {
    const struct {
        const char* medium;
        const char* name;
        uint64_t setup;
        std::size_t onDisk1;
    } rows[] = {{"1.44M", "f%04d.bin", 0, 1380},
                {"720K", "f%04d.bin", 0, 691},
                {"1.44M", "Long file name %04d.txt", 0, 1301},
                {"1.44M", "f%04d.bin", 493056, 913},
                {"8192", "f%04d.bin", 0, 7}}; // less a cluster for the root, one for disk1
    for (const auto& row : rows) {
        Medium medium;
        std::string reason;
        ASSERT_TRUE(ParseMedium(row.medium, 0, medium, reason));
        std::vector<PackedFile> files;
        for (int i = 0; i < 2100; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, row.name, i);
            files.push_back(PackedFile{name, name, 700});
        }
        std::vector<DiskPiece> pieces;
        const std::vector<PackedFile> setup(row.setup != 0,
                                            PackedFile{"VLSetup.exe", "VLSetup.exe", row.setup});
        ASSERT_TRUE(PlanDisks(files, medium, setup, pieces, reason)) << reason;
        EXPECT_EQ(std::count_if(pieces.begin(), pieces.end(),
                                [](const DiskPiece& piece) { return piece.disk == 1; }),
                  static_cast<std::ptrdiff_t>(row.onDisk1))
            << row.medium << " " << row.name;
    }
}

// A floppy's root folder has fixed slots: the setup files and the folder
// disk1 share them, whatever room the data area has left.
TEST(DiskPlan, TheRootFolderHoldsNoMoreThanItsSlots) {
    const struct {
        const char* medium;
        int rootFiles;
        int firstDisk; // 0: refused
    } rows[] = {{"1.44M", 223, 1}, {"1.44M", 224, 2}, {"1.44M", 225, 0},
                {"720K", 111, 1},  {"720K", 113, 0},  {"1M", 400, 1}};
    for (const auto& row : rows) {
        Medium medium;
        std::string reason;
        ASSERT_TRUE(ParseMedium(row.medium, 0, medium, reason));
        std::vector<PackedFile> setup;
        for (int i = 0; i < row.rootFiles; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "S%03d.EXE", i);
            setup.push_back(PackedFile{name, name, 10});
        }
        std::vector<DiskPiece> pieces;
        const bool planned =
            PlanDisks({PackedFile{"a.txt", "a.txt", 10}}, medium, setup, pieces, reason);
        EXPECT_EQ(planned, row.firstDisk != 0) << row.medium << " " << row.rootFiles;
        EXPECT_EQ(planned ? pieces.at(0).disk : 0, row.firstDisk) << row.medium << " " << reason;
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
    for (const uint64_t diskSize : {0, 2048, 4096, 100000}) {
        options.outputDirectory = Fresh("out");
        options.medium.dataBytes = diskSize;
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
    options.medium.dataBytes = 1024;
    EXPECT_EQ(Pack(options), 1) << "setup files and script do not fit disk 1";
    options.medium.dataBytes = 8192;
    ASSERT_EQ(Pack(options), 0);

    ScriptReader reader;
    ASSERT_EQ(reader.ReadScript(options.outputDirectory + "/SetupScript.ini"), 0);
    CheckOptions check;
    check.setupDirectory = options.outputDirectory;
    const CheckReport report = CheckScript(reader, check);
    EXPECT_EQ(report.errors + report.warnings, 0u)
        << (report.diagnostics.empty() ? "" : report.diagnostics[0].message);
    EXPECT_TRUE(fs::exists(fs::path(options.outputDirectory) / "disk1" / "app.tx_"));
    EXPECT_EQ(reader.Argument(3, 0), "[SP]\\VLUninstall.exe") << "before the files of disk 1";
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
