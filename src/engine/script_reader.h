#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a statement's name or an argument's opening quote stands in the
// scanned text: 1-based line and column, columns counted in bytes. Lines end
// at LF; CR LF arrives as LF, so columns match the file as an editor shows it.
struct ScriptPosition {
    uint32_t line = 0;
    uint32_t column = 0;
};

// Turns the text of SetupScript.ini into statements: a command name and its
// string arguments in order. Reading appends to the list; the reader never
// reports a syntax error (odd text yields odd statements).
class ScriptReader {
  public:
    // Reads the file at path and appends its statements. Returns 0 when the file
    // was opened (also when it is empty), -1 when it cannot be opened. The caller
    // reports the failure to the user.
    int ReadScript(const std::string& path);

    // Scans text that is already in memory (line ends normalised) and appends its
    // statements. Positions count from line 1 of this text.
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

    void Clear();

  private:
    // A name or an argument: where its bytes stand in text_.
    struct Piece {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    // A name is a view of text_ until it goes on after an argument list
    // ("Foo(...)Bar" names FooBar); it is then gathered in namePool_.
    struct NamePiece {
        uint32_t offset = 0;
        uint32_t length = 0;
        uint32_t at = 0; // where it begins in text_
        bool pooled = false;
    };
    // Where a line of a scanned text begins in text_, and its number there.
    struct LineStart {
        uint32_t offset = 0;
        uint32_t line = 0;
    };

    void ScanFrom(std::size_t base);
    const Piece* ArgumentPiece(int index, int argument) const;
    ScriptPosition PositionAt(uint32_t offset) const;

    // Every scanned text, back to back: names and arguments are views of it,
    // so a large script is held once and nothing is copied per statement. An
    // argument's doubled quotes are made single where it stands, which only
    // ever shortens it.
    std::string text_;
    std::string namePool_;
    std::vector<NamePiece> names_;
    std::vector<Piece> arguments_;
    std::vector<uint32_t> firstArgument_; // per statement: its first entry in arguments_
    std::vector<LineStart> lines_;        // in the order of their offsets
};

// Turns the raw bytes of a script file into the text that is scanned: CR LF
// becomes LF, a lone CR stays, and the text ends at the first Ctrl-Z (0x1A), as
// the end-of-file mark of old editors and of text-mode reading.
std::string NormalizeScriptBytes(const std::string& raw);

// The one script reader of the run; filled at start-up, read by the interpreter.
extern ScriptReader scriptReader;
