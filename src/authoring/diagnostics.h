#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/script_reader.h"

// vlcheck's findings and how they are shown: in the form compilers use, so
// that editors jump to each place and authors read them as they read a
// compiler's.

// A note tells something related, or what a quiet run does differently; it is
// no mistake.
enum class Severity { Note, Warning, Error };

struct Diagnostic {
    // Line and column as editors count them: lines end at LF, CR LF or a lone
    // CR, and a column is a byte (a tab is one).
    ScriptPosition position;
    Severity severity = Severity::Warning;
    std::string message;
    const char* flag = "";         // the warning class, empty for errors and notes
    bool promoted = false;         // a warning made an error by -Werror
    std::string sourceLine;        // the line it points into, cut around the column when long
    std::size_t caret = 0;         // the column's byte in sourceLine
    std::vector<Diagnostic> notes; // the related places
};

struct CheckReport {
    std::vector<Diagnostic> diagnostics; // the kept ones, by position
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notes = 0; // notes of their own, not those of a diagnostic
};

// The warning classes, each switched by -Wname and -Wno-name.
struct WarningClass {
    const char* name;
    const char* what;
};
extern const WarningClass kWarningClasses[];
extern const std::size_t kWarningClassCount;

// Which findings are kept and how grave they are.
struct DiagnosticPolicy {
    std::set<std::string> disabled;     // -Wno-name
    bool warningsAsErrors = false;      // -Werror
    std::set<std::string> errorClasses; // -Werror=name
    // Shown up to the error with this number, in order of position; 0: all.
    std::size_t maxErrors = 0;
    // Diagnostics beyond this many are counted but not kept.
    std::size_t maxKept = 1000;
};

// Collects the diagnostics of one script text (the whole file, also what
// follows an end-of-file mark), placing offsets in it.
class DiagnosticReporter {
  public:
    DiagnosticReporter(std::string_view text, const DiagnosticPolicy& policy);

    // A place in the text and what the note there says.
    using Related = std::vector<std::pair<std::size_t, std::string>>;
    void Report(std::size_t offset, Severity severity, const char* flag, std::string message,
                const Related& notes = {});
    // The kept diagnostics by position, cut after the last error shown.
    CheckReport Finish();
    uint32_t LineOf(std::size_t offset) const;

  private:
    void Place(std::size_t offset, Diagnostic& diagnostic) const;
    const std::vector<std::size_t>& LineStarts() const;

    std::string_view text_;
    const DiagnosticPolicy& policy_;
    mutable std::vector<std::size_t> lineStarts_;
    CheckReport report_;
};

// Script text quoted in a message, cut so that a hostile argument cannot make
// one line of megabytes.
std::string Quoted(std::string_view text);

// "name:line:column: error: message [-Wclass]", the source line and a caret
// under the column, then the notes the same way.
std::string RenderDiagnostic(const Diagnostic& diagnostic, const std::string& name);
// "name: 1 error, 2 warnings", with the notes when there are any, after a line
// that counts the diagnostics not shown.
std::string RenderSummary(const CheckReport& report, const std::string& name);
