// Arbitrary bytes as SetupScript.ini: read from a file as start-up reads them,
// and scanned as text, they give the statements and positions of their
// normalised text (the text with no CR left), and each statement's layout
// walks to its name and arguments again; run by the interpreter with a
// host that shows nothing and leaves every page with Next, and checked by
// vlcheck's checker, they never crash or stop the run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "authoring/script_check.h"
#include "engine/background_settings.h"
#include "engine/interpreter.h"
#include "engine/model.h"
#include "engine/script_reader.h"
#include "engine/variables.h"
#include "fuzz_support.h"

namespace {

class SilentHost : public CommandHost {
  public:
    void ShowImmediateMessage(const std::string&, const std::string&) override {}
    void RepaintBackground() override {}
    int RunPage(PageTemplate) override { return 0; }
    void ShowSyntaxError() override {}
};

using Statements = std::vector<std::pair<std::string, std::vector<std::string>>>;

// A byte that no rule of the reader treats apart, standing for a CR that is no
// line end: normalising then leaves no CR, which the scanner would take for
// part of a line end.
constexpr char kLoneCr = '\x01';

// Each statement with its positions as one more argument, CR written as kLoneCr.
// The bytes of a script file as text, written apart from the reader: CR LF
// becomes LF, a lone CR stays, and the text ends at the first Ctrl-Z.
std::string NormalizeScriptBytes(const std::string& raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size() && raw[i] != '\x1A'; ++i) {
        if (raw[i] != '\r' || i + 1 == raw.size() || raw[i + 1] != '\n') {
            text.push_back(raw[i]);
        }
    }
    return text;
}

Statements Walk(const ScriptReader& reader) {
    Statements walked;
    for (int i = 0; i < reader.StatementCount(); ++i) {
        walked.emplace_back();
        int count = -1;
        Check(reader.GetStatement(i, walked.back().first, walked.back().second, count) == 0 &&
                  !walked.back().first.empty(),
              "every statement in range has a name");
        std::string positions;
        for (int argument = -1; argument < count; ++argument) {
            const ScriptPosition at =
                argument < 0 ? reader.StatementPosition(i) : reader.ArgumentPosition(i, argument);
            positions += std::to_string(at.line) + ":" + std::to_string(at.column) + " ";
        }
        for (std::string& argument : walked.back().second) {
            std::replace(argument.begin(), argument.end(), '\r', kLoneCr);
        }
        walked.back().second.push_back(positions);
    }
    return walked;
}

// The layout's name parts make the name, and its argument spans, their quotes
// made single and CR LF made LF, the arguments.
void CheckLayouts(const ScriptReader& reader) {
    const std::string_view text = reader.ScannedText();
    StatementLayout layout;
    for (int i = 0; i < reader.StatementCount(); ++i) {
        reader.Layout(i, layout);
        std::string name;
        for (const ScriptSpan& part : layout.nameParts) {
            name += text.substr(part.begin, part.end - part.begin);
        }
        Check(name == reader.StatementName(i) &&
                  layout.nameParts[0].begin == reader.StatementOffset(i) &&
                  layout.arguments.size() == static_cast<std::size_t>(reader.ArgumentCount(i)),
              "a layout has the statement's name and argument count");
        for (int argument = 0; argument < reader.ArgumentCount(i); ++argument) {
            const ScriptSpan& span = layout.arguments[static_cast<std::size_t>(argument)];
            const std::size_t end = span.closed ? span.end - 1 : span.end;
            std::string value;
            for (std::size_t at = span.begin + 1; at < end; ++at) {
                const bool pair = at + 1 < end && ((text[at] == '"' && text[at + 1] == '"') ||
                                                   (text[at] == '\r' && text[at + 1] == '\n'));
                value.push_back(pair && text[at] == '\r' ? '\n' : text[at]);
                at += pair ? 1 : 0;
            }
            Check(value == reader.Argument(i, argument) &&
                      span.begin == reader.ArgumentOffset(i, argument),
                  "a layout's argument span holds the argument");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    scriptReader.Clear();
    variables.Clear();
    model.Clear();
    ResetBackgroundSettings();
    programFilesDir = "C:\\Program Files\\";
    variables.Assign("SP", "C:\\setup");
    variables.Assign("DP", programFilesDir);
    scriptReader.ScanText(raw);

    std::string marked = raw;
    for (std::size_t i = 0; i < size; ++i) {
        if (marked[i] == '\r' && (i + 1 == size || marked[i + 1] != '\n')) {
            marked[i] = kLoneCr;
        }
    }
    ScriptReader normalised;
    normalised.ScanText(NormalizeScriptBytes(marked));
    const Statements expected = Walk(normalised);
    Check(Walk(scriptReader) == expected, "ScanText of the raw bytes agrees with the normalised");

    const std::string path = PrivateFile();
    WriteFile(path, raw);
    ScriptReader fromFile;
    Check(fromFile.ReadScript(path) == 0, "an existing script file is read");
    Check(Walk(fromFile) == expected, "ReadScript agrees with ScanText of the normalised bytes");
    CheckLayouts(scriptReader);
    CheckLayouts(fromFile);

    CheckOptions options;
    options.setupDirectory = "setup";
    options.sourceExists = [](const std::string& source) { return source.size() % 2 == 0; };
    options.quietReady = true; // the checks of a quiet run too
    CheckScript(scriptReader, options);

    SilentHost host;
    Check(RunScript(host) != RunOutcome::Stopped, "nothing stops a run whose pages all go on");
    return 0;
}
