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
    // A name or an argument: its bytes in one of the pools, and where it
    // begins in the script.
    struct Piece {
        uint32_t offset = 0;
        uint32_t length = 0;
        ScriptPosition position;
    };

    const Piece* ArgumentPiece(int index, int argument) const;

    // All names, and all arguments, back to back: a large script costs a few
    // growing arrays rather than an allocation per statement or argument. Text
    // is only ever appended to the last name or argument, so each stays in
    // one piece.
    std::string namePool_;
    std::string argumentPool_;
    std::vector<Piece> names_;
    std::vector<Piece> arguments_;
    std::vector<uint32_t> firstArgument_; // per statement: its first entry in arguments_
};

// Turns the raw bytes of a script file into the text that is scanned: CR LF
// becomes LF, a lone CR stays, and the text ends at the first Ctrl-Z (0x1A), as
// the end-of-file mark of old editors and of text-mode reading.
std::string NormalizeScriptBytes(const std::string& raw);

// The one script reader of the run; filled at start-up, read by the interpreter.
extern ScriptReader scriptReader;
