#include "engine/script_reader.h"

#include <cstdio>

#include "engine/name_chars.h"

ScriptReader scriptReader;

namespace {

enum class ScanState { Idle, Comment, Name, List, String };

} // namespace

std::string NormalizeScriptBytes(const std::string& raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\x1A') {
            break; // end-of-file mark: nothing after it belongs to the script
        }
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            continue; // CR LF becomes LF; a lone CR stays
        }
        text.push_back(c);
    }
    return text;
}

int ScriptReader::ReadScript(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    std::string raw;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        raw.append(buffer, got);
    }
    std::fclose(file);
    ScanText(NormalizeScriptBytes(raw));
    return 0;
}

void ScriptReader::ScanText(const std::string& text) {
    ScanState state = ScanState::Idle;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        // The character after the last one is the terminating zero, which
        // matches none of the characters the scanner looks ahead for.
        const char next = i + 1 < size ? text[i + 1] : '\0';
        switch (state) {
        case ScanState::Idle:
            if (c == '/' && next == '/') {
                ++i; // the second slash is comment text
                state = ScanState::Comment;
            } else if (IsNameCharacter(static_cast<unsigned char>(c))) {
                statements_.push_back(Statement{std::string(1, c), {}});
                state = ScanState::Name;
            }
            break;
        case ScanState::Comment:
            if (c == '\n') {
                state = ScanState::Idle;
            }
            break;
        case ScanState::Name:
            if (c == '(') {
                state = ScanState::List;
            } else if (IsNameCharacter(static_cast<unsigned char>(c))) {
                statements_.back().name.push_back(c);
            } else {
                state = ScanState::Idle; // the character is consumed
            }
            break;
        case ScanState::List:
            if (c == '"') {
                statements_.back().arguments.emplace_back();
                state = ScanState::String;
            } else if (c == ')') {
                state = ScanState::Name;
            }
            break;
        case ScanState::String:
            if (c == '"' && next == '"') {
                statements_.back().arguments.back().push_back('"');
                ++i;
            } else if (c == '"') {
                state = ScanState::List;
            } else {
                statements_.back().arguments.back().push_back(c);
            }
            break;
        }
    }
}

int ScriptReader::StatementCount() const {
    return static_cast<int>(statements_.size());
}

int ScriptReader::GetStatement(int index, std::string& nameOut,
                               std::vector<std::string>& argumentsOut, int& countOut) const {
    if (index < 0 || index >= StatementCount()) {
        return -1;
    }
    const Statement& statement = statements_[static_cast<std::size_t>(index)];
    nameOut = statement.name;
    argumentsOut = statement.arguments;
    countOut = static_cast<int>(statement.arguments.size());
    return 0;
}

void ScriptReader::Clear() {
    statements_.clear();
}
