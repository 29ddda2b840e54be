#include "engine/uninstall_log_read.h"

#include <cstring>

#include "engine/path_text.h"

namespace {

constexpr char kMagicLine[] = "QLUNLOG V1";
constexpr char kFilesLine[] = "[FILES]";
constexpr char kRegistryLine[] = "[REGISTRY]";
constexpr char kUninstallKeyPrefix[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (UpperAscii(text[i]) != UpperAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Lines without their ends; a last line without a line end counts too (the
// reader refuses such a log, but names that line).
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A path split into its root ("C:", "\\SERVER\SHARE", or empty when it has
// none) and its components, as the file system resolves them.
struct PathParts {
    std::string root;
    std::vector<std::string> components;
};

PathParts SplitPath(const std::string& path) {
    std::string text = path;
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    PathParts parts;
    std::size_t rest = 0;
    if (text.size() >= 2 && text[1] == ':') {
        parts.root = text.substr(0, 2);
        rest = 2;
    } else if (text.compare(0, 2, "\\\\") == 0) {
        // \\server\share belongs to the root; ".." never climbs above it.
        std::size_t end = text.find('\\', 2);
        if (end != std::string::npos) {
            end = text.find('\\', end + 1);
        }
        rest = end == std::string::npos ? text.size() : end;
        parts.root = text.substr(0, rest);
    }
    while (rest < text.size()) {
        std::size_t end = text.find('\\', rest);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string component = text.substr(rest, end - rest);
        rest = end + 1;
        if (component == "..") {
            if (!parts.components.empty()) {
                parts.components.pop_back();
            }
            continue;
        }
        // The file system drops trailing dots and blanks: "Windows." is Windows.
        while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
            component.pop_back();
        }
        if (!component.empty()) {
            parts.components.push_back(component);
        }
    }
    return parts;
}

// Why `path` cannot be an entry of the log, or empty when it can.
std::string PathFault(const std::string& path,
                      const std::vector<std::string>& protectedDirectories) {
    if (path.empty()) {
        return "an empty path";
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("*?\"<>|", c) != nullptr) {
            return "a character that no file name may hold";
        }
    }
    const bool drivePath =
        path.size() >= 3 &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
        path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool networkPath = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
                             (path[1] == '\\' || path[1] == '/');
    if (!drivePath && !networkPath) {
        return "not an absolute path";
    }
    if (path.find(':', 2) != std::string::npos) {
        return "a colon inside the path";
    }
    const PathParts parts = SplitPath(path);
    // Every component as written, also one that ".." takes back out.
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (IsDeviceName(path.substr(start, end - start))) {
            return "a name Windows keeps for a device";
        }
        start = end + 1;
    }
    if (networkPath) {
        // Both the server and the share must be named: "\\server" alone, or
        // "\\.\" and "\\?\" device paths, are refused.
        const std::size_t shareStart = parts.root.find('\\', 2);
        if (shareStart == std::string::npos || shareStart == 2 ||
            shareStart + 1 >= parts.root.size() ||
            parts.root.compare(2, shareStart - 2, ".") == 0) {
            return "not an absolute path";
        }
    }
    if (parts.components.empty() || path.back() == '\\' || path.back() == '/') {
        return "a folder, not a file";
    }
    const std::string comparable = ComparablePath(path);
    for (const std::string& directory : protectedDirectories) {
        if (!directory.empty() && comparable == ComparablePath(directory)) {
            return "the system folder " + directory + " itself";
        }
    }
    return std::string();
}

std::string KeyFault(const std::string& key) {
    if (!StartsWithIgnoringCase(key, kUninstallKeyPrefix)) {
        return "not a key below HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKeyPrefix);
    }
    const std::string name = key.substr(std::strlen(kUninstallKeyPrefix));
    // An empty part would make the shared Uninstall key itself, or one of
    // another application, the key to remove.
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find('\\', start);
        const std::size_t length = (end == std::string::npos ? name.size() : end) - start;
        if (length == 0) {
            return "an empty application name in the key";
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return "a control character in the key";
        }
    }
    return std::string();
}

std::string AtLine(std::size_t index, const std::string& text) {
    return "line " + std::to_string(index + 1) + ": " + text;
}

} // namespace

bool ReadUninstallLog(const std::string& text, const std::vector<std::string>& protectedDirectories,
                      UninstallLog& log, std::vector<std::string>& reasons) {
    log = UninstallLog();
    reasons.clear();
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.empty() || lines[0] != kMagicLine) {
        reasons.push_back(
            AtLine(0, "this is no uninstall log of the kind \"" + std::string(kMagicLine) + "\""));
        return false;
    }
    // The setup ends every line, so a last line without its end was cut: a
    // path, kind or key line cut short would be read as another.
    if (text.back() != '\n') {
        reasons.push_back(AtLine(lines.size() - 1, "the log ends inside this line"));
        return false;
    }
    std::size_t i = 1;
    while (i < lines.size() && lines[i] != kFilesLine) {
        ++i;
    }
    if (i == lines.size()) {
        reasons.push_back("the log has no " + std::string(kFilesLine) + " line");
        return false;
    }
    ++i;
    while (i < lines.size() && lines[i] != kRegistryLine) {
        UninstallLogEntry entry;
        entry.path = lines[i];
        const std::string fault = PathFault(entry.path, protectedDirectories);
        if (!fault.empty()) {
            reasons.push_back(AtLine(i, fault + ": " + entry.path));
        }
        if (i + 1 == lines.size()) {
            reasons.push_back(AtLine(i, "the log ends after a path, without its kind line"));
            return false;
        }
        const std::string& kind = lines[i + 1];
        if (kind == "SHARED") {
            entry.shared = true;
            i += 2;
            if (i < lines.size() && lines[i] == "AUTOREGSVR") {
                entry.registration = SelfRegistration::Registered;
                ++i;
            } else if (i < lines.size() && lines[i] == "NOAUTOREGSVR") {
                entry.registration = SelfRegistration::NoExport;
                ++i;
            }
        } else if (kind == "NONSHARED") {
            i += 2;
        } else {
            // Past a line out of place nothing tells paths from kinds any more.
            reasons.push_back(AtLine(i + 1, "SHARED or NONSHARED expected after a path"));
            return false;
        }
        log.entries.push_back(entry);
    }
    // A run that never finished stops after a whole entry or right after
    // [FILES]; what it logged is all it did.
    if (i == lines.size()) {
        log.finished = false;
        return reasons.empty();
    }
    ++i;
    // The key line is missing when the setup registered no key.
    if (i < lines.size() && !lines[i].empty()) {
        const std::string fault = KeyFault(lines[i]);
        if (!fault.empty()) {
            reasons.push_back(AtLine(i, fault + ": " + lines[i]));
        }
        log.uninstallKey = lines[i];
        ++i;
    }
    for (; i < lines.size(); ++i) {
        if (!lines[i].empty()) {
            reasons.push_back(AtLine(i, "nothing may follow the registry part"));
            break;
        }
    }
    return reasons.empty();
}

std::string UninstallKeyName(const std::string& keyPath) {
    return FileNameOf(keyPath);
}

std::string ComparablePath(const std::string& path) {
    const PathParts parts = SplitPath(path);
    std::string result = parts.root;
    for (const std::string& component : parts.components) {
        if (!result.empty()) {
            result += '\\';
        }
        result += component;
    }
    for (char& c : result) {
        c = UpperAscii(c);
    }
    return result;
}

std::string UninstallLogText(const UninstallLog& log, const LogDate& date) {
    std::string text = UninstallLogHeader(date);
    for (const UninstallLogEntry& entry : log.entries) {
        // The path goes back whole: split at its last backslash and joined
        // again, "C:/a/b.txt" would come back as "\\C:/a/b.txt".
        text += entry.path + (entry.shared ? "\nSHARED\n" : "\nNONSHARED\n");
        if (!entry.shared) {
            continue;
        }
        if (entry.registration != SelfRegistration::NotLoadable) {
            text += RegistrationLogLine(entry.registration == SelfRegistration::Registered);
        }
    }
    text += std::string(kRegistryLine) + "\n";
    if (!log.uninstallKey.empty()) {
        text += log.uninstallKey + "\n";
    }
    return text;
}
