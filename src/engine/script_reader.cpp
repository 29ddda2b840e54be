#include "engine/script_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/name_chars.h"

ScriptReader scriptReader;

namespace {

enum class ScanState { Idle, Comment, Name, List, String };

// Pieces hold 32-bit offsets. The wizard, a 32-bit program, never holds a
// script that large; a native tool scans such a text up to this size.
constexpr std::size_t kMaxScannedText = 0xFFFFFFFFu;

// Normalises the text where it stands: it only ever shrinks, and a large
// script is not held twice.
void NormalizeInPlace(std::string& text) {
    // The end-of-file mark: nothing after it belongs to the script.
    const std::size_t end = std::min(text.find('\x1A'), text.size());
    char* const data = &text[0];
    std::size_t from = 0;
    std::size_t to = 0;
    while (from < end) {
        const void* found = std::memchr(data + from, '\r', end - from);
        const std::size_t cr =
            found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - data)
                             : end;
        // CR LF becomes LF; a lone CR stays.
        const bool pair = cr + 1 < end && data[cr + 1] == '\n';
        const std::size_t keep = std::min(cr + (pair ? 0 : 1), end) - from;
        std::memmove(data + to, data + from, keep);
        to += keep;
        from = cr + 1;
    }
    text.resize(to);
}

} // namespace

std::string NormalizeScriptBytes(const std::string& raw) {
    std::string text = raw;
    NormalizeInPlace(text);
    return text;
}

int ScriptReader::ReadScript(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    std::string text;
    // The size is only a hint that spares the copies of a growing buffer; the
    // text is whatever the reads deliver.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0) {
            text.reserve(static_cast<std::size_t>(size));
        }
        std::rewind(file);
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    std::fclose(file);
    NormalizeInPlace(text);
    ScanText(text);
    return 0;
}

void ScriptReader::ScanText(const std::string& text) {
    ScanState state = ScanState::Idle;
    const char* const data = text.data();
    const std::size_t size = std::min(text.size(), kMaxScannedText);
    uint32_t line = 1;
    std::size_t lineStart = 0;
    // Arguments take at least one quote each, two unless one ends the text;
    // no argument holds more bytes than the text.
    std::size_t quotes = 0;
    for (const char* q = data; (q = static_cast<const char*>(std::memchr(
                                    q, '"', static_cast<std::size_t>(data + size - q)))) != nullptr;
         ++q) {
        ++quotes;
    }
    arguments_.reserve(arguments_.size() + quotes / 2 + 1);
    argumentPool_.reserve(argumentPool_.size() + size);
    const auto positionOf = [&](std::size_t i) {
        return ScriptPosition{line, static_cast<uint32_t>(i - lineStart + 1)};
    };
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        // The character after the last one is the terminating zero, which
        // matches none of the characters the scanner looks ahead for.
        const char next = i + 1 < size ? data[i + 1] : '\0';
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
        }
        switch (state) {
        case ScanState::Idle:
            if (c == '/' && next == '/') {
                ++i; // the second slash is comment text
                state = ScanState::Comment;
            } else if (IsNameCharacter(static_cast<unsigned char>(c))) {
                names_.push_back(Piece{static_cast<uint32_t>(namePool_.size()), 1, positionOf(i)});
                namePool_.push_back(c);
                firstArgument_.push_back(static_cast<uint32_t>(arguments_.size()));
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
                namePool_.push_back(c);
                ++names_.back().length;
            } else {
                state = ScanState::Idle; // the character is consumed
            }
            break;
        case ScanState::List:
            if (c == '"') {
                arguments_.push_back(
                    Piece{static_cast<uint32_t>(argumentPool_.size()), 0, positionOf(i)});
                state = ScanState::String;
            } else if (c == ')') {
                state = ScanState::Name;
            }
            break;
        case ScanState::String: {
            // The text up to the next quote joins the argument in one piece;
            // only its line feeds need counting.
            const void* quote = std::memchr(data + i, '"', size - i);
            const std::size_t end =
                quote != nullptr ? static_cast<std::size_t>(static_cast<const char*>(quote) - data)
                                 : size;
            if (end > i) {
                argumentPool_.append(data + i, end - i);
                arguments_.back().length += static_cast<uint32_t>(end - i);
                for (std::size_t k = i + 1; k < end; ++k) {
                    if (data[k] == '\n') {
                        ++line;
                        lineStart = k + 1;
                    }
                }
                i = end - 1;
            } else if (next == '"') {
                argumentPool_.push_back('"');
                ++arguments_.back().length;
                ++i;
            } else {
                state = ScanState::List;
            }
            break;
        }
        }
    }
}

int ScriptReader::StatementCount() const {
    return static_cast<int>(names_.size());
}

int ScriptReader::GetStatement(int index, std::string& nameOut,
                               std::vector<std::string>& argumentsOut, int& countOut) const {
    if (index < 0 || index >= StatementCount()) {
        return -1;
    }
    const int count = ArgumentCount(index);
    nameOut = StatementName(index);
    argumentsOut.clear();
    argumentsOut.reserve(static_cast<std::size_t>(count));
    for (int argument = 0; argument < count; ++argument) {
        argumentsOut.emplace_back(Argument(index, argument));
    }
    countOut = count;
    return 0;
}

std::string_view ScriptReader::StatementName(int index) const {
    if (index < 0 || index >= StatementCount()) {
        return {};
    }
    const Piece& name = names_[static_cast<std::size_t>(index)];
    return std::string_view(namePool_).substr(name.offset, name.length);
}

int ScriptReader::ArgumentCount(int index) const {
    if (index < 0 || index >= StatementCount()) {
        return 0;
    }
    const std::size_t next = static_cast<std::size_t>(index) + 1;
    const std::size_t end = next < firstArgument_.size() ? firstArgument_[next] : arguments_.size();
    return static_cast<int>(end - firstArgument_[static_cast<std::size_t>(index)]);
}

const ScriptReader::Piece* ScriptReader::ArgumentPiece(int index, int argument) const {
    if (argument < 0 || argument >= ArgumentCount(index)) {
        return nullptr;
    }
    return &arguments_[firstArgument_[static_cast<std::size_t>(index)] +
                       static_cast<std::size_t>(argument)];
}

std::string_view ScriptReader::Argument(int index, int argument) const {
    const Piece* piece = ArgumentPiece(index, argument);
    if (piece == nullptr) {
        return {};
    }
    return std::string_view(argumentPool_).substr(piece->offset, piece->length);
}

ScriptPosition ScriptReader::StatementPosition(int index) const {
    if (index < 0 || index >= StatementCount()) {
        return {};
    }
    return names_[static_cast<std::size_t>(index)].position;
}

ScriptPosition ScriptReader::ArgumentPosition(int index, int argument) const {
    const Piece* piece = ArgumentPiece(index, argument);
    return piece != nullptr ? piece->position : ScriptPosition{};
}

void ScriptReader::Clear() {
    namePool_.clear();
    argumentPool_.clear();
    names_.clear();
    arguments_.clear();
    firstArgument_.clear();
}
