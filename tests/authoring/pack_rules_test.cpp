// vlpack's rules for what it packs, refuses and says, on a POSIX file system:
// links, pipes, permissions and names that Windows cannot hold.
#include "authoring/disk_writer.h"
#include "authoring/pack_command_line.h"
#include "authoring/pack_names.h"
#include "authoring/szdd.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

using In = const fs::path&; // the source folder
using Opt = PackOptions&;
using Tree = void (*)(In source, Opt options);

void Write(const fs::path& path, const std::string& bytes = "x") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Link(const fs::path& target, const fs::path& link) {
    fs::create_symlink(target, link);
    return true;
}

// Writes `file`, then takes every permission of `locked`.
void Lock(const fs::path& file, const fs::path& locked) {
    Write(file);
    chmod(locked.c_str(), 0);
}

// Root reads everything: the unreadable rows run as nobody.
struct AsNobody {
    AsNobody() : root_(geteuid() == 0) { EXPECT_TRUE(!root_ || seteuid(65534) == 0); }
    ~AsNobody() { EXPECT_TRUE(!root_ || seteuid(0) == 0); }
    bool root_;
};

// The SZDD form expanded as the platform's LZ service does.
std::string Expand(const std::string& packed) {
    std::string out, window(4096, ' ');
    std::size_t at = 4096 - 16;
    for (std::size_t i = 14; i < packed.size();) {
        const unsigned flags = static_cast<unsigned char>(packed[i++]);
        for (int bit = 0; bit < 8 && i < packed.size(); ++bit) {
            std::size_t from = at, length = 1;
            if ((flags & (1u << bit)) == 0) {
                const auto high = static_cast<unsigned char>(packed[i + 1]);
                from = static_cast<unsigned char>(packed[i]) | ((high & 0xF0u) << 4);
                length = (high & 0x0Fu) + 3;
                i += 2;
            } else {
                window[at % 4096] = packed[i++];
            }
            for (std::size_t k = 0; k < length; ++k, ++at) {
                out += window[at % 4096] = window[(from + k) % 4096];
            }
        }
    }
    return out;
}

} // namespace

TEST(PackRules, EveryFileIsPackedOrNamedAndNothingIsWrittenOnAnError) {
    const struct {
        const char* rule;
        Tree tree;
        int exit;
        const char* said; // in the lines or a message
    } rows[] = {
        {"link to a folder",
         [](In s, Opt) { fs::create_directory_symlink(s.parent_path(), s / "up"); }, 1,
         "src/up is a symbolic link"},
        {"link outside", [](In s, Opt) { fs::create_symlink("/etc/hostname", s / "host"); }, 1,
         "src/host is a symbolic link (to /etc/hostname)"},
        {"dangling link followed", [](In s, Opt o) { o.followLinks = Link("gone", s / "lost"); }, 1,
         "src/lost is a link to gone, which does not exist"},
        {"link followed", [](In s, Opt o) { o.followLinks = Link("a.txt", s / "b.txt"); }, 0,
         "[DP]\\b.txt"},
        {"loop followed",
         [](In s, Opt o) {
             fs::create_directory(s / "sub");
             o.followLinks = Link("..", s / "sub" / "top");
         },
         1, "src/sub/top leads back"},
        {"pipe", [](In s, Opt) { mkfifo((s / "p").c_str(), 0644); }, 1,
         "src/p is no file nor folder"},
        {"empty folder", [](In s, Opt) { fs::create_directory(s / "e"); }, 0, "src/e is empty"},
        {"no files", [](In s, Opt) { fs::remove(s / "a.txt"); }, 1, "holds no file"},
        {"device", [](In s, Opt) { Write(s / "sub" / "aux.c"); }, 1,
         "src/sub/aux.c: 'aux.c' is a device"},
        {"not in 1252", [](In s, Opt) { Write(s / "\xC4\x81.txt"); }, 1, "code page 1252"},
        {"Latin-1 in the script", [](In s, Opt) { Write(s / "caf\xC3\xA9.txt"); }, 0,
         "[DP]\\caf\xE9.txt"},
        {"long path", [](In s, Opt) { Write(s / std::string(200, 'd') / std::string(40, 'f')); }, 0,
         "more than the 259"},
        {"4 GiB compressed",
         [](In s, Opt o) {
             Write(s / "big.iso");
             fs::resize_file(s / "big.iso", 1ull << 32); // sparse
             Write(s / "CON");                           // stops the run before anything is written
             o.compress = true;
         },
         1, "src/big.iso is 4 GiB or larger and travels uncompressed"},
        {"script folder missing", [](In, Opt o) { o.scriptOut = "/nonexistent/SetupScript.ini"; },
         1, "cannot write /nonexistent/SetupScript.ini"},
        {"unreadable file",
         [](In s, Opt) { Lock(s / "sub" / "locked.bin", s / "sub" / "locked.bin"); }, 1,
         "src/sub/locked.bin: Permission denied"},
        {"unreadable folder",
         [](In s, Opt) { Lock(s / "sub" / "deeper" / "f", s / "sub" / "deeper"); }, 1,
         "folder /tmp/vl_pack_rules/src/sub/deeper: Permission denied"},
    };
    for (const auto& row : rows) {
        const fs::path base = fs::path(::testing::TempDir()) / "vl_pack_rules";
        fs::remove_all(base);
        PackOptions options;
        options.sourceDirectory = (base / "src").string();
        options.outputDirectory = (base / "out").string();
        Write(base / "src" / "a.txt");
        row.tree(base / "src", options);
        fs::permissions(base, fs::perms::all, fs::perm_options::add);
        std::string lines;
        PackReport report;
        const int exit = [&] {
            AsNobody nobody;
            return PackDisks(options, lines, report);
        }();
        std::string said = lines;
        report.errors.insert(report.errors.end(), report.warnings.begin(), report.warnings.end());
        for (const auto& message : report.errors) {
            said += message + "\n";
        }
        EXPECT_EQ(exit, row.exit) << row.rule << "\n" << said;
        EXPECT_NE(said.find(row.said), std::string::npos) << row.rule << "\n" << said;
        EXPECT_EQ(exit == 0, fs::exists(base / "out" / "disk1")) << row.rule;
        fs::remove_all(base / "src"); // the chmods are undone with the tree
    }
}

TEST(PackNames, WhatWindowsOrTheWizardCannotTakeIsRefused) {
    const struct {
        const char* utf8;
        const char* cp1252; // null: no code page 1252
        const char* problem;
    } rows[] = {
        {"CON", "CON", "device"},
        {"docs/nul.txt", "docs/nul.txt", "'nul.txt' is a device"},
        {"COM\xC2\xB9.log", "COM\xB9.log", "device"},
        {"notes.", "notes.", "a dot"},
        {"dir /a", "dir /a", "'dir ' ends in a dot or a blank"},
        {"a[DP]", "a[DP]", "[ and ]"},
        {"a:b", "a:b", "character"},
        {"\xE2\x82\xAC.txt", "\x80.txt", ""},
        {"caf\xC3\xA9", "caf\xE9", ""},
        {"\xC4\x81", nullptr, ""},
        {"caf\xE9", nullptr, ""},
        {"\xE0\x80\xAE", nullptr, ""}, // Latin-1, overlong
    };
    for (const auto& row : rows) {
        std::string cp1252;
        EXPECT_EQ(Cp1252FromUtf8(row.utf8, cp1252), row.cp1252 != nullptr) << row.utf8;
        if (row.cp1252 != nullptr) {
            EXPECT_EQ(cp1252, row.cp1252);
            const std::string problem = PathProblem(cp1252);
            EXPECT_EQ(problem.empty(), *row.problem == 0) << row.utf8 << ": " << problem;
            EXPECT_NE(problem.find(row.problem), std::string::npos) << row.utf8 << ": " << problem;
        }
    }
    EXPECT_EQ(CaseFolded("Caf\xC9/\x8A"), CaseFolded("cAf\xE9/\x9A"));
}

TEST(PackCommandLine, SaysWhatIsWrongAndListsTheForms) {
    const struct {
        std::vector<std::string> arguments;
        PackCommand command;
        const char* said;
    } rows[] = {
        {{"--disk-size", "1.44m", "a", "b"}, PackCommand::Run, ""},
        {{"a", "--help"}, PackCommand::Help, ""},
        {{"--frob", "a", "b"}, PackCommand::Wrong, "unknown option '--frob'"},
        {{"a", "b", "--disk-size"}, PackCommand::Wrong, "--disk-size needs a value"},
        {{"a", "b"}, PackCommand::Wrong, "--disk-size is needed"},
        {{"--disk-size", "0", "a"}, PackCommand::Wrong, "SOURCE_DIR and OUT_DIR"},
        {{"--disk-size", "1.44 M", "a", "b"}, PackCommand::Wrong, "give 1.44M, 1.2M, 720K"},
        {{"--disk-size", "4K", "--cluster-size", "1000", "a", "b"},
         PackCommand::Wrong,
         "power of two"},
        {{"--disk-size", "0", "--script-out", "s.ini", "a", "b"},
         PackCommand::Wrong,
         "needs --with-setup"},
    };
    for (const auto& row : rows) {
        PackOptions options;
        std::string said;
        EXPECT_EQ(ParsePackArguments(row.arguments, options, said), row.command) << said;
        EXPECT_NE(said.find(row.said), std::string::npos) << said;
    }
}

// Expanded, every way of cutting the input gives the input back.
TEST(Szdd, StreamedInPiecesItExpandsToTheInput) {
    std::mt19937 random(5);
    std::string data;
    for (int block = 0; block < 120; ++block) {
        const std::size_t length = random() % 5000;
        for (std::size_t i = 0; i < length; ++i) {
            data += static_cast<char>(block % 3 == 0   ? random()
                                      : block % 3 == 1 ? 'r'
                                                       : 'a' + i % 7);
        }
    }
    for (const std::size_t piece : {std::size_t{1}, std::size_t{4099}, data.size()}) {
        SzddCompressor compressor(data.size(), 't');
        std::string packed;
        for (std::size_t at = 0; at < data.size(); at += piece) {
            compressor.Write(std::string_view(data).substr(at, piece));
            packed += compressor.Output();
            compressor.Output().clear();
        }
        compressor.Finish();
        packed += compressor.Output();
        uint32_t size = 0;
        std::memcpy(&size, packed.data() + 10, 4); // little-endian, as the header
        EXPECT_TRUE(Expand(packed) == data && size == data.size()) << piece;
        EXPECT_LT(packed.size(), data.size() * 3 / 4) << piece;
    }
}
