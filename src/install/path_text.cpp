#include "install/path_text.h"

std::string CollapseBackslashes(const std::string& path) {
    std::string collapsed;
    collapsed.reserve(path.size());
    std::string::size_type i = 0;
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
