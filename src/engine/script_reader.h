#pragma once

#include <string>
#include <vector>

// A statement of the script: a command name and its string arguments in order.
struct Statement {
    std::string name;
    std::vector<std::string> arguments;
};

// Turns the text of SetupScript.ini into statements. Reading appends to the
// list; the reader never reports a syntax error (odd text yields odd statements).
class ScriptReader {
  public:
    // Reads the file at path and appends its statements. Returns 0 when the file
    // was opened (also when it is empty), -1 when it cannot be opened. The caller
    // reports the failure to the user.
    int ReadScript(const std::string& path);

    // Scans text that is already in memory (line ends normalised) and appends its
    // statements.
    void ScanText(const std::string& text);

    int StatementCount() const;

    // Copies statement `index` into the outputs and returns 0; returns -1 and
    // leaves the outputs untouched for an index out of range.
    int GetStatement(int index, std::string& nameOut, std::vector<std::string>& argumentsOut,
                     int& countOut) const;

    void Clear();

  private:
    std::vector<Statement> statements_;
};

// Turns the raw bytes of a script file into the text that is scanned: CR LF
// becomes LF, a lone CR stays, and the text ends at the first Ctrl-Z (0x1A), as
// the end-of-file mark of old editors and of text-mode reading.
std::string NormalizeScriptBytes(const std::string& raw);

// The one script reader of the run; filled at start-up, read by the interpreter.
extern ScriptReader scriptReader;
