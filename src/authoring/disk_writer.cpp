#include "authoring/disk_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "authoring/pack_names.h"
#include "authoring/szdd.h"

namespace fs = std::filesystem;

namespace {

// The SZDD header holds the expanded size in 32 bits.
constexpr uint64_t kMaxCompressedFile = (1ull << 32) - 1;
constexpr std::size_t kChunk = 1 << 16;
const char* const kSetupPrograms[] = {"VLSetup.exe", "VLUninstall.exe"};
const char kScriptName[] = "SetupScript.ini";
// Where a 32-bit program goes on 64-bit Windows; DP is this plus the
// application's name.
const char kTypicalPrograms[] = "C:\\Program Files (x86)\\";
constexpr std::size_t kMaxPath = 259; // MAX_PATH less the terminating zero
constexpr std::size_t kJolietName = 64;

// A C stream that closes itself; null when it could not be opened, with
// errno saying why.
class File {
  public:
    File(const fs::path& path, bool write) {
#ifdef _WIN32
        file_ = _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
        file_ = std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
    }
    ~File() {
        Close();
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::FILE* get() const {
        return file_;
    }
    bool Close() {
        const bool closed = file_ == nullptr || std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

  private:
    std::FILE* file_ = nullptr;
};

std::string Reason() {
    return std::strerror(errno);
}

// The bytes of a file as they travel: as they are, or compressed as they are
// read, so that no file is held whole in memory.
class StoredStream {
  public:
    StoredStream(const fs::path& path, uint64_t size, bool compressed, char replaced)
        : in_(path, false), openError_(errno), size_(size) {
        if (compressed) {
            compressor_ = std::make_unique<SzddCompressor>(size, replaced);
        }
    }

    // Appends stored bytes to `out` until it holds `want` or the file has
    // ended; false with the reason when reading fails or the file is no
    // longer as large as it was.
    bool Fill(std::string& out, std::size_t want, std::string& reason) {
        if (in_.get() == nullptr) {
            reason = std::strerror(openError_);
            return false;
        }
        while (out.size() < want) {
            if (compressor_ != nullptr && !compressor_->Output().empty()) {
                std::string& packed = compressor_->Output();
                const std::size_t take = std::min(want - out.size(), packed.size());
                out.append(packed, 0, take);
                packed.erase(0, take);
                continue;
            }
            if (ended_) {
                break;
            }
            const std::size_t asked =
                compressor_ != nullptr ? kChunk : std::min(want - out.size(), kChunk);
            buffer_.resize(kChunk);
            const std::size_t got = std::fread(&buffer_[0], 1, asked, in_.get());
            read_ += got;
            if (got == 0 && std::ferror(in_.get()) != 0) {
                reason = Reason();
                return false;
            }
            if (read_ > size_ || (got == 0 && read_ != size_)) {
                reason = "it changed while vlpack read it";
                return false;
            }
            ended_ = got == 0;
            if (compressor_ == nullptr) {
                out.append(buffer_, 0, got);
            } else if (ended_) {
                compressor_->Finish();
            } else {
                compressor_->Write(std::string_view(buffer_.data(), got));
            }
        }
        return true;
    }

  private:
    File in_;
    int openError_;
    uint64_t size_;
    uint64_t read_ = 0;
    bool ended_ = false;
    std::unique_ptr<SzddCompressor> compressor_;
    std::string buffer_;
};

std::string FolderOf(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash);
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

// A file of the source as the walk finds it.
struct Source {
    fs::path path;
    std::string relative; // UTF-8, '/' between names
};

class Packer {
  public:
    Packer(const PackOptions& options, PackReport& report) : options_(options), report_(report) {}
    bool Run(std::string& addFileLines);

  private:
    bool Fail(const std::string& reason) {
        report_.errors.push_back(reason);
        return false;
    }
    // A path of the source as the author wrote it, for messages.
    std::string Shown(const std::string& relative) const {
        std::string base = options_.sourceDirectory;
        while (base.size() > 1 && (base.back() == '/' || base.back() == '\\')) {
            base.pop_back();
        }
        return relative.empty() ? base : base + "/" + relative;
    }
    bool CheckFolders();
    void Walk(const fs::path& folder, const std::string& relative, std::vector<fs::path>& open);
    void CheckFile(const Source& source);
    bool CollectFiles();
    bool ChooseStoredForms();
    bool Plan(std::string& addFileLines);
    void RemoveEarlierRun();
    bool WriteDisks();
    bool WriteFile(std::size_t file, std::size_t& piece);
    bool WriteSetup();

    const PackOptions& options_;
    PackReport& report_;
    fs::path source_;
    fs::path output_;
    std::vector<Source> found_;
    std::set<std::string> seen_; // case-folded names, as Windows tells files apart
    std::vector<fs::path> sources_;
    std::vector<uint64_t> sourceSizes_;
    std::vector<PackedFile> files_;
    std::vector<char> compressed_; // per file: stored in SZDD form
    std::vector<char> replacedCharacter_;
    std::vector<DiskPiece> pieces_;
    std::vector<PackedFile> setupFiles_;
    std::string script_;
};

bool Packer::CheckFolders() {
    std::error_code error;
    source_ = fs::canonical(options_.sourceDirectory, error);
    if (error || !fs::is_directory(source_, error)) {
        return Fail("cannot read the folder " + options_.sourceDirectory + ": " +
                    (error ? error.message() : "it is no folder"));
    }
    output_ = fs::weakly_canonical(options_.outputDirectory, error);
    if (error || Inside(output_, source_) || Inside(source_, output_)) {
        return Fail("the output folder must lie outside the application's folder, and not "
                    "around it");
    }
    if (fs::exists(output_, error) && !fs::is_directory(output_, error)) {
        return Fail(options_.outputDirectory + " is no folder");
    }
    if (fs::exists(output_, error) && !fs::is_empty(output_, error) && !options_.force) {
        return Fail(options_.outputDirectory +
                    " is not empty; --force replaces what an earlier vlpack wrote there");
    }
    if (!options_.scriptOut.empty()) {
        const fs::path folder = fs::path(options_.scriptOut).parent_path();
        if (!folder.empty() && !fs::is_directory(folder, error)) {
            return Fail("cannot write " + options_.scriptOut + ": the folder " + folder.string() +
                        " does not exist");
        }
    }
    if (!options_.setupDirectory.empty()) {
        for (const char* program : kSetupPrograms) {
            const fs::path path = fs::path(options_.setupDirectory) / program;
            const uint64_t size = fs::file_size(path, error);
            if (error) {
                return Fail("cannot read " + path.string() + ": " + error.message());
            }
            setupFiles_.push_back(PackedFile{program, program, size});
        }
        setupFiles_.push_back(PackedFile{kScriptName, kScriptName, 0});
    }
    return true;
}

// Adds the files below `folder` (`relative` to the source). `open` holds the
// real paths of the folders being walked, so that a followed link that leads
// back into one of them is found.
void Packer::Walk(const fs::path& folder, const std::string& relative,
                  std::vector<fs::path>& open) {
    std::error_code error;
    bool empty = true;
    fs::directory_iterator entry(folder, error);
    for (const fs::directory_iterator end; !error && entry != end; entry.increment(error)) {
        empty = false;
        const std::string name = entry->path().filename().u8string();
        const std::string child = relative.empty() ? name : relative + "/" + name;
        std::error_code statusError;
        fs::file_status status = entry->symlink_status(statusError);
        if (fs::is_symlink(status)) {
            const std::string target = fs::read_symlink(entry->path(), statusError).u8string();
            if (!options_.followLinks) {
                Fail(Shown(child) + " is a symbolic link (to " + target +
                     "); vlpack packs no links: copy what it points to, or give --follow-links");
                continue;
            }
            status = fs::status(entry->path(), statusError);
            if (!fs::exists(status)) {
                Fail(Shown(child) + " is a link to " + target + ", which does not exist");
                continue;
            }
        }
        if (fs::is_directory(status)) {
            const fs::path real = fs::canonical(entry->path(), statusError);
            if (std::find(open.begin(), open.end(), real) != open.end()) {
                Fail(Shown(child) + " leads back into a folder that holds it");
                continue;
            }
            open.push_back(real);
            Walk(entry->path(), child, open);
            open.pop_back();
        } else if (fs::is_regular_file(status)) {
            found_.push_back(Source{entry->path(), child});
        } else {
            Fail(Shown(child) + " is no file nor folder (a device, pipe or socket)");
        }
    }
    if (error) {
        Fail("cannot read the folder " + Shown(relative) + ": " + error.message());
    } else if (empty && !relative.empty()) {
        report_.warnings.push_back("the folder " + Shown(relative) +
                                   " is empty; the wizard installs files only, so it will "
                                   "not be there");
    }
}

void Packer::CheckFile(const Source& source) {
    const std::string shown = Shown(source.relative);
    std::string cp1252;
    if (!Cp1252FromUtf8(source.relative, cp1252)) {
        Fail(shown + ": the name is no UTF-8 or holds a character that code page 1252, in "
                     "which the wizard reads the script, does not have");
        return;
    }
    const std::string problem = PathProblem(cp1252);
    if (!problem.empty()) {
        Fail(shown + ": " + problem);
        return;
    }
    if (!seen_.insert(CaseFolded(cp1252)).second) {
        Fail(shown + " differs from another file only in case, which Windows cannot tell apart");
        return;
    }
    for (std::size_t start = 0; options_.medium.cd && start < cp1252.size();) {
        const std::size_t end = std::min(cp1252.find('/', start), cp1252.size());
        if (end - start > kJolietName) {
            Fail(shown + ": a CD's names hold at most 64 characters");
            return;
        }
        start = end + 1;
    }
    std::error_code error;
    const uint64_t size = fs::file_size(source.path, error);
    if (error || File(source.path, false).get() == nullptr) {
        Fail("cannot read " + shown + ": " + (error ? error.message() : Reason()));
        return;
    }
    std::string app;
    Cp1252FromUtf8(source_.filename().u8string(), app);
    std::string installed = kTypicalPrograms + app + "\\" + cp1252;
    if (installed.size() > kMaxPath) {
        std::replace(installed.begin(), installed.end(), '/', '\\');
        report_.warnings.push_back(shown + ": installed as " + installed + " its path has " +
                                   std::to_string(installed.size()) +
                                   " characters, more than the 259 that Windows takes");
    }
    if (options_.compress && size > kMaxCompressedFile) {
        report_.warnings.push_back(shown + " is 4 GiB or larger and travels uncompressed: the "
                                           "SZDD header holds smaller sizes only");
    }
    sources_.push_back(source.path);
    sourceSizes_.push_back(size);
    const std::size_t slash = source.relative.rfind('/');
    files_.push_back(PackedFile{
        source.relative,
        slash == std::string::npos ? source.relative : source.relative.substr(slash + 1), size});
}

bool Packer::CollectFiles() {
    std::vector<fs::path> open{source_};
    Walk(source_, "", open);
    std::sort(found_.begin(), found_.end(),
              [](const Source& a, const Source& b) { return a.relative < b.relative; });
    for (const Source& source : found_) {
        CheckFile(source);
    }
    if (found_.empty() && report_.errors.empty()) {
        Fail(options_.sourceDirectory + " holds no file to pack");
    }
    return report_.errors.empty();
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
        std::string cp1252;
        Cp1252FromUtf8(file.relativePath, cp1252);
        taken.insert(CaseFolded(cp1252));
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        PackedFile& file = files_[i];
        if (file.size == 0 || file.size > kMaxCompressedFile) {
            continue;
        }
        char replaced = 0;
        const std::string name = CompressedName(file.storedName, replaced);
        const std::string folder = FolderOf(file.relativePath);
        std::string key;
        Cp1252FromUtf8(folder.empty() ? name : folder + "/" + name, key);
        if (!taken.insert(CaseFolded(key)).second) {
            continue;
        }
        // Compressed once to learn the size, and again as the disks are written.
        StoredStream stream(sources_[i], file.size, true, replaced);
        uint64_t packedSize = 0;
        std::string chunk;
        std::string reason;
        do {
            chunk.clear();
            if (!stream.Fill(chunk, kChunk, reason)) {
                return Fail("cannot read " + Shown(file.relativePath) + ": " + reason);
            }
            packedSize += chunk.size();
        } while (!chunk.empty());
        if (packedSize < file.size) {
            file.storedName = name;
            file.size = packedSize;
            compressed_[i] = 1;
            replacedCharacter_[i] = replaced;
        }
    }
    return true;
}

bool Packer::Plan(std::string& addFileLines) {
    const bool withScript = !options_.setupDirectory.empty() || !options_.scriptOut.empty();
    const std::string appName = source_.filename().u8string();
    // The script on disk 1 grows with the disks it names: plan again until
    // the room kept for it suffices.
    for (int round = 0; round < 16; ++round) {
        std::string reason;
        if (!PlanDisks(files_, options_.medium, setupFiles_, pieces_, reason)) {
            return Fail(reason);
        }
        addFileLines = AddFileLines(files_, pieces_, options_.section);
        script_ =
            withScript ? WithCrLf(StarterScript(appName, options_.section, addFileLines)) : "";
        if (setupFiles_.empty() || setupFiles_.back().size == script_.size()) {
            break;
        }
        setupFiles_.back().size = script_.size();
    }
    return true;
}

// Only what vlpack writes goes, so that the disks of a larger earlier run
// leave no stale disk folder behind.
void Packer::RemoveEarlierRun() {
    std::error_code error;
    for (fs::directory_iterator entry(output_, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const bool disk = name.size() > 4 && name.compare(0, 4, "disk") == 0 &&
                          name.find_first_not_of("0123456789", 4) == std::string::npos;
        if (disk || name == kScriptName || name == kSetupPrograms[0] || name == kSetupPrograms[1]) {
            std::error_code ignored;
            fs::remove_all(entry->path(), ignored);
        }
    }
}

// Writes the pieces of one file, from pieces_[piece] on, in one pass over
// its stored bytes; `piece` moves past them.
bool Packer::WriteFile(std::size_t file, std::size_t& piece) {
    StoredStream stream(sources_[file], sourceSizes_[file], compressed_[file] != 0,
                        replacedCharacter_[file]);
    std::string chunk;
    std::string reason;
    for (; piece < pieces_.size() && pieces_[piece].file == file; ++piece) {
        std::string relative = PiecePath(files_, pieces_[piece]);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path target = output_ / fs::u8path(relative);
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        File out(target, true);
        if (out.get() == nullptr) {
            return Fail("cannot write " + target.string() + ": " + Reason());
        }
        for (uint64_t left = pieces_[piece].length; left > 0; left -= chunk.size()) {
            chunk.clear();
            if (!stream.Fill(chunk, static_cast<std::size_t>(std::min<uint64_t>(left, kChunk)),
                             reason) ||
                chunk.empty()) {
                out.Close();
                fs::remove(target, error);
                return Fail("cannot read " + Shown(files_[file].relativePath) + ": " +
                            (reason.empty() ? "it changed while vlpack read it" : reason));
            }
            if (std::fwrite(chunk.data(), 1, chunk.size(), out.get()) != chunk.size()) {
                const std::string why = Reason();
                out.Close();
                fs::remove(target, error);
                return Fail("cannot write " + target.string() + ": " + why);
            }
        }
        if (!out.Close()) {
            return Fail("cannot write " + target.string() + ": " + Reason());
        }
    }
    chunk.clear();
    if (!stream.Fill(chunk, 1, reason) || !chunk.empty()) {
        return Fail("cannot read " + Shown(files_[file].relativePath) +
                    ": it changed while vlpack read it");
    }
    return true;
}

bool Packer::WriteDisks() {
    RemoveEarlierRun();
    const int disks = pieces_.empty() ? 1 : pieces_.back().disk;
    for (int disk = 1; disk <= disks; ++disk) {
        const fs::path folder = output_ / ("disk" + std::to_string(disk));
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) {
            return Fail("cannot make the folder " + folder.string() + ": " + error.message());
        }
    }
    for (std::size_t piece = 0; piece < pieces_.size();) {
        if (!WriteFile(pieces_[piece].file, piece)) {
            return false;
        }
    }
    report_.disks = disks;
    return true;
}

bool Packer::WriteSetup() {
    const auto writeScript = [&](const fs::path& path) {
        File out(path, true);
        if (out.get() == nullptr ||
            std::fwrite(script_.data(), 1, script_.size(), out.get()) != script_.size() ||
            !out.Close()) {
            return Fail("cannot write " + path.string() + ": " + Reason());
        }
        return true;
    };
    if (!options_.setupDirectory.empty()) {
        for (const char* program : kSetupPrograms) {
            const fs::path from = fs::path(options_.setupDirectory) / program;
            std::error_code error;
            if (!fs::copy_file(from, output_ / program, fs::copy_options::overwrite_existing,
                               error)) {
                return Fail("cannot copy " + from.string() + ": " + error.message());
            }
        }
        if (!writeScript(output_ / kScriptName)) {
            return false;
        }
    }
    return options_.scriptOut.empty() || writeScript(options_.scriptOut);
}

bool Packer::Run(std::string& addFileLines) {
    if (!CheckFolders() || !CollectFiles() || !ChooseStoredForms() || !Plan(addFileLines) ||
        !WriteDisks() || !WriteSetup()) {
        return false;
    }
    report_.files = files_.size();
    for (std::size_t i = 0; i < files_.size(); ++i) {
        report_.sourceBytes += sourceSizes_[i];
        report_.storedBytes += files_[i].size;
        report_.compressedFiles += compressed_[i] != 0 ? 1 : 0;
    }
    for (const DiskPiece& piece : pieces_) {
        report_.splitFiles += piece.split && piece.last ? 1 : 0;
    }
    return true;
}

} // namespace

int PackDisks(const PackOptions& options, std::string& addFileLines, PackReport& report) {
    return Packer(options, report).Run(addFileLines) ? 0 : 1;
}
