#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a statement's name or an argument's opening quote stands in the
// scanned text: 1-based line and column, columns counted in bytes. Lines end
// at LF or CR LF, so columns match the file as an editor shows it.
struct ScriptPosition {
    uint32_t line = 0;
    uint32_t column = 0;
};

// A part of a statement in the scanned text, from `begin` to before `end`;
// `closed` is false when the text ended before its ")" or closing quote.
struct ScriptSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool closed = true;
};

// How the reader divided a statement's text, for tools that explain what
// became of a mistyped statement. Offsets count in ScannedText().
struct StatementLayout {
    std::vector<ScriptSpan> nameParts; // more than one when the name goes on after ")"
    std::vector<ScriptSpan> lists;     // "(" to after its ")"
    std::vector<ScriptSpan> arguments; // opening quote to after the closing quote
    std::size_t end = 0;               // where reading goes on after the statement
};

// Turns the text of SetupScript.ini into statements: a command name and its
// string arguments in order. Reading appends to the list; the reader never
// reports a syntax error (odd text yields odd statements).
class ScriptReader {
  public:
    ScriptReader() = default;
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;
    ~ScriptReader();

    // Reads the file at path and appends its statements. Returns 0 when the file
    // was opened (also when it is empty), -1 when it cannot be opened. The caller
    // reports the failure to the user.
    int ReadScript(const std::string& path);

    // Scans text that is already in memory, read as the bytes of a file are,
    // and appends its statements. Positions count from line 1 of this text.
    void ScanText(const std::string& text);

    int StatementCount() const;

    // Copies statement `index` into the outputs and returns 0; returns -1 and
    // leaves the outputs untouched for an index out of range.
    int GetStatement(int index, std::string& nameOut, std::vector<std::string>& argumentsOut,
                     int& countOut) const;

    // Views of statement `index` without copies, for tools that walk a large
    // script; valid until the reader changes. Out of range: empty views, 0
    // arguments, line 0.
    std::string_view StatementName(int index) const;
    int ArgumentCount(int index) const;
    std::string_view Argument(int index, int argument) const;
    ScriptPosition StatementPosition(int index) const;
    ScriptPosition ArgumentPosition(int index, int argument) const;

    // The scanned texts back to back, each up to its end-of-file mark; where a
    // statement's name and an argument's opening quote stand in it (0 out of range).
    std::string_view ScannedText() const { return std::string_view(Text(), size_); }
    std::size_t StatementOffset(int index) const;
    std::size_t ArgumentOffset(int index, int argument) const;
    // Walks statement `index` again by the rules it was scanned with; an index
    // out of range leaves `layout` empty. The wizard never asks for this.
    void Layout(int index, StatementLayout& layout) const;

    void Clear();

  private:
    // Where a line of a scanned text begins, and its number in that text.
    struct LineStart {
        uint32_t offset = 0;
        uint32_t line = 0;
    };

    const char* Text() const { return mapped_ != nullptr ? mapped_ : text_.data(); }
    bool MapScript(const std::string& path, int& result);
    void OwnText();
    void Unmap();
    void Scan(std::size_t begin, std::size_t end, std::size_t quotes);
    std::size_t ScanStatement(std::size_t at, std::size_t end);
    std::size_t ScanList(std::size_t at, std::size_t end);
    std::size_t ScanArgument(std::size_t at, std::size_t end);
    const uint32_t* ArgumentEntry(int index, int argument) const;
    ScriptPosition PositionAt(uint32_t offset) const;

    // Every scanned text, back to back, as its bytes came (a file is mapped
    // rather than copied when it is the reader's first text): a large script is
    // held once, and an argument or name that is a plain span of it is only
    // its offset there. An entry of names_ or arguments_ is that offset, or,
    // with kPooled set, where its changed bytes were gathered in a pool.
    std::string text_;
    const char* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
    std::size_t size_ = 0;           // bytes scanned, in text_ or the mapping
    std::vector<uint32_t> segments_; // where each scanned text begins
    std::string namePool_;
    std::string argumentPool_;
    std::vector<uint32_t> names_;
    std::vector<uint32_t> arguments_;
    std::vector<uint32_t> firstArgument_; // per statement: its first entry in arguments_
    // Built on the first position asked for: only tools that report places need it.
    mutable std::vector<LineStart> lines_;
    bool nameCharacter_[256] = {};
};

// The one script reader of the run; filled at start-up, read by the interpreter.
extern ScriptReader scriptReader;
