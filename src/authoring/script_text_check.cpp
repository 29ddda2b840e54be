#include "authoring/script_text_check.h"

#include <algorithm>
#include <string>

#include "engine/interpreter.h"
#include "engine/name_chars.h"

namespace {

constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Quote marks other than the straight double quote: apostrophe, grave and
// acute accent, and code page 1252's curly quotes. UTF-8's curly quotes begin
// with 0xE2, a letter in code page 1252, and are found as text.
bool IsOtherQuote(unsigned char c) {
    return c == '\'' || c == '`' || c == 0xB4 || (c >= 0x91 && c <= 0x94);
}

std::string Counted(std::size_t count, const char* thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

class TextChecker {
  public:
    TextChecker(const ScriptReader& reader, std::string_view afterEnd, DiagnosticReporter& reporter)
        : reader_(reader), text_(reader.ScannedText()), afterEnd_(afterEnd), reporter_(reporter) {}

    TextFindings Run();

  private:
    bool IsName(std::size_t i) const {
        return IsNameCharacter(static_cast<unsigned char>(text_[i]));
    }
    std::size_t LineEnd(std::size_t i) const { return std::min(text_.find('\n', i), text_.size()); }
    std::string LineOf(std::size_t offset) const {
        return offset < text_.size() ? "line " + std::to_string(reporter_.LineOf(offset))
                                     : "the end of the file";
    }
    // ", so Name gets 3 arguments instead of 1" when the count is wrong.
    std::string CountEffect(int index) const;

    void CheckGap(std::size_t from, std::size_t to, bool slashConsumed);
    void CheckStatement(int index);
    // Each returns false when the rest of the argument list is not worth a look.
    bool CheckListGap(int index, const ScriptSpan& list, std::size_t from, std::size_t to);
    bool CheckListComment(int index, const ScriptSpan& list, std::size_t at, std::size_t to);
    bool CheckArgument(int index, const ScriptSpan& argument);
    void ReportOutsideQuotes(std::size_t at);
    std::size_t IntendedListEnd(std::size_t open) const;
    void CheckEndMark();

    const ScriptReader& reader_;
    std::string_view text_;
    std::string_view afterEnd_;
    DiagnosticReporter& reporter_;
    TextFindings findings_;
    StatementLayout layout_;
    std::string name_;            // of the statement being looked at
    std::size_t debrisUntil_ = 0; // statements before this are debris
    bool quotesReported_ = false; // for the statement being looked at
};

std::string TextChecker::CountEffect(int index) const {
    const int expected = CommandArgumentCount(name_);
    const int count = reader_.ArgumentCount(index);
    return expected < 0 || expected == count
               ? std::string()
               : ", so " + name_ + " gets " + Counted(static_cast<std::size_t>(count), "argument") +
                     " instead of " + std::to_string(expected);
}

TextFindings TextChecker::Run() {
    const int count = reader_.StatementCount();
    findings_.explained.assign(static_cast<std::size_t>(count), 0);
    const std::size_t nul = text_.find('\0');
    if (nul != std::string_view::npos) {
        const bool utf16 = text_.substr(0, 2) == "\xFF\xFE" || text_.substr(0, 2) == "\xFE\xFF";
        reporter_.Report(utf16 ? 0 : nul, Severity::Error, "",
                         utf16 ? "this is UTF-16 (\"Unicode\") text, which the wizard cannot read: "
                                 "save the script as ANSI (code page 1252)"
                               : "this is no text file: it holds a NUL byte here");
        findings_.uncheckedFrom = 0;
        return std::move(findings_);
    }
    if (count == 0) {
        reporter_.Report(0, Severity::Error, "",
                         "the script has no statements: the wizard would show only its background");
    }
    std::size_t previousEnd = 0;
    bool slashConsumed = false;
    for (int index = 0; index < count; ++index) {
        reader_.Layout(index, layout_);
        const std::size_t start = layout_.nameParts.front().begin;
        if (start >= findings_.uncheckedFrom) {
            break;
        }
        CheckGap(previousEnd, start, slashConsumed);
        if (start < debrisUntil_) {
            findings_.explained[static_cast<std::size_t>(index)] = 1;
        } else {
            CheckStatement(index);
        }
        const std::size_t lastPart = std::max(layout_.nameParts.back().end,
                                              layout_.lists.empty() ? 0 : layout_.lists.back().end);
        previousEnd = layout_.end;
        slashConsumed = layout_.end > lastPart && text_[lastPart] == '/';
    }
    if (findings_.uncheckedFrom == kNowhere) {
        CheckGap(previousEnd, text_.size(), slashConsumed);
    }
    CheckEndMark();
    return std::move(findings_);
}

// Between statements: nothing but comments and characters the reader skips.
void TextChecker::CheckGap(std::size_t from, std::size_t to, bool slashConsumed) {
    // "Foo()// text": the character that ends a statement is consumed, so the
    // reader sees a lone '/' and takes the comment's words for statements.
    if (slashConsumed && from < to && text_[from] == '/' &&
        (from + 1 == text_.size() || text_[from + 1] != '/')) {
        reporter_.Report(from - 1, Severity::Warning, "comment",
                         "this '//' starts no comment: its first '/' ends the statement before "
                         "it, so the words after it are read as statements; put a blank or ';' "
                         "before it");
        debrisUntil_ = LineEnd(from);
    }
    for (std::size_t i = from; i + 1 < to; ++i) {
        if (text_[i] != '/' || text_[i + 1] != '/') {
            continue;
        }
        const std::size_t end = LineEnd(i);
        for (std::size_t cr = i + 2; cr < end; ++cr) {
            if (text_[cr] != '\r' || (cr + 1 < text_.size() && text_[cr + 1] == '\n')) {
                continue;
            }
            ScriptReader hidden;
            hidden.ScanText(std::string(text_.substr(cr + 1, end - cr - 1)));
            if (hidden.StatementCount() > 0) {
                reporter_.Report(
                    i, Severity::Error, "",
                    "this comment runs on past its line: the wizard ends a line at "
                    "LF or CR LF only, not at a lone CR as this file does, and "
                    "never runs the " +
                        Counted(static_cast<std::size_t>(hidden.StatementCount()), "statement") +
                        " up to the next LF");
            }
            break;
        }
        i = end;
    }
}

void TextChecker::CheckStatement(int index) {
    char& explained = findings_.explained[static_cast<std::size_t>(index)];
    name_ = std::string(reader_.StatementName(index));
    quotesReported_ = false;
    const ScriptSpan& first = layout_.nameParts.front();
    if (first.begin == 0 && first.end == 1 && text_.substr(0, 3) == "\xEF\xBB\xBF") {
        reporter_.Report(0, Severity::Warning, "encoding",
                         "the file begins with a UTF-8 byte order mark, which the wizard reads as "
                         "an unknown command and skips: save the script as ANSI (code page 1252), "
                         "the text the wizard reads");
        explained = 1;
        return;
    }
    const std::string firstPart(text_.substr(first.begin, first.end - first.begin));
    if (layout_.nameParts.size() > 1 && CommandArgumentCount(name_) < 0 &&
        CommandArgumentCount(firstPart) >= 0) {
        const ScriptSpan& second = layout_.nameParts[1];
        reporter_.Report(second.begin, Severity::Error, "",
                         "missing ';' before " +
                             Quoted(text_.substr(second.begin, second.end - second.begin)) +
                             ": a name goes on after ')', so the wizard reads one unknown "
                             "command " +
                             Quoted(name_) + " and skips it");
        explained = 1;
        return;
    }
    std::size_t argument = 0;
    for (const ScriptSpan& list : layout_.lists) {
        std::size_t from = list.begin + 1;
        for (; argument < layout_.arguments.size() && layout_.arguments[argument].begin < list.end;
             ++argument) {
            const ScriptSpan& span = layout_.arguments[argument];
            if (!CheckListGap(index, list, from, span.begin) || !CheckArgument(index, span)) {
                return;
            }
            from = span.end;
        }
        if (!CheckListGap(index, list, from, list.closed ? list.end - 1 : list.end)) {
            return;
        }
        if (!list.closed) {
            reporter_.Report(list.begin, Severity::Warning, "syntax",
                             "this '(' has no ')': the list runs to the end of the file");
        }
    }
}

// Between the arguments of a list: blanks and commas, as the author meant it.
bool TextChecker::CheckListGap(int index, const ScriptSpan& list, std::size_t from,
                               std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (text_[i] == '/' && i + 1 < to && text_[i + 1] == '/') {
            return CheckListComment(index, list, i, to);
        }
        if (IsOtherQuote(static_cast<unsigned char>(text_[i]))) {
            ReportOutsideQuotes(i);
        }
        if (!IsName(i)) {
            continue;
        }
        std::size_t end = i;
        while (end < to && IsName(end)) {
            ++end;
        }
        std::size_t open = end;
        while (open < to && IsBlank(text_[open])) {
            ++open;
        }
        if (open < to && text_[open] == '(') {
            reporter_.Report(from, Severity::Error, "",
                             "missing ')' after the arguments of " + Quoted(name_) +
                                 ": the list goes on to " +
                                 LineOf(list.closed ? list.end - 1 : text_.size()) +
                                 " and takes in " + Quoted(text_.substr(i, open + 1 - i)) +
                                 ", which never runs" + CountEffect(index),
                             {{list.begin, "to match this '('"}});
            findings_.explained[static_cast<std::size_t>(index)] = !CountEffect(index).empty();
            return false;
        }
        ReportOutsideQuotes(i);
        i = end - 1;
    }
    return true;
}

// A "//" between arguments is read as list text: harmless until it holds a
// ')' (the list ends there) or a quote (an argument begins there).
bool TextChecker::CheckListComment(int index, const ScriptSpan& list, std::size_t at,
                                   std::size_t to) {
    const std::size_t end = LineEnd(at);
    if (to >= end) {
        reporter_.Report(at, Severity::Warning, "comment",
                         "comments do not work inside an argument list: the wizard reads this "
                         "one as list text, which it skips here but would not if it held a '\"' "
                         "or ')'");
        return CheckListGap(index, list, end, to);
    }
    const bool closes = text_[to] == ')';
    std::size_t quotes = 0;
    for (std::size_t i = to; i < end; ++i) {
        quotes += text_[i] == '"' ? 1 : 0;
    }
    const bool unpaired = !closes && quotes % 2 != 0;
    reporter_.Report(
        at, Severity::Error, "",
        "comments do not work inside an argument list: " +
            std::string(closes ? "the ')' in this one ends the list"
                               : "the quotes in this one make an argument") +
            CountEffect(index) +
            (unpaired ? "; nothing after it is checked, as the quotes pair up the wrong way" : ""),
        {{to, closes ? "the list ends here" : "an argument begins here"}});
    findings_.explained[static_cast<std::size_t>(index)] = !CountEffect(index).empty();
    if (unpaired) {
        findings_.uncheckedFrom = to;
    } else if (closes) {
        debrisUntil_ = IntendedListEnd(list.begin);
    }
    return false;
}

bool TextChecker::CheckArgument(int index, const ScriptSpan& argument) {
    const std::size_t end = argument.closed ? argument.end - 1 : argument.end;
    // A statement at the start of one of the argument's lines was meant to
    // follow it: the closing quote is missing before that line.
    std::string takenIn;
    const std::string_view inside = text_.substr(0, end);
    for (std::size_t lf = inside.find('\n', argument.begin);
         lf != std::string_view::npos && takenIn.empty(); lf = inside.find('\n', lf + 1)) {
        std::size_t i = lf + 1;
        while (i < end && IsBlank(text_[i])) {
            ++i;
        }
        std::size_t open = i;
        while (open < end && IsName(open)) {
            ++open;
        }
        const std::string command(text_.substr(i, open - i));
        while (open < end && IsBlank(text_[open])) {
            ++open;
        }
        if (open < end && text_[open] == '(' && CommandArgumentCount(command) >= 0) {
            takenIn = command + "(";
        }
    }
    if (!takenIn.empty() || !argument.closed) {
        reporter_.Report(argument.begin, Severity::Error, "",
                         "missing closing quote: this string runs on to " + LineOf(end) +
                             (takenIn.empty() ? "" : " and takes in " + Quoted(takenIn)) +
                             CountEffect(index) + "; nothing after it is checked",
                         argument.closed ? DiagnosticReporter::Related{{end, "it ends here"}}
                                         : DiagnosticReporter::Related{});
        findings_.explained[static_cast<std::size_t>(index)] = 1;
        findings_.uncheckedFrom = argument.begin;
        return false;
    }
    const char next = argument.end < text_.size() ? text_[argument.end] : ' ';
    if (end > argument.begin + 1 && text_[end - 1] == '\\' && !IsBlank(next) && next != ',' &&
        next != ')') {
        reporter_.Report(end - 1, Severity::Warning, "quotes",
                         "a backslash does not escape a quote: the argument ends at the quote "
                         "after it; a quote inside an argument is written \"\"");
        quotesReported_ = true; // the text after that quote tells nothing new
    }
    return true;
}

void TextChecker::ReportOutsideQuotes(std::size_t at) {
    if (!quotesReported_) {
        quotesReported_ = true;
        reporter_.Report(at, Severity::Warning, "quotes",
                         "text outside double quotes is no argument, and the wizard skips it: "
                         "arguments need straight double quotes (\"), and \"\" stands for a "
                         "quote inside one");
    }
}

// Where the list that opens at `open` was meant to end, its "//" taken for comments.
std::size_t TextChecker::IntendedListEnd(std::size_t open) const {
    const std::size_t size = text_.size();
    std::size_t i = open + 1;
    while (i < size && text_[i] != ')') {
        if (text_[i] == '/' && i + 1 < size && text_[i + 1] == '/') {
            i = LineEnd(i);
        } else if (text_[i] == '"') {
            for (++i; i < size && !(text_[i] == '"' && (i + 1 == size || text_[i + 1] != '"'));) {
                i += text_[i] == '"' ? 2 : 1;
            }
        }
        ++i;
    }
    return std::min(i + 1, size);
}

void TextChecker::CheckEndMark() {
    ScriptReader rest;
    rest.ScanText(std::string(afterEnd_));
    if (rest.StatementCount() > 0) {
        reporter_.Report(text_.size(), Severity::Error, "",
                         "the wizard stops reading at this Ctrl-Z byte (an end-of-file mark) and "
                         "never runs the " +
                             Counted(static_cast<std::size_t>(rest.StatementCount()), "statement") +
                             " after it");
    }
}

} // namespace

TextFindings CheckScriptText(const ScriptReader& reader, std::string_view afterEnd,
                             DiagnosticReporter& reporter) {
    return TextChecker(reader, afterEnd, reporter).Run();
}
