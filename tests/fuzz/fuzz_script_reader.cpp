// Arbitrary bytes as SetupScript.ini: read from a file as start-up reads them,
// they give the statements that scanning their normalised text gives; run by
// the interpreter with a host that shows nothing and leaves every page with
// Next, and checked by vlcheck's checker, they never crash or stop the run.

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

Statements Walk(const ScriptReader& reader) {
    Statements walked(static_cast<std::size_t>(reader.StatementCount()));
    for (std::size_t i = 0; i < walked.size(); ++i) {
        int count = -1;
        Check(reader.GetStatement(static_cast<int>(i), walked[i].first, walked[i].second, count) ==
                      0 &&
                  !walked[i].first.empty(),
              "every statement in range has a name");
    }
    return walked;
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
    scriptReader.ScanText(NormalizeScriptBytes(raw));

    const std::string path = PrivateFile();
    WriteFile(path, raw);
    ScriptReader fromFile;
    Check(fromFile.ReadScript(path) == 0, "an existing script file is read");
    Check(Walk(fromFile) == Walk(scriptReader),
          "ReadScript agrees with ScanText of the normalised bytes");

    CheckOptions options;
    options.setupDirectory = "setup";
    options.sourceExists = [](const std::string& source) { return source.size() % 2 == 0; };
    CheckScript(scriptReader, options);

    SilentHost host;
    Check(RunScript(host) != RunOutcome::Stopped, "nothing stops a run whose pages all go on");
    return 0;
}
