#include "authoring/disk_layout.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "authoring/pack_names.h"
#include "engine/path_text.h"

namespace {

constexpr uint32_t kCdSector = 2048;

std::string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string InScript(const std::string& utf8) {
    std::string cp1252;
    Cp1252FromUtf8(utf8, cp1252); // refused earlier when it does not convert
    return cp1252;
}

// A script argument: quotes doubled, as the reader takes them.
std::string Argument(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' ? "\"\"" : std::string(1, c);
    }
    return out + "\"";
}

std::string AddFileLine(const std::string& source, const std::string& destination,
                        const std::string& section, int disk, bool split, bool last) {
    return "AddFile(" + Argument(source) + ", " + Argument(destination) + ", " + Argument(section) +
           ", \"0\", \"" + std::to_string(disk) + "\", \"" + (split ? "1" : "0") + "\", \"" +
           (last ? "1" : "0") + "\", \"0\", \"0\", \"\");\n";
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

// What a long name takes: UTF-16 units, one per character of code page 1252.
uint64_t Characters(const std::string& utf8) {
    return static_cast<uint64_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The bytes that one folder's entries take. FAT: a 32-byte slot per entry,
// and one more per 13 characters of a name that is no short name. CD: an ISO
// 9660 and a Joliet record per entry, in two trees; a record never crosses a
// sector.
struct FolderSpace {
    uint64_t used[2] = {0, 0};

    static FolderSpace Fresh(const Medium& medium, bool root) {
        FolderSpace folder;
        if (medium.cd) {
            folder.used[0] = folder.used[1] = 2 * 34; // "." and ".."
        } else if (!root) {
            folder.used[0] = 2 * 32;
        }
        return folder;
    }

    void Add(const Medium& medium, const std::string& name, bool folder) {
        if (!medium.cd) {
            used[0] += 32 * (1 + (IsOwnShortName(name) ? 0 : (Characters(name) + 12) / 13));
            return;
        }
        const uint64_t identifier = Characters(name) + (folder ? 0 : 2); // files end in ";1"
        AddRecord(used[0], 33 + identifier + (identifier % 2 == 0 ? 1 : 0));
        AddRecord(used[1], 34 + 2 * identifier);
    }

    static void AddRecord(uint64_t& used, uint64_t record) {
        if (used % kCdSector + record > kCdSector) {
            used += kCdSector - used % kCdSector;
        }
        used += record;
    }

    uint64_t Units(uint32_t unit) const {
        return (used[0] + unit - 1) / unit + (used[1] + unit - 1) / unit;
    }
};

// One disk as the planner fills it, in clusters.
class DiskSpace {
  public:
    explicit DiskSpace(const Medium& medium)
        : medium_(&medium),
          free_(medium.dataBytes == 0 ? UINT64_MAX : medium.dataBytes / medium.clusterBytes) {
        folders_[""] = FolderSpace::Fresh(medium, true);
        free_ -= std::min(free_, UnitsOf(true, folders_[""]));
    }

    uint64_t Clusters(uint64_t bytes) const {
        return bytes / medium_->clusterBytes + (bytes % medium_->clusterBytes != 0 ? 1 : 0);
    }

    // The clusters that the entry of `name` in `folder` ("" the root, '/'
    // between names) and the folders it needs add; false when they cannot
    // be added (the root's slots are all taken, or `commit` and no room).
    bool Entry(const std::string& folder, const std::string& name, uint64_t dataClusters,
               bool commit, uint64_t& units) {
        std::vector<std::string> paths{""};
        for (std::size_t start = 0; start < folder.size();) {
            const std::size_t slash = std::min(folder.find('/', start), folder.size());
            paths.push_back(folder.substr(0, slash));
            start = slash + 1;
        }
        std::vector<FolderSpace> after(paths.size());
        std::vector<bool> fresh(paths.size());
        uint64_t before = 0;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const auto known = folders_.find(paths[i]);
            fresh[i] = known == folders_.end();
            after[i] = fresh[i] ? FolderSpace::Fresh(*medium_, false) : known->second;
            before += fresh[i] ? 0 : UnitsOf(i == 0, after[i]);
        }
        for (std::size_t i = 1; i < paths.size(); ++i) {
            if (fresh[i]) {
                after[i - 1].Add(*medium_, paths[i].substr(paths[i - 1].size() + (i > 1)), true);
            }
        }
        after.back().Add(*medium_, name, false);
        units = 0;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            units += UnitsOf(i == 0, after[i]);
        }
        units -= before;
        if (medium_->rootEntries != 0 && after[0].used[0] / 32 > medium_->rootEntries) {
            return false;
        }
        if (!commit) {
            return true;
        }
        if (units + dataClusters > free_) {
            return false;
        }
        free_ -= units + dataClusters;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            folders_[paths[i]] = after[i];
        }
        return true;
    }

    uint64_t Free() const { return free_; }

  private:
    uint64_t UnitsOf(bool root, const FolderSpace& folder) const {
        return root && medium_->rootEntries != 0 ? 0 : folder.Units(medium_->clusterBytes);
    }

    const Medium* medium_;
    uint64_t free_;
    std::map<std::string, FolderSpace> folders_;
};

std::string DiskFolder(int disk, const std::string& relativePath) {
    const std::string folder = FolderOf(relativePath);
    return "disk" + std::to_string(disk) + (folder.empty() ? "" : "/" + folder);
}

} // namespace

bool ParseMedium(const std::string& text, uint32_t clusterBytes, Medium& medium,
                 std::string& reason) {
    std::string upper = text;
    for (char& c : upper) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (upper.size() >= 2 && upper.back() == 'B' && std::strchr("KMG", upper[upper.size() - 2])) {
        upper.pop_back();
    }
    reason = "'" + text +
             "' is no disk size: give 1.44M, 1.2M, 720K or 2.88M (floppies), 650M or 700M "
             "(CDs), a byte count with or without K, M or G (units of 1024), or 0 for one disk";
    // Data areas as formatted: a floppy's 512-byte sectors less the boot
    // sector, two FATs and the root folder's slots.
    struct Named {
        const char* name;
        Medium medium;
    };
    static const Named kNamed[] = {
        {"1.44M", {2847 * 512, 512, 224, false}},     {"1.2M", {2371 * 512, 512, 224, false}},
        {"720K", {713 * 1024, 1024, 112, false}},     {"2.88M", {2863 * 1024, 1024, 224, false}},
        {"650M", {650ull << 20, kCdSector, 0, true}}, {"700M", {700ull << 20, kCdSector, 0, true}}};
    for (const Named& named : kNamed) {
        if (upper == named.name) {
            if (clusterBytes != 0 && clusterBytes != named.medium.clusterBytes) {
                reason = text + " has clusters of " + std::to_string(named.medium.clusterBytes) +
                         " bytes; --cluster-size is for a byte count";
                return false;
            }
            medium = named.medium;
            return true;
        }
    }
    std::size_t i = 0;
    uint64_t whole = 0;
    uint64_t fraction = 0;
    uint64_t scale = 1; // 10 to the number of decimals
    while (i < upper.size() && upper[i] >= '0' && upper[i] <= '9' && whole < (1ull << 40)) {
        whole = whole * 10 + static_cast<uint64_t>(upper[i++] - '0');
    }
    if (i < upper.size() && upper[i] == '.' && i > 0) {
        for (++i; i < upper.size() && upper[i] >= '0' && upper[i] <= '9' && scale < 1000000; ++i) {
            fraction = fraction * 10 + static_cast<uint64_t>(upper[i] - '0');
            scale *= 10;
        }
    }
    const std::string suffix = upper.substr(i);
    const uint64_t unit = suffix == "K"   ? 1ull << 10
                          : suffix == "M" ? 1ull << 20
                          : suffix == "G" ? 1ull << 30
                                          : 1;
    if (i == 0 || (!suffix.empty() && unit == 1) || upper[i - 1] == '.' ||
        whole > UINT64_MAX / unit / 2) {
        return false;
    }
    const uint64_t bytes = whole * unit + fraction * unit / scale;
    medium = Medium{bytes, clusterBytes != 0 ? clusterBytes : 512, 0, false};
    if (upper == "0") {
        return true;
    }
    if (bytes < medium.clusterBytes) {
        reason = "a disk of " + text + " (" + std::to_string(bytes) +
                 " bytes) holds no cluster of " + std::to_string(medium.clusterBytes) + " bytes";
        return false;
    }
    return true;
}

bool PlanDisks(const std::vector<PackedFile>& files, const Medium& medium,
               const std::vector<PackedFile>& firstDiskRoot, std::vector<DiskPiece>& pieces,
               std::string& reason) {
    pieces.clear();
    int disk = 1;
    DiskSpace space(medium);
    uint64_t units = 0;
    for (const PackedFile& file : firstDiskRoot) {
        if (!space.Entry("", file.storedName, space.Clusters(file.size), true, units)) {
            reason = "disk 1 cannot hold " + file.storedName + " beside the other setup files";
            return false;
        }
    }
    bool pieceOnDisk = false;
    for (std::size_t index = 0; index < files.size(); ++index) {
        const PackedFile& file = files[index];
        for (uint64_t offset = 0;;) {
            const std::string folder = DiskFolder(disk, file.relativePath);
            const uint64_t rest = file.size - offset;
            const bool entry = space.Entry(folder, file.storedName, 0, false, units);
            const uint64_t room = entry && units < space.Free() ? space.Free() - units : 0;
            const uint64_t length =
                room >= space.Clusters(rest) ? rest : room * medium.clusterBytes;
            if (entry && (length > 0 || rest == 0) &&
                space.Entry(folder, file.storedName, space.Clusters(length), true, units)) {
                pieces.push_back(DiskPiece{index, offset, length, disk,
                                           offset > 0 || length < file.size,
                                           offset + length == file.size});
                pieceOnDisk = true;
                offset += length;
                if (offset == file.size) {
                    break;
                }
                continue;
            }
            if (!pieceOnDisk && (disk > 1 || firstDiskRoot.empty())) {
                reason =
                    "a disk cannot hold " + file.relativePath + ": its folders alone fill the disk";
                return false;
            }
            if (++disk > kMaxDisks) {
                reason = "the files need more than " + std::to_string(kMaxDisks) + " disks";
                return false;
            }
            space = DiskSpace(medium);
            pieceOnDisk = false;
        }
    }
    return true;
}

std::string PiecePath(const std::vector<PackedFile>& files, const DiskPiece& piece) {
    const std::string& path = files[piece.file].relativePath;
    const std::string folder = FolderOf(path);
    return "disk" + std::to_string(piece.disk) + "\\" +
           Backslashed(folder.empty() ? files[piece.file].storedName
                                      : folder + "/" + files[piece.file].storedName);
}

std::string AddFileLines(const std::vector<PackedFile>& files, const std::vector<DiskPiece>& pieces,
                         const std::string& section) {
    std::string lines;
    for (const DiskPiece& piece : pieces) {
        lines += AddFileLine(InScript("[SP]\\" + PiecePath(files, piece)),
                             InScript("[DP]\\" + Backslashed(files[piece.file].relativePath)),
                             InScript(section), piece.disk, piece.split, piece.split && piece.last);
    }
    return lines;
}

std::string StarterScript(const std::string& appName, const std::string& section,
                          const std::string& addFileLines) {
    const std::string name = Argument(InScript(appName));
    return "// Setup script written by vlpack. Check it with vlcheck after editing; [SP] is\n"
           "// the folder that holds disk1 (vlcheck --disks FOLDER when the script is elsewhere).\n"
           "SetAppName(" +
           name + ");\nSetCaption(\"[APPNAME] Setup\");\nCreateSection(" +
           Argument(InScript(section)) + ", \"1\", \"0\", " + name + ");\n" +
           AddFileLine("[SP]\\VLUninstall.exe", "[DP]\\VLUninstall.exe", InScript(section), 1,
                       false, false) +
           addFileLines + "ShowDest();\nShowSections();\nShowProgramGroup();\nShowCopy();\n";
}
