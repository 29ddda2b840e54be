#include "engine/script_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/name_chars.h"

ScriptReader scriptReader;

namespace {

// An entry of the name or argument table is an offset into the text, or with
// this bit an entry of a pool, so text is scanned up to 2 GiB and cut there.
// The wizard, a 32-bit program, never holds a script that large.
constexpr uint32_t kPooled = 0x80000000u;
constexpr std::size_t kMaxScannedText = 0x7FFFFFFFu;
constexpr char kEndOfFile = '\x1A';

// A pool entry stands on a 4-byte boundary: its length, where it begins in the
// text, then its bytes. Counted in 4-byte steps, 31 bits reach further than
// the pools of the largest text can grow (at most a few times its size).
constexpr std::size_t kEntryHeader = 8;

uint32_t LoadWord(const std::string& pool, std::size_t at) {
    uint32_t word = 0;
    std::memcpy(&word, pool.data() + at, sizeof word);
    return word;
}

void StoreWord(std::string& pool, std::size_t at, uint32_t word) {
    std::memcpy(&pool[at], &word, sizeof word);
}

std::size_t EntryStart(uint32_t entry) {
    return static_cast<std::size_t>(entry & ~kPooled) * 4;
}

uint32_t OpenEntry(std::string& pool, std::size_t at) {
    pool.resize((pool.size() + 3) & ~static_cast<std::size_t>(3));
    const std::size_t start = pool.size();
    pool.append(kEntryHeader, '\0');
    StoreWord(pool, start + 4, static_cast<uint32_t>(at));
    return kPooled | static_cast<uint32_t>(start / 4);
}

void CloseEntry(std::string& pool, uint32_t entry) {
    const std::size_t start = EntryStart(entry);
    StoreWord(pool, start, static_cast<uint32_t>(pool.size() - start - kEntryHeader));
}

std::string_view EntryBytes(const std::string& pool, uint32_t entry) {
    const std::size_t start = EntryStart(entry);
    return std::string_view(pool).substr(start + kEntryHeader, LoadWord(pool, start));
}

uint32_t EntryOffset(const std::string& pool, uint32_t entry) {
    return LoadWord(pool, EntryStart(entry) + 4);
}

// Where the script in `size` bytes ends (its first Ctrl-Z, else the end), and
// how many quotes stand before it: arguments take one each, two unless one
// ends the text. Blocks are counted whole, which compilers vectorise;
// only the block holding the mark is walked byte by byte.
std::size_t ScriptEnd(const char* data, std::size_t size, std::size_t& quotes) {
    constexpr std::size_t kBlock = 64;
    std::size_t i = 0;
    quotes = 0;
    for (; i + kBlock <= size; i += kBlock) {
        unsigned inBlock = 0;
        unsigned marks = 0;
        for (std::size_t j = 0; j < kBlock; ++j) {
            inBlock += data[i + j] == '"' ? 1u : 0u;
            marks += data[i + j] == kEndOfFile ? 1u : 0u;
        }
        if (marks != 0) {
            break;
        }
        quotes += inBlock;
    }
    for (; i < size && data[i] != kEndOfFile; ++i) {
        quotes += data[i] == '"' ? 1u : 0u;
    }
    return i;
}

// Makes room for `more` entries, growing at least twofold so that many small
// texts scanned one after another do not copy the table each time.
void Reserve(std::vector<uint32_t>& table, std::size_t more) {
    const std::size_t needed = table.size() + more;
    if (needed > table.capacity()) {
        table.reserve(std::max(needed, table.capacity() * 2));
    }
}

} // namespace

ScriptReader::~ScriptReader() {
    Unmap();
}

void ScriptReader::Unmap() {
#ifndef _WIN32
    if (mapped_ != nullptr) {
        munmap(const_cast<char*>(mapped_), mappedSize_);
    }
#endif
    mapped_ = nullptr;
    mappedSize_ = 0;
}

// Further text goes after the mapped file's in one owned buffer, so that all
// offsets keep one base.
void ScriptReader::OwnText() {
    if (mapped_ != nullptr) {
        text_.assign(mapped_, size_);
        Unmap();
    }
}

// Maps the file when nothing is held yet: reading it would first touch as
// much fresh memory as the file is long, which costs more than the scan.
// Returns false when the file is to be read instead (empty, not a regular
// file, or the mapping failed); `result` is -1 when it cannot be opened. A
// script is not edited while it is being checked or run, so the views into
// the mapping stay what was scanned.
bool ScriptReader::MapScript(const std::string& path, int& result) {
    result = 0;
#ifndef _WIN32
    if (size_ != 0 || mapped_ != nullptr) {
        return false;
    }
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        result = -1;
        return true;
    }
    struct stat status {};
    void* mapping = MAP_FAILED;
    if (fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        mapping = mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE,
                       file, 0);
    }
    close(file);
    if (mapping == MAP_FAILED) {
        return false;
    }
    mapped_ = static_cast<const char*>(mapping);
    mappedSize_ = static_cast<std::size_t>(status.st_size);
    std::size_t quotes = 0;
    const std::size_t end = std::min(ScriptEnd(mapped_, mappedSize_, quotes), kMaxScannedText);
    size_ = end;
    Scan(0, end, quotes);
    return true;
#else
    (void)path;
    return false;
#endif
}

int ScriptReader::ReadScript(const std::string& path) {
    int result = 0;
    if (MapScript(path, result)) {
        return result;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    OwnText();
    const std::size_t base = text_.size();
    // The size is only a hint: the text is whatever the reads deliver. Pieces
    // are appended rather than read into a resized string, which would first
    // fill the whole text with zeros.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        text_.reserve(base + (size > 0 ? static_cast<std::size_t>(size) : 0));
        std::rewind(file);
    }
    constexpr std::size_t kPiece = 65536;
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    for (std::size_t got = kPiece; got == kPiece;) {
        got = std::fread(piece.get(), 1, kPiece, file);
        text_.append(piece.get(), got);
    }
    std::fclose(file);
    if (base >= kMaxScannedText) {
        text_.resize(base);
        return 0;
    }
    std::size_t quotes = 0;
    const std::size_t end =
        base +
        ScriptEnd(text_.data() + base, std::min(text_.size(), kMaxScannedText) - base, quotes);
    text_.resize(end);
    size_ = end;
    Scan(base, end, quotes);
    return 0;
}

void ScriptReader::ScanText(const std::string& text) {
    OwnText();
    const std::size_t base = text_.size();
    if (base >= kMaxScannedText) {
        return;
    }
    std::size_t quotes = 0;
    const std::size_t length =
        ScriptEnd(text.data(), std::min(text.size(), kMaxScannedText - base), quotes);
    text_.append(text, 0, length);
    size_ = text_.size();
    Scan(base, size_, quotes);
}

void ScriptReader::Scan(std::size_t begin, std::size_t end, std::size_t quotes) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        nameCharacter_[byte] = IsNameCharacter(static_cast<unsigned char>(byte));
    }
    segments_.push_back(static_cast<uint32_t>(begin));
    lines_.clear();
    Reserve(arguments_, quotes / 2 + 1);
    // A guess, not a bound: a statement rarely takes less than 16 bytes, and
    // a script of shorter ones only grows the tables a few times.
    Reserve(names_, (end - begin) / 16 + 1);
    Reserve(firstArgument_, (end - begin) / 16 + 1);
    const char* const text = Text();
    std::size_t i = begin;
    while (i < end) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (nameCharacter_[c]) {
            i = ScanStatement(i, end);
        } else if (c == '/' && i + 1 < end && text[i + 1] == '/') {
            // Nothing in a comment counts but its end.
            i += 2;
            while (i < end && text[i] != '\n') {
                ++i;
            }
            ++i;
        } else {
            ++i;
        }
    }
}

// Scans the statement whose name begins at `at` and returns where scanning
// goes on. A name is a view of the text until it goes on after an argument
// list ("Foo(...)Bar" names FooBar) or meets the end of the text, where a
// view could not tell where it ends; it is then gathered in namePool_.
std::size_t ScriptReader::ScanStatement(std::size_t at, std::size_t end) {
    const char* const text = Text();
    names_.push_back(static_cast<uint32_t>(at));
    firstArgument_.push_back(static_cast<uint32_t>(arguments_.size()));
    uint32_t& name = names_.back();
    std::size_t i = at + 1;
    while (i < end && nameCharacter_[static_cast<unsigned char>(text[i])]) {
        ++i;
    }
    const std::size_t viewEnd = i;
    if (i == end) {
        name = OpenEntry(namePool_, at);
        namePool_.append(text + at, i - at);
        CloseEntry(namePool_, name);
        return i;
    }
    while (i < end) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '(') {
            i = ScanList(i + 1, end);
            continue;
        }
        if (!nameCharacter_[c]) {
            return i + 1; // the character that ends the name is consumed
        }
        if ((name & kPooled) == 0) {
            name = OpenEntry(namePool_, at);
            namePool_.append(text + at, viewEnd - at);
        }
        const std::size_t from = i;
        while (i < end && nameCharacter_[static_cast<unsigned char>(text[i])]) {
            ++i;
        }
        namePool_.append(text + from, i - from);
        CloseEntry(namePool_, name);
    }
    return i;
}

// Scans an argument list from after its "(" and returns where the name goes
// on: after the ")" that closes it.
std::size_t ScriptReader::ScanList(std::size_t at, std::size_t end) {
    const char* const text = Text();
    std::size_t i = at;
    while (i < end) {
        const char c = text[i++];
        if (c == ')') {
            break;
        }
        if (c == '"') {
            i = ScanArgument(i, end);
        }
    }
    return i;
}

// Scans an argument from after its opening quote and returns where the list
// goes on. An argument that is a plain span of the text is a view, its end the
// next quote; one that holds a doubled quote or a CR LF, or meets the end of
// the text, is gathered in argumentPool_ with its quotes made single and its
// line ends LF.
std::size_t ScriptReader::ScanArgument(std::size_t at, std::size_t end) {
    const char* const text = Text();
    std::size_t i = at;
    for (;;) {
        // Arguments are short: a byte loop beats a library search per gap.
        while (i < end && text[i] != '"' && text[i] != '\r') {
            ++i;
        }
        if (i == end) {
            break;
        }
        const char next = i + 1 < end ? text[i + 1] : '\0';
        if (text[i] == '"' && next != '"') {
            arguments_.push_back(static_cast<uint32_t>(at));
            return i + 1;
        }
        if (text[i] == '"' || next == '\n') {
            break;
        }
        ++i; // a lone CR is a character of the argument
    }
    const uint32_t entry = OpenEntry(argumentPool_, at - 1);
    argumentPool_.append(text + at, i - at);
    while (i < end) {
        const std::size_t from = i;
        while (i < end && text[i] != '"' && text[i] != '\r') {
            ++i;
        }
        argumentPool_.append(text + from, i - from);
        if (i == end) {
            break;
        }
        const char next = i + 1 < end ? text[i + 1] : '\0';
        if (text[i] == '"') {
            if (next != '"') {
                ++i;
                break;
            }
            argumentPool_.push_back('"');
            i += 2;
        } else {
            if (next != '\n') {
                argumentPool_.push_back('\r');
            }
            ++i;
        }
    }
    CloseEntry(argumentPool_, entry);
    arguments_.push_back(entry);
    return i;
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
    const uint32_t name = names_[static_cast<std::size_t>(index)];
    if ((name & kPooled) != 0) {
        return EntryBytes(namePool_, name);
    }
    const char* const text = Text();
    std::size_t end = name + 1;
    while (end < size_ && nameCharacter_[static_cast<unsigned char>(text[end])]) {
        ++end;
    }
    return std::string_view(text + name, end - name);
}

int ScriptReader::ArgumentCount(int index) const {
    if (index < 0 || index >= StatementCount()) {
        return 0;
    }
    const std::size_t next = static_cast<std::size_t>(index) + 1;
    const std::size_t end = next < firstArgument_.size() ? firstArgument_[next] : arguments_.size();
    return static_cast<int>(end - firstArgument_[static_cast<std::size_t>(index)]);
}

const uint32_t* ScriptReader::ArgumentEntry(int index, int argument) const {
    if (argument < 0 || argument >= ArgumentCount(index)) {
        return nullptr;
    }
    return &arguments_[firstArgument_[static_cast<std::size_t>(index)] +
                       static_cast<std::size_t>(argument)];
}

std::string_view ScriptReader::Argument(int index, int argument) const {
    const uint32_t* entry = ArgumentEntry(index, argument);
    if (entry == nullptr) {
        return {};
    }
    if ((*entry & kPooled) != 0) {
        return EntryBytes(argumentPool_, *entry);
    }
    const char* const text = Text();
    const void* quote = std::memchr(text + *entry, '"', size_ - *entry);
    const std::size_t end =
        quote != nullptr ? static_cast<std::size_t>(static_cast<const char*>(quote) - text) : size_;
    return std::string_view(text + *entry, end - *entry);
}

ScriptPosition ScriptReader::PositionAt(uint32_t offset) const {
    if (lines_.empty()) {
        const char* const text = Text();
        for (std::size_t segment = 0; segment < segments_.size(); ++segment) {
            const std::size_t end = segment + 1 < segments_.size() ? segments_[segment + 1] : size_;
            uint32_t line = 1;
            lines_.push_back(LineStart{segments_[segment], line});
            for (std::size_t i = segments_[segment]; i < end; ++i) {
                if (text[i] == '\n') {
                    lines_.push_back(LineStart{static_cast<uint32_t>(i + 1), ++line});
                }
            }
        }
    }
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
    return PositionAt(static_cast<uint32_t>(StatementOffset(index)));
}

ScriptPosition ScriptReader::ArgumentPosition(int index, int argument) const {
    if (ArgumentEntry(index, argument) == nullptr) {
        return {};
    }
    return PositionAt(static_cast<uint32_t>(ArgumentOffset(index, argument)));
}

std::size_t ScriptReader::StatementOffset(int index) const {
    if (index < 0 || index >= StatementCount()) {
        return 0;
    }
    const uint32_t name = names_[static_cast<std::size_t>(index)];
    return (name & kPooled) != 0 ? EntryOffset(namePool_, name) : name;
}

std::size_t ScriptReader::ArgumentOffset(int index, int argument) const {
    const uint32_t* entry = ArgumentEntry(index, argument);
    if (entry == nullptr) {
        return 0;
    }
    // A view begins after the opening quote; a pooled entry keeps the quote's offset.
    return (*entry & kPooled) != 0 ? EntryOffset(argumentPool_, *entry) : *entry - 1;
}

void ScriptReader::Layout(int index, StatementLayout& layout) const {
    layout.nameParts.clear();
    layout.lists.clear();
    layout.arguments.clear();
    layout.end = 0;
    if (index < 0 || index >= StatementCount()) {
        return;
    }
    const std::size_t at = StatementOffset(index);
    const auto next = std::upper_bound(segments_.begin(), segments_.end(), at);
    const std::size_t end = next != segments_.end() ? *next : size_;
    const char* const text = Text();
    const auto isName = [&](std::size_t i) {
        return nameCharacter_[static_cast<unsigned char>(text[i])];
    };
    std::size_t i = at;
    while (i < end) {
        if (isName(i)) {
            const std::size_t from = i;
            while (i < end && isName(i)) {
                ++i;
            }
            layout.nameParts.push_back(ScriptSpan{from, i, true});
            continue;
        }
        if (text[i] != '(') {
            ++i; // the character that ends the name is consumed
            break;
        }
        const std::size_t open = i++;
        bool listClosed = false;
        while (i < end && !listClosed) {
            const char c = text[i++];
            listClosed = c == ')';
            if (c != '"') {
                continue;
            }
            const std::size_t quote = i - 1;
            bool closed = false;
            for (; i < end && !closed; ++i) {
                closed = text[i] == '"' && (i + 1 == end || text[i + 1] != '"');
                i += text[i] == '"' && !closed ? 1 : 0; // a doubled quote
            }
            layout.arguments.push_back(ScriptSpan{quote, i, closed});
        }
        layout.lists.push_back(ScriptSpan{open, i, listClosed});
    }
    layout.end = i;
}

void ScriptReader::Clear() {
    Unmap();
    text_.clear();
    size_ = 0;
    segments_.clear();
    namePool_.clear();
    argumentPool_.clear();
    names_.clear();
    arguments_.clear();
    firstArgument_.clear();
    lines_.clear();
}
