#include "authoring/disk_writer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "authoring/disk_layout.h"
#include "authoring/szdd.h"

namespace fs = std::filesystem;

namespace {

// Larger files travel as they are: they are compressed in memory, twice
// (once to learn their size, once to write them).
constexpr uint64_t kMaxCompressedFile = 256ull << 20;
const char* const kSetupPrograms[] = {"VLSetup.exe", "VLUninstall.exe"};

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

std::string FolderOf(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash);
}

// Why a file cannot travel under its name; empty when it can.
std::string NameProblem(const std::string& relative) {
    for (const char c : relative) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\:*?\"<>|", c) != nullptr) {
            return "holds a character that Windows file names cannot hold";
        }
    }
    const std::size_t open = relative.find('[');
    if (open != std::string::npos && relative.find(']', open) != std::string::npos) {
        return "holds [ and ], which the wizard reads as a variable reference";
    }
    return "";
}

bool ReadWhole(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && in.is_open();
}

bool WriteWhole(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

bool CopyRange(const fs::path& from, uint64_t offset, uint64_t length, const fs::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> buffer(1 << 20);
    while (length > 0 && in && out) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<uint64_t>(length, buffer.size()));
        in.read(buffer.data(), static_cast<std::streamsize>(chunk));
        out.write(buffer.data(), in.gcount());
        length -= static_cast<uint64_t>(in.gcount());
    }
    return length == 0 && out.good();
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return out;
}

bool Inside(const fs::path& inner, const fs::path& outer) {
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first ==
           outer.end();
}

class Packer {
  public:
    Packer(const PackOptions& options, std::string& error) : options_(options), error_(error) {}
    bool Run(std::string& addFileLines);

  private:
    bool Fail(const std::string& reason) {
        error_ = reason;
        return false;
    }
    bool CheckFolders();
    bool CollectFiles();
    bool ChooseStoredForms();
    bool Plan(std::string& addFileLines);
    bool WriteDisks();
    bool WriteSetup();

    const PackOptions& options_;
    std::string& error_;
    fs::path source_;
    fs::path output_;
    std::vector<PackedFile> files_;
    std::vector<char> compressed_; // per file: stored in SZDD form
    std::vector<char> replacedCharacter_;
    std::vector<DiskPiece> pieces_;
    std::string script_;
    uint64_t setupBytes_ = 0;
};

bool Packer::CheckFolders() {
    std::error_code error;
    source_ = fs::canonical(options_.sourceDirectory, error);
    if (error || !fs::is_directory(source_, error)) {
        return Fail("cannot read the folder " + options_.sourceDirectory);
    }
    output_ = fs::weakly_canonical(options_.outputDirectory, error);
    if (error || Inside(output_, source_) || Inside(source_, output_)) {
        return Fail("the output folder must lie outside the application's folder, and not "
                    "around it");
    }
    if (fs::exists(output_, error) && !fs::is_directory(output_, error)) {
        return Fail(options_.outputDirectory + " is no folder");
    }
    if (fs::exists(output_, error) && !fs::is_empty(output_, error)) {
        if (!options_.force) {
            return Fail(options_.outputDirectory + " is not empty; --force replaces what an "
                                                   "earlier vlpack wrote there");
        }
        // Only what vlpack writes goes, so that the disks of a larger earlier
        // run leave no stale disk folder behind.
        for (fs::directory_iterator entry(output_, error), end; !error && entry != end;
             entry.increment(error)) {
            const std::string name = entry->path().filename().string();
            const bool disk = name.size() > 4 && name.compare(0, 4, "disk") == 0 &&
                              name.find_first_not_of("0123456789", 4) == std::string::npos;
            if (disk || name == "SetupScript.ini" || name == kSetupPrograms[0] ||
                name == kSetupPrograms[1]) {
                std::error_code ignored;
                fs::remove_all(entry->path(), ignored);
            }
        }
    }
    return true;
}

bool Packer::CollectFiles() {
    std::vector<std::string> paths;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(source_, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_regular_file(error)) {
            paths.push_back(entry->path().lexically_relative(source_).generic_string());
        }
    }
    if (error) {
        return Fail("cannot read the folder " + options_.sourceDirectory + ": " + error.message());
    }
    std::sort(paths.begin(), paths.end());
    std::set<std::string> seen;
    for (const std::string& path : paths) {
        const std::string problem = NameProblem(path);
        if (!problem.empty()) {
            return Fail(path + " " + problem);
        }
        if (!seen.insert(LowerAscii(path)).second) {
            return Fail(path + " differs from another file only in case, which Windows cannot "
                               "tell apart");
        }
        const uint64_t size = fs::file_size(source_ / path, error);
        if (error) {
            return Fail("cannot read " + path);
        }
        files_.push_back(PackedFile{path, path.substr(path.rfind('/') + 1), size});
    }
    return true;
}

bool Packer::ChooseStoredForms() {
    compressed_.assign(files_.size(), 0);
    replacedCharacter_.assign(files_.size(), 0);
    if (!options_.compress) {
        return true;
    }
    // Stored names must not meet another file's name in the same folder.
    std::set<std::string> taken;
    for (const PackedFile& file : files_) {
        taken.insert(LowerAscii(file.relativePath));
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        PackedFile& file = files_[i];
        if (file.size == 0 || file.size > kMaxCompressedFile) {
            continue;
        }
        char replaced = 0;
        const std::string name = CompressedName(file.storedName, replaced);
        const std::string folder = FolderOf(file.relativePath);
        const std::string key = LowerAscii(folder.empty() ? name : folder + "/" + name);
        std::string bytes;
        if (taken.count(key) != 0) {
            continue;
        }
        if (!ReadWhole(source_ / file.relativePath, bytes)) {
            return Fail("cannot read " + file.relativePath);
        }
        const uint64_t packedSize = CompressSzdd(bytes, replaced).size();
        if (packedSize < file.size) {
            taken.insert(key);
            file.storedName = name;
            file.size = packedSize;
            compressed_[i] = 1;
            replacedCharacter_[i] = replaced;
        }
    }
    return true;
}

bool Packer::Plan(std::string& addFileLines) {
    const bool withSetup = !options_.setupDirectory.empty();
    const bool withUninstaller =
        withSetup && fs::is_regular_file(fs::path(options_.setupDirectory) / kSetupPrograms[1]);
    const std::string appName = source_.filename().string();
    // The script on disk 1 grows with the disks it names: plan again until
    // the room kept for it suffices.
    uint64_t reserved = setupBytes_;
    for (int round = 0; round < 16; ++round) {
        if (!PlanDisks(files_, options_.diskSize, reserved, pieces_)) {
            return Fail("the files need more than " + std::to_string(kMaxDisks) + " disks");
        }
        addFileLines = AddFileLines(files_, pieces_, options_.section);
        script_ = WithCrLf(StarterScript(appName, options_.section, addFileLines, withUninstaller));
        const uint64_t needed = setupBytes_ + (withSetup ? script_.size() : 0);
        if (needed <= reserved) {
            break;
        }
        reserved = needed;
    }
    if (options_.diskSize != 0 && reserved > options_.diskSize) {
        return Fail("disk 1 cannot hold the setup files and the script (" +
                    std::to_string(reserved) + " bytes)");
    }
    return true;
}

bool Packer::WriteDisks() {
    std::error_code error;
    fs::create_directories(output_, error);
    for (int disk = 1; disk <= (pieces_.empty() ? 1 : pieces_.back().disk); ++disk) {
        fs::create_directories(output_ / ("disk" + std::to_string(disk)), error);
    }
    std::string packed;
    std::size_t packedFile = files_.size();
    for (const DiskPiece& piece : pieces_) {
        std::string relative = PiecePath(files_, piece);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path target = output_ / relative;
        fs::create_directories(target.parent_path(), error);
        const fs::path from = source_ / files_[piece.file].relativePath;
        bool written = false;
        if (compressed_[piece.file] != 0) {
            std::string bytes;
            if (packedFile != piece.file && ReadWhole(from, bytes)) {
                packed = CompressSzdd(bytes, replacedCharacter_[piece.file]);
                packedFile = piece.file;
            }
            written = packedFile == piece.file &&
                      WriteWhole(target, packed.substr(static_cast<std::size_t>(piece.offset),
                                                       static_cast<std::size_t>(piece.length)));
        } else {
            written = CopyRange(from, piece.offset, piece.length, target);
        }
        if (!written) {
            return Fail("cannot write " + target.string());
        }
    }
    return true;
}

bool Packer::WriteSetup() {
    if (!options_.setupDirectory.empty()) {
        for (const char* program : kSetupPrograms) {
            const fs::path from = fs::path(options_.setupDirectory) / program;
            std::error_code error;
            if (fs::exists(from, error) &&
                !fs::copy_file(from, output_ / program, fs::copy_options::overwrite_existing,
                               error)) {
                return Fail("cannot copy " + from.string());
            }
        }
        if (!WriteWhole(output_ / "SetupScript.ini", script_)) {
            return Fail("cannot write the script onto disk 1");
        }
    }
    if (!options_.scriptOut.empty() && !WriteWhole(options_.scriptOut, script_)) {
        return Fail("cannot write " + options_.scriptOut);
    }
    return true;
}

bool Packer::Run(std::string& addFileLines) {
    if (!CheckFolders() || !CollectFiles()) {
        return false;
    }
    if (!options_.setupDirectory.empty()) {
        std::error_code error;
        const fs::path setup = fs::path(options_.setupDirectory) / kSetupPrograms[0];
        setupBytes_ = fs::file_size(setup, error);
        if (error) {
            return Fail("no " + setup.string());
        }
        const uint64_t uninstaller =
            fs::file_size(fs::path(options_.setupDirectory) / kSetupPrograms[1], error);
        setupBytes_ += error ? 0 : uninstaller;
    }
    return ChooseStoredForms() && Plan(addFileLines) && WriteDisks() && WriteSetup();
}

} // namespace

int PackDisks(const PackOptions& options, std::string& addFileLines, std::string& error) {
    return Packer(options, error).Run(addFileLines) ? 0 : 1;
}
