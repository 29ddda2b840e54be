#include "authoring/disk_layout.h"

#include <algorithm>

namespace {

std::string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
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

} // namespace

bool ParseDiskSize(const std::string& text, uint64_t& bytes) {
    std::size_t i = 0;
    uint64_t whole = 0;
    uint64_t fraction = 0;
    uint64_t scale = 1; // 10 to the number of decimals
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && whole < (1ull << 40)) {
        whole = whole * 10 + static_cast<uint64_t>(text[i++] - '0');
    }
    if (i == 0) {
        return false;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && scale < 1000000; ++i) {
            fraction = fraction * 10 + static_cast<uint64_t>(text[i] - '0');
            scale *= 10;
        }
        if (scale == 1) {
            return false;
        }
    }
    const std::string suffix = text.substr(i);
    uint64_t unit = 1;
    if (suffix == "K") {
        unit = 1024;
    } else if (suffix == "M") {
        unit = scale > 1 ? 1000 * 1024 : 1024 * 1024;
    } else if (suffix == "G") {
        unit = 1024ull * 1024 * 1024;
    } else if (!suffix.empty() || scale > 1) {
        return false;
    }
    if (whole > UINT64_MAX / unit / 2) {
        return false;
    }
    bytes = whole * unit + fraction * unit / scale;
    return true;
}

bool PlanDisks(const std::vector<PackedFile>& files, uint64_t diskSize, uint64_t reservedOnFirst,
               std::vector<DiskPiece>& pieces) {
    pieces.clear();
    int disk = 1;
    uint64_t room = diskSize == 0 ? UINT64_MAX : diskSize - std::min(diskSize, reservedOnFirst);
    for (std::size_t file = 0; file < files.size(); ++file) {
        uint64_t offset = 0;
        const uint64_t size = files[file].size;
        do {
            if (room == 0 && size > 0) {
                if (++disk > kMaxDisks) {
                    return false;
                }
                room = diskSize;
            }
            const uint64_t length = std::min(room, size - offset);
            const bool split = offset > 0 || length < size;
            pieces.push_back(DiskPiece{file, offset, length, disk, split, offset + length == size});
            offset += length;
            room -= length;
        } while (offset < size);
    }
    return true;
}

std::string PiecePath(const std::vector<PackedFile>& files, const DiskPiece& piece) {
    const std::string& path = files[piece.file].relativePath;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    return "disk" + std::to_string(piece.disk) + "\\" +
           Backslashed(folder + files[piece.file].storedName);
}

std::string AddFileLines(const std::vector<PackedFile>& files, const std::vector<DiskPiece>& pieces,
                         const std::string& section) {
    std::string lines;
    for (const DiskPiece& piece : pieces) {
        lines += AddFileLine("[SP]\\" + PiecePath(files, piece),
                             "[DP]\\" + Backslashed(files[piece.file].relativePath), section,
                             piece.disk, piece.split, piece.split && piece.last);
    }
    return lines;
}

std::string StarterScript(const std::string& appName, const std::string& section,
                          const std::string& addFileLines, bool withUninstaller) {
    std::string script = "// Setup script written by vlpack. Check it with vlcheck after editing.\n"
                         "SetAppName(" +
                         Argument(appName) + ");\nSetCaption(\"[APPNAME] Setup\");\n" +
                         "CreateSection(" + Argument(section) + ", \"1\", \"0\", " +
                         Argument(appName) + ");\n" + addFileLines;
    if (withUninstaller) {
        script +=
            AddFileLine("[SP]\\VLUninstall.exe", "[DP]\\VLUninstall.exe", section, 1, false, false);
    }
    return script + "ShowDest();\nShowSections();\nShowProgramGroup();\nShowCopy();\n";
}
