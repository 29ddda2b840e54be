// vlcheck [options] SetupScript.ini: reports what the wizard would do wrong or
// silently skip, in the form compilers use, so that editors jump to each line.
// Exit code 0 without errors, 1 with errors, 2 when the script cannot be read
// or the command line is wrong.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "authoring/check_command_line.h"
#include "authoring/diagnostics.h"
#include "authoring/script_check.h"

namespace {

bool ReadAll(FILE* file, std::string& bytes) {
    char piece[65536];
    for (std::size_t got = sizeof piece; got == sizeof piece;) {
        got = std::fread(piece, 1, sizeof piece, file);
        bytes.append(piece, got);
    }
    return std::ferror(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    CheckArguments arguments;
    std::string message;
    switch (
        ParseCheckArguments(std::vector<std::string>(argv + 1, argv + argc), arguments, message)) {
    case CheckCommand::Help:
        std::fputs(CheckUsage().c_str(), stdout);
        return 0;
    case CheckCommand::Version:
        std::printf("%s\n", kCheckVersion);
        return 0;
    case CheckCommand::Wrong:
        std::fprintf(stderr,
                     "vlcheck: %s\nusage: vlcheck [options] SetupScript.ini (vlcheck --help "
                     "lists the options)\n",
                     message.c_str());
        return 2;
    case CheckCommand::Run:
        break;
    }
    const bool standardInput = arguments.script == "-";
    const std::string name = standardInput ? "<stdin>" : arguments.script;
    std::string bytes;
    std::error_code error;
    bool read = false;
    if (standardInput) {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY); // the bytes as a file holds them
#endif
        read = ReadAll(stdin, bytes);
    } else if (!std::filesystem::is_directory(arguments.script, error)) {
        if (FILE* file = std::fopen(arguments.script.c_str(), "rb")) {
            read = ReadAll(file, bytes);
            std::fclose(file);
        }
    }
    if (!read) {
        std::fprintf(stderr, "vlcheck: cannot read %s\n", name.c_str());
        return 2;
    }
    CheckOptions& options = arguments.options;
    options.setupDirectory = arguments.disks;
    if (arguments.disks.empty()) {
        const std::string folder =
            standardInput ? "" : std::filesystem::path(arguments.script).parent_path().string();
        options.setupDirectory = folder.empty() ? "." : folder;
        options.setupDirectoryGuessed = true;
    } else if (!std::filesystem::is_directory(arguments.disks, error)) {
        std::fprintf(stderr, "vlcheck: %s is no folder\n", arguments.disks.c_str());
        return 2;
    }

    const CheckReport report = CheckScriptBytes(bytes, options);
    for (const Diagnostic& diagnostic : report.diagnostics) {
        std::fputs(RenderDiagnostic(diagnostic, name).c_str(), stderr);
    }
    std::fputs(RenderSummary(report, name).c_str(), stderr);
    return report.errors != 0 ? 1 : 0;
}
