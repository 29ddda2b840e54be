// vlcheck [--disks DIR] [--quiet-ready] SetupScript.ini: reports what the
// wizard would do wrong or silently skip, in the form compilers use, so that
// editors jump to each line. Exit code 0 without errors, 1 with errors, 2 when
// the script cannot be read.

#include <cstdio>
#include <filesystem>
#include <string>

#include "authoring/script_check.h"
#include "engine/script_reader.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: vlcheck [--disks DIR] [--quiet-ready] SetupScript.ini\n"
                         "  --disks DIR    look up sources with [SP] standing for DIR (default: "
                         "the script's folder)\n"
                         "  --quiet-ready  also warn where VLSetup.exe /quiet cannot go on\n");
    return 2;
}

const char* Plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

} // namespace

int main(int argc, char** argv) {
    std::string disks;
    std::string script;
    bool quietReady = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--disks" && i + 1 < argc) {
            disks = argv[++i];
        } else if (argument == "--quiet-ready") {
            quietReady = true;
        } else if (argument.empty() || argument[0] == '-' || !script.empty()) {
            return Usage();
        } else {
            script = argument;
        }
    }
    if (script.empty()) {
        return Usage();
    }
    std::error_code error;
    ScriptReader reader;
    if (std::filesystem::is_directory(script, error) || reader.ReadScript(script) != 0) {
        std::fprintf(stderr, "vlcheck: cannot read %s\n", script.c_str());
        return 2;
    }
    CheckOptions options;
    options.setupDirectory = disks;
    options.quietReady = quietReady;
    if (disks.empty()) {
        options.setupDirectory = std::filesystem::path(script).parent_path().string();
        options.setupDirectory = options.setupDirectory.empty() ? "." : options.setupDirectory;
    } else if (!std::filesystem::is_directory(disks, error)) {
        std::fprintf(stderr, "vlcheck: %s is no folder\n", disks.c_str());
        return 2;
    }

    const CheckReport report = CheckScript(reader, options);
    for (const Diagnostic& diagnostic : report.diagnostics) {
        std::printf("%s:%u:%u: %s: %s\n", script.c_str(), diagnostic.position.line,
                    diagnostic.position.column,
                    diagnostic.severity == Severity::Error     ? "error"
                    : diagnostic.severity == Severity::Warning ? "warning"
                                                               : "note",
                    diagnostic.message.c_str());
    }
    const std::size_t total = report.errors + report.warnings + report.notes;
    if (total > report.diagnostics.size()) {
        std::printf("%s: %zu more not shown\n", script.c_str(), total - report.diagnostics.size());
    }
    std::printf("%s: %zu error%s, %zu warning%s", script.c_str(), report.errors,
                Plural(report.errors), report.warnings, Plural(report.warnings));
    if (report.notes != 0) {
        std::printf(", %zu note%s", report.notes, Plural(report.notes));
    }
    std::printf("\n");
    return report.errors != 0 ? 1 : 0;
}
