#include "engine/log_record.h"

#include <vector>

#include "engine/uninstall_log_read.h"

void LogRecorder::Reset() {
    *this = LogRecorder();
}

void LogRecorder::Append(const std::string& bytes) {
    previous_ = Current();
    hash_.Update(bytes.data(), bytes.size());
    length_ += bytes.size();
}

LogState LogRecorder::Current() const {
    return {length_, hash_.HexDigest()};
}

LogState LogRecorder::Previous() const {
    return previous_;
}

std::string LogRecordText(const LogState& state) {
    return std::to_string(state.length) + " " + state.sha256;
}

std::string LogRecordText(const LogState& previous, const LogState& current) {
    return LogRecordText(previous) + ";" + LogRecordText(current);
}

LogState LogStateOf(const std::string& bytes) {
    return {bytes.size(), Sha256Hex(bytes)};
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One "LENGTH SHA256HEX" as LogRecordText writes it: no sign, blank or
// leading zero, so that one state has one text only.
bool ParseState(const std::string& text, LogState& state) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos || blank == 0 || (text[0] == '0' && blank > 1) ||
        text.size() - blank - 1 != 64) {
        return false;
    }
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < blank; ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (length > (UINT64_MAX - digit) / 10) {
            return false;
        }
        length = length * 10 + digit;
    }
    const std::string hex = text.substr(blank + 1);
    for (const char c : hex) {
        if (!IsDigit(c) && !(c >= 'a' && c <= 'f')) {
            return false;
        }
    }
    state = {length, hex};
    return true;
}

} // namespace

bool LogMatchesRecord(const std::string& logBytes, const std::string& recordText) {
    std::vector<LogState> states;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = recordText.find(';', start);
        LogState state;
        if (states.size() == 2 ||
            !ParseState(recordText.substr(start, end == std::string::npos ? end : end - start),
                        state)) {
            return false;
        }
        states.push_back(state);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    // The length first: a log of another length needs no hashing.
    LogState log;
    for (const LogState& state : states) {
        if (state.length == logBytes.size()) {
            if (log.sha256.empty()) {
                log = LogStateOf(logBytes);
            }
            if (state.sha256 == log.sha256) {
                return true;
            }
        }
    }
    return false;
}

bool CommandNamesUninstaller(const std::string& uninstallString,
                             const std::string& uninstallerPath) {
    if (uninstallString.size() < 2 || uninstallString.front() != '"' ||
        uninstallString.back() != '"') {
        return false;
    }
    const std::string path = uninstallString.substr(1, uninstallString.size() - 2);
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    // "C:Dir\x.exe" would be found from the current directory of drive C.
    const bool absolute = (path.size() >= 3 && path[1] == ':' && separator(path[2])) ||
                          (path.size() >= 2 && separator(path[0]) && separator(path[1]));
    return absolute && path.find('"') == std::string::npos &&
           ComparablePath(path) == ComparablePath(uninstallerPath);
}
