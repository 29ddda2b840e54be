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

// Normalises `size` bytes at `data` where they stand and returns how many
// remain: the text only ever shrinks, and a large script is not held twice.
std::size_t NormalizeInPlace(char* data, std::size_t size) {
    // The end-of-file mark: nothing after it belongs to the script.
    const void* mark = std::memchr(data, '\x1A', size);
    const std::size_t end =
        mark != nullptr ? static_cast<std::size_t>(static_cast<const char*>(mark) - data) : size;
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
        if (to != from) {
            std::memmove(data + to, data + from, keep);
        }
        to += keep;
        from = cr + 1;
    }
    return to;
}

} // namespace

std::string NormalizeScriptBytes(const std::string& raw) {
    std::string text = raw;
    text.resize(NormalizeInPlace(&text[0], text.size()));
    return text;
}

int ScriptReader::ReadScript(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    const std::size_t base = text_.size();
    // The size is only a hint: the text is whatever the reads deliver, read
    // straight into its place.
    std::size_t expected = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        expected = size > 0 ? static_cast<std::size_t>(size) : 0;
        std::rewind(file);
    }
    std::size_t have = base;
    for (std::size_t room = expected + 1;; room = 65536) {
        text_.resize(have + room);
        const std::size_t got = std::fread(&text_[have], 1, room, file);
        have += got;
        if (got < room) {
            break;
        }
    }
    std::fclose(file);
    text_.resize(base + NormalizeInPlace(&text_[base], have - base));
    ScanFrom(base);
    return 0;
}

void ScriptReader::ScanText(const std::string& text) {
    const std::size_t base = text_.size();
    text_ += text;
    ScanFrom(base);
}

void ScriptReader::ScanFrom(std::size_t base) {
    if (base >= kMaxScannedText) {
        text_.resize(base);
        return;
    }
    text_.resize(std::min(text_.size(), kMaxScannedText));
    ScanState state = ScanState::Idle;
    char* const data = &text_[0];
    const std::size_t size = text_.size();
    uint32_t line = 1;
    lines_.push_back(LineStart{static_cast<uint32_t>(base), line});
    const auto newLine = [&](std::size_t at) {
        lines_.push_back(LineStart{static_cast<uint32_t>(at + 1), ++line});
    };
    // Arguments take at least one quote each, two unless one ends the text.
    std::size_t quotes = 0;
    for (const char* q = data + base;
         (q = static_cast<const char*>(
              std::memchr(q, '"', static_cast<std::size_t>(data + size - q)))) != nullptr;
         ++q) {
        ++quotes;
    }
    arguments_.reserve(arguments_.size() + quotes / 2 + 1);
    std::size_t written = 0; // where the current argument's next byte goes
    for (std::size_t i = base; i < size; ++i) {
        const char c = data[i];
        // The character after the last one is the terminating zero, which
        // matches none of the characters the scanner looks ahead for.
        const char next = i + 1 < size ? data[i + 1] : '\0';
        if (c == '\n') {
            newLine(i);
        }
        switch (state) {
        case ScanState::Idle:
            if (c == '/' && next == '/') {
                ++i; // the second slash is comment text
                state = ScanState::Comment;
            } else if (IsNameCharacter(static_cast<unsigned char>(c))) {
                names_.push_back(NamePiece{static_cast<uint32_t>(i), 1, static_cast<uint32_t>(i)});
                firstArgument_.push_back(static_cast<uint32_t>(arguments_.size()));
                state = ScanState::Name;
            }
            break;
        case ScanState::Comment: {
            // Nothing in a comment counts but its end.
            const void* end = std::memchr(data + i, '\n', size - i);
            if (end == nullptr) {
                i = size;
            } else {
                i = static_cast<std::size_t>(static_cast<const char*>(end) - data);
                newLine(i);
                state = ScanState::Idle;
            }
            break;
        }
        case ScanState::Name:
            if (c == '(') {
                state = ScanState::List;
            } else if (IsNameCharacter(static_cast<unsigned char>(c))) {
                NamePiece& name = names_.back();
                if (!name.pooled && name.offset + name.length != i) {
                    const std::size_t pooled = namePool_.size();
                    namePool_.append(data + name.offset, name.length);
                    name.offset = static_cast<uint32_t>(pooled);
                    name.pooled = true;
                }
                if (name.pooled) {
                    namePool_.push_back(c);
                }
                ++name.length;
            } else {
                state = ScanState::Idle; // the character is consumed
            }
            break;
        case ScanState::List:
            if (c == '"') {
                arguments_.push_back(Piece{static_cast<uint32_t>(i + 1), 0});
                written = i + 1;
                state = ScanState::String;
            } else if (c == ')') {
                state = ScanState::Name;
            }
            break;
        case ScanState::String: {
            // The text up to the next quote joins the argument in one piece;
            // only its line feeds need counting (the one at i already is).
            const void* quote = std::memchr(data + i, '"', size - i);
            const std::size_t end =
                quote != nullptr ? static_cast<std::size_t>(static_cast<const char*>(quote) - data)
                                 : size;
            if (end > i) {
                for (const char* feed = data + i + 1;
                     (feed = static_cast<const char*>(std::memchr(
                          feed, '\n', static_cast<std::size_t>(data + end - feed)))) != nullptr;
                     ++feed) {
                    newLine(static_cast<std::size_t>(feed - data));
                }
                if (written != i) {
                    std::memmove(data + written, data + i, end - i);
                }
                written += end - i;
                arguments_.back().length += static_cast<uint32_t>(end - i);
                i = end - 1;
            } else if (next == '"') {
                data[written++] = '"';
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
    const NamePiece& name = names_[static_cast<std::size_t>(index)];
    return std::string_view(name.pooled ? namePool_ : text_).substr(name.offset, name.length);
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
    return std::string_view(text_).substr(piece->offset, piece->length);
}

ScriptPosition ScriptReader::PositionAt(uint32_t offset) const {
    const auto after =
        std::upper_bound(lines_.begin(), lines_.end(), offset,
                         [](uint32_t at, const LineStart& start) { return at < start.offset; });
    if (after == lines_.begin()) {
        return {};
    }
    const LineStart& start = *(after - 1);
    return ScriptPosition{start.line, offset - start.offset + 1};
}

ScriptPosition ScriptReader::StatementPosition(int index) const {
    if (index < 0 || index >= StatementCount()) {
        return {};
    }
    return PositionAt(names_[static_cast<std::size_t>(index)].at);
}

ScriptPosition ScriptReader::ArgumentPosition(int index, int argument) const {
    const Piece* piece = ArgumentPiece(index, argument);
    // The argument's position is its opening quote's.
    return piece != nullptr ? PositionAt(piece->offset - 1) : ScriptPosition{};
}

void ScriptReader::Clear() {
    text_.clear();
    namePool_.clear();
    names_.clear();
    arguments_.clear();
    firstArgument_.clear();
    lines_.clear();
}
