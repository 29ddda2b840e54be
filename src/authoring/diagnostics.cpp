#include "authoring/diagnostics.h"

#include <algorithm>

const WarningClass kWarningClasses[] = {
    {"unknown-command", "a command the wizard does not know and skips"},
    {"unset-variable", "a [NAME] that nothing has set yet"},
    {"reference", "a '[' without its ']'"},
    {"page-name", "a page name that is not one of the five"},
    {"unknown-control", "a control that no AddWindow makes"},
    {"control-type", "a control type the system has no class for"},
    {"next-rule", "a Next rule the pages cannot apply"},
    {"show-message", "a ShowMessage neither NOW nor COMMAND"},
    {"flag", "a flag other than 0 or 1"},
    {"disk", "an AddFile disk that is no disk number or not its source's"},
    {"dp-backslash", "DP set without a trailing backslash"},
    {"uninstaller", "no AddFile of VLUninstall.exe into [DP]"},
    {"quotes", "text outside straight double quotes in an argument list"},
    {"comment", "a '//' that starts no comment"},
    {"syntax", "an argument list without its ')'"},
    {"encoding", "a byte order mark"},
    {"quiet-ready", "what VLSetup.exe /quiet cannot do without a person (off by default)"},
};
const std::size_t kWarningClassCount = std::size(kWarningClasses);

namespace {

constexpr std::size_t kMaxQuoted = 60;

// Longer lines are shown around the column, so that a script of one huge
// line cannot make a message of megabytes.
constexpr std::size_t kShownLine = 160;

bool Before(const Diagnostic& a, const Diagnostic& b) {
    return a.position.line != b.position.line ? a.position.line < b.position.line
                                              : a.position.column < b.position.column;
}

std::string Plural(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

DiagnosticReporter::DiagnosticReporter(std::string_view text, const DiagnosticPolicy& policy)
    : text_(text), policy_(policy) {}

// Built on the first place asked for: a script without findings needs none.
const std::vector<std::size_t>& DiagnosticReporter::LineStarts() const {
    if (lineStarts_.empty()) {
        lineStarts_.push_back(0);
        for (std::size_t i = 0; i < text_.size(); ++i) {
            const bool crAlone =
                text_[i] == '\r' && (i + 1 == text_.size() || text_[i + 1] != '\n');
            if (text_[i] == '\n' || crAlone) {
                lineStarts_.push_back(i + 1);
            }
        }
    }
    return lineStarts_;
}

uint32_t DiagnosticReporter::LineOf(std::size_t offset) const {
    const std::vector<std::size_t>& starts = LineStarts();
    return static_cast<uint32_t>(std::upper_bound(starts.begin(), starts.end(), offset) -
                                 starts.begin());
}

void DiagnosticReporter::Place(std::size_t offset, Diagnostic& diagnostic) const {
    offset = std::min(offset, text_.size());
    const std::vector<std::size_t>& starts = LineStarts();
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    const std::size_t start = *(after - 1);
    diagnostic.position.line = static_cast<uint32_t>(after - starts.begin());
    diagnostic.position.column = static_cast<uint32_t>(offset - start + 1);
    // Only as much of the line is looked at as is shown.
    const std::size_t from = offset - std::min(offset - start, kShownLine / 2);
    std::size_t end = from;
    while (end < text_.size() && end <= from + kShownLine && text_[end] != '\n' &&
           text_[end] != '\r') {
        ++end;
    }
    const std::string cutFront = from > start ? "..." : "";
    const std::string cutBack = end > from + kShownLine ? "..." : "";
    end = std::min(end, from + kShownLine);
    diagnostic.sourceLine = cutFront;
    for (std::size_t i = from; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text_[i]);
        diagnostic.sourceLine.push_back(c < 0x20 && c != '\t' ? ' ' : static_cast<char>(c));
    }
    diagnostic.caret = cutFront.size() + (offset - from);
    diagnostic.sourceLine += cutBack;
}

void DiagnosticReporter::Report(std::size_t offset, Severity severity, const char* flag,
                                std::string message, const Related& notes) {
    if (severity == Severity::Warning && policy_.disabled.count(flag) != 0) {
        return;
    }
    const bool promoted = severity == Severity::Warning &&
                          (policy_.warningsAsErrors || policy_.errorClasses.count(flag) != 0);
    severity = promoted ? Severity::Error : severity;
    (severity == Severity::Error     ? report_.errors
     : severity == Severity::Warning ? report_.warnings
                                     : report_.notes) += 1;
    if (report_.diagnostics.size() >= policy_.maxKept) {
        return;
    }
    Diagnostic diagnostic;
    diagnostic.severity = severity;
    diagnostic.message = std::move(message);
    diagnostic.flag = flag;
    diagnostic.promoted = promoted;
    Place(offset, diagnostic);
    for (const auto& [at, text] : notes) {
        diagnostic.notes.emplace_back();
        diagnostic.notes.back().severity = Severity::Note;
        diagnostic.notes.back().message = text;
        Place(at, diagnostic.notes.back());
    }
    report_.diagnostics.push_back(std::move(diagnostic));
}

CheckReport DiagnosticReporter::Finish() {
    std::vector<Diagnostic>& kept = report_.diagnostics;
    std::stable_sort(kept.begin(), kept.end(), Before);
    std::size_t errors = 0;
    for (std::size_t i = 0; i < kept.size() && policy_.maxErrors != 0; ++i) {
        errors += kept[i].severity == Severity::Error ? 1 : 0;
        if (errors == policy_.maxErrors) {
            kept.resize(i + 1);
        }
    }
    return std::move(report_);
}

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text.substr(0, kMaxQuoted)) {
        out.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    }
    return out + (text.size() > kMaxQuoted ? "...'" : "'");
}

std::string RenderDiagnostic(const Diagnostic& diagnostic, const std::string& name) {
    std::string out = name + ":" + std::to_string(diagnostic.position.line) + ":" +
                      std::to_string(diagnostic.position.column) + ": " +
                      (diagnostic.severity == Severity::Error     ? "error: "
                       : diagnostic.severity == Severity::Warning ? "warning: "
                                                                  : "note: ") +
                      diagnostic.message;
    if (*diagnostic.flag != '\0') {
        out += std::string(" [") + (diagnostic.promoted ? "-Werror," : "") + "-W" +
               diagnostic.flag + "]";
    }
    out += "\n" + diagnostic.sourceLine + "\n";
    // Tabs stay tabs, so that the caret lines up however wide the terminal
    // shows them; bytes that continue a UTF-8 character take no column.
    for (std::size_t i = 0; i < diagnostic.caret && i < diagnostic.sourceLine.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(diagnostic.sourceLine[i]);
        const bool continuation =
            (c & 0xC0) == 0x80 && i > 0 && (diagnostic.sourceLine[i - 1] & 0x80) != 0;
        out += c == '\t' ? "\t" : continuation ? "" : " ";
    }
    out += "^\n";
    for (const Diagnostic& note : diagnostic.notes) {
        out += RenderDiagnostic(note, name);
    }
    return out;
}

std::string RenderSummary(const CheckReport& report, const std::string& name) {
    std::string out;
    const std::size_t total = report.errors + report.warnings + report.notes;
    if (total > report.diagnostics.size()) {
        out +=
            name + ": " + std::to_string(total - report.diagnostics.size()) + " more not shown\n";
    }
    out += name + ": " + Plural(report.errors, "error") + ", " + Plural(report.warnings, "warning");
    if (report.notes != 0) {
        out += ", " + Plural(report.notes, "note");
    }
    return out + "\n";
}
