// Arbitrary bytes as SetupScript.ini: read them as the program does, walk the
// statements and run them through the interpreter with a host that shows
// nothing and leaves every page with Next, and through vlcheck's checker.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/script_check.h"
#include "engine/interpreter.h"
#include "engine/model.h"
#include "engine/name_chars.h"
#include "engine/script_reader.h"
#include "engine/variables.h"
#include "engine/background_settings.h"
#include "fuzz_support.h"

namespace {

class SilentHost : public CommandHost {
  public:
    void ShowImmediateMessage(const std::string&, const std::string&) override {}
    void RepaintBackground() override {}
    int RunPage(PageTemplate) override { return 0; }
    void ShowSyntaxError() override {}
};

struct Walked {
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> arguments;
};

Walked Walk(const ScriptReader& reader) {
    Walked walked;
    const int count = reader.StatementCount();
    for (int index = 0; index < count; ++index) {
        std::string name;
        std::vector<std::string> arguments;
        int argumentCount = -1;
        Check(reader.GetStatement(index, name, arguments, argumentCount) == 0,
              "a statement in range can be fetched");
        Check(!name.empty(), "a statement name is never empty");
        for (const char c : name) {
            Check(IsNameCharacter(static_cast<unsigned char>(c)),
                  "a statement name holds name characters only");
        }
        Check(argumentCount == static_cast<int>(arguments.size()),
              "the argument count matches the arguments");
        walked.names.push_back(name);
        walked.arguments.push_back(arguments);
    }
    return walked;
}

// Every statement's position names the first byte of its name, every
// argument's position its opening quote.
void CheckPositions(const ScriptReader& reader, const std::string& text) {
    std::vector<std::size_t> lineStarts = {0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lineStarts.push_back(i + 1);
        }
    }
    const auto at = [&](ScriptPosition position) {
        Check(position.line >= 1 && position.line <= lineStarts.size() && position.column >= 1,
              "a position lies in the text");
        const std::size_t offset = lineStarts[position.line - 1] + position.column - 1;
        Check(offset < text.size(), "a position lies in the text");
        return text[offset];
    };
    for (int i = 0; i < reader.StatementCount(); ++i) {
        Check(at(reader.StatementPosition(i)) == reader.StatementName(i)[0],
              "a statement's position is its name's first byte");
        for (int a = 0; a < reader.ArgumentCount(i); ++a) {
            Check(at(reader.ArgumentPosition(i, a)) == '"', "an argument's position is its quote");
        }
    }
}

void CheckChecker(const ScriptReader& reader) {
    CheckOptions options;
    options.setupDirectory = "setup";
    options.sourceExists = [](const std::string& path) { return path.size() % 2 == 0; };
    options.maxKept = 50;
    const CheckReport report = CheckScript(reader, options);
    Check(report.diagnostics.size() <= options.maxKept &&
              report.diagnostics.size() <= report.errors + report.warnings,
          "the checker keeps at most its limit of what it counts");
    for (std::size_t i = 0; i < report.diagnostics.size(); ++i) {
        const ScriptPosition p = report.diagnostics[i].position;
        Check(p.line >= 1 && p.column >= 1, "every diagnostic has a position");
        Check(i == 0 || report.diagnostics[i - 1].position.line <= p.line,
              "diagnostics come in line order");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);

    const std::string text = NormalizeScriptBytes(raw);
    Check(text.size() <= raw.size(), "normalising never adds bytes");
    Check(text.find('\x1A') == std::string::npos, "the scanned text holds no Ctrl-Z");

    scriptReader.Clear();
    variables.Clear();
    model.Clear();
    ResetBackgroundSettings();
    programFilesDir = "C:\\Program Files\\";
    variables.Assign("SP", "C:\\setup");
    variables.Assign("DP", programFilesDir);

    scriptReader.ScanText(text);
    const Walked scanned = Walk(scriptReader);
    CheckPositions(scriptReader, text);
    CheckChecker(scriptReader);

    // Reading the file gives the same statements as scanning its normalised text.
    ScriptReader fromFile;
    static const std::string path = PrivateFile("SetupScript.ini");
    WriteFile(path, raw);
    Check(fromFile.ReadScript(path) == 0, "an existing script file is read");
    const Walked read = Walk(fromFile);
    Check(read.names == scanned.names && read.arguments == scanned.arguments,
          "ReadScript agrees with ScanText of the normalised bytes");

    SilentHost host;
    const RunOutcome outcome = RunScript(host);
    Check(outcome != RunOutcome::Stopped, "nothing stops a run whose pages all go on");
    const std::size_t statements = scanned.names.size();
    Check(model.sections.size() + model.files.size() + model.windows.size() +
                  model.deferredStatements.size() <=
              statements,
          "each statement makes at most one record");
    return 0;
}
