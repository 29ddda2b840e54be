#include "platform/system_text.h"

#include <vector>

namespace {

// Calls query(buffer, size) until the result fits; query returns what
// GetCurrentDirectoryA and its siblings return.
template <typename Query> std::string QueryText(Query query) {
    std::vector<char> buffer(500);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(static_cast<std::size_t>(length) + 1);
    }
    return std::string();
}

} // namespace

std::string CurrentDirectoryText() {
    return QueryText([](char* b, UINT n) { return static_cast<UINT>(GetCurrentDirectoryA(n, b)); });
}

std::string WindowsDirectoryText() {
    return QueryText([](char* b, UINT n) { return GetWindowsDirectoryA(b, n); });
}

std::string SystemDirectoryText() {
    return QueryText([](char* b, UINT n) { return GetSystemDirectoryA(b, n); });
}

std::string SystemErrorText(DWORD error) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    return text;
}

std::string WindowsDirectory() {
    std::string directory(MAX_PATH, '\0');
    UINT length = GetWindowsDirectoryA(&directory[0], static_cast<UINT>(directory.size()));
    if (length >= directory.size()) {
        directory.assign(length, '\0');
        length = GetWindowsDirectoryA(&directory[0], static_cast<UINT>(directory.size()));
    }
    directory.resize(length < directory.size() ? length : 0);
    if (!directory.empty() && directory.back() == '\\') {
        directory.pop_back();
    }
    return directory;
}
