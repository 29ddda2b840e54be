// Arbitrary bytes as the command line of VLSetup.exe: parsed, they never crash;
// a value holds a quote only where "" was written; values without quotes,
// written back quoted, parse to the same switches; and an unknown argument
// alone on a command line is the same unknown argument.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/command_line.h"
#include "fuzz_support.h"

namespace {

std::vector<std::string> Values(const CommandLine& c) {
    std::vector<std::string> values = c.sections;
    values.insert(values.end(), {c.dir, c.group, c.logPath});
    return values;
}

bool SameSwitches(const CommandLine& a, const CommandLine& b) {
    return a.quiet == b.quiet && a.help == b.help && a.hasDir == b.hasDir && a.dir == b.dir &&
           a.hasSections == b.hasSections && a.sections == b.sections && a.hasGroup == b.hasGroup &&
           a.group == b.group && a.hasLog == b.hasLog && a.logPath == b.logPath;
}

std::string Requoted(const CommandLine& c) {
    std::string line = "\"C:\\Program Files\\VLSetup.exe\"";
    line += c.quiet ? " /quiet" : "";
    line += c.help ? " -?" : "";
    line += c.hasDir ? " /dir=\"" + c.dir + "\"" : "";
    line += c.hasGroup ? " /GROUP=\"" + c.group + "\"" : "";
    line += c.hasLog ? " \"/log=" + c.logPath + "\"" : "";
    if (c.hasSections) {
        line += " /sections=\"";
        for (std::size_t i = 0; i < c.sections.size(); ++i) {
            line += (i == 0 ? "" : ",") + c.sections[i];
        }
        line += "\"";
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const CommandLine parsed = ParseCommandLine(line);

    bool quoteInValues = false;
    for (const std::string& value : Values(parsed)) {
        quoteInValues = quoteInValues || value.find('"') != std::string::npos;
    }
    Check(!quoteInValues || line.find("\"\"") != std::string::npos,
          "a value holds a quote only where \"\" was written");

    if (!quoteInValues) {
        const CommandLine again = ParseCommandLine(Requoted(parsed));
        Check(SameSwitches(again, parsed) && again.unknown.empty() && again.faults.empty(),
              "values written back quoted parse to the same switches");
    }

    for (const std::string& argument : parsed.unknown) {
        const CommandLine alone = ParseCommandLine("p " + argument);
        Check(alone.unknown == std::vector<std::string>{argument} && alone.faults.empty(),
              "an unknown argument on its own is the same unknown argument");
    }
    return 0;
}
