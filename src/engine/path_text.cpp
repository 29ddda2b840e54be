#include "engine/path_text.h"

std::string CollapseBackslashes(const std::string& path) {
    std::string collapsed;
    collapsed.reserve(path.size());
    // A network path keeps the backslashes that make it one.
    std::string::size_type i = 0;
    if (path.compare(0, 2, "\\\\") == 0) {
        collapsed = "\\\\";
        i = 2;
    }
    while (i < path.size()) {
        collapsed += path[i];
        if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') {
            i += 2;
        } else {
            ++i;
        }
    }
    return collapsed;
}

std::string DirectoryOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string DirectoryWithBackslashOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

// Where the levels that can be created begin: after "C:\", "C:", "\" or the
// server and share of a network path; 0 for a relative path.
std::string::size_type RootLength(const std::string& path) {
    if (path.compare(0, 2, "\\\\") == 0) {
        std::string::size_type share = path.find('\\', 2);
        if (share == std::string::npos) {
            return path.size();
        }
        const std::string::size_type end = path.find('\\', share + 1);
        return end == std::string::npos ? path.size() : end + 1;
    }
    if (path.size() >= 2 && path[1] == ':') {
        return path.size() >= 3 && path[2] == '\\' ? 3 : 2;
    }
    return !path.empty() && path[0] == '\\' ? 1 : 0;
}

} // namespace

std::vector<std::string> DirectoryLevels(const std::string& directory) {
    std::vector<std::string> levels;
    std::string::size_type start = RootLength(directory);
    while (start < directory.size()) {
        std::string::size_type end = directory.find('\\', start);
        if (end == std::string::npos) {
            end = directory.size();
        }
        if (end > start) {
            levels.push_back(directory.substr(0, end));
        }
        start = end + 1;
    }
    return levels;
}

std::string ShortenedForDisplay(const std::string& path, std::size_t keep) {
    if (path.size() <= 2 * keep + 3) {
        return path;
    }
    return path.substr(0, keep) + "..." + path.substr(path.size() - keep);
}

bool IsOwnShortName(const std::string& name) {
    static const char kAllowed[] = "!#$%&'()-@^_`{}~";
    if (name.empty()) {
        return false;
    }
    const std::size_t dot = name.find('.');
    const std::size_t base = dot == std::string::npos ? name.size() : dot;
    if (base == 0 || base > 8 || (dot != std::string::npos && name.size() - dot - 1 > 3) ||
        name.find('.', base + 1) != std::string::npos || name.back() == '.') {
        return false;
    }
    bool lower = false;
    bool upper = false;
    for (const char c : name) {
        lower = lower || (c >= 'a' && c <= 'z');
        upper = upper || (c >= 'A' && c <= 'Z');
        const bool letterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '.' && std::string(kAllowed).find(c) == std::string::npos) {
            return false;
        }
    }
    return !(lower && upper);
}

bool IsDeviceName(const std::string& component) {
    // The name before its extension (or a stream's colon), without the blanks
    // the file system drops before it.
    std::string name = component.substr(0, component.find_first_of(".:"));
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$") {
        return true;
    }
    if (name.size() != 4 || (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    const char digit = name[3];
    return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        c = LowerAscii(c);
    }
    return text;
}
