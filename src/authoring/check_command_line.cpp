#include "authoring/check_command_line.h"

#include <algorithm>
#include <cstdlib>

const char kCheckVersion[] = "vlcheck 1.0.0";

namespace {

bool IsWarningClass(const std::string& name) {
    return std::any_of(kWarningClasses, kWarningClasses + kWarningClassCount,
                       [&](const WarningClass& known) { return name == known.name; });
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

} // namespace

CheckCommand ParseCheckArguments(const std::vector<std::string>& arguments, CheckArguments& out,
                                 std::string& message) {
    DiagnosticPolicy& policy = out.options.policy;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // "--name VALUE" or "--name=VALUE"
        const auto value = [&](const char* name, std::string& into) {
            const std::string prefix = std::string(name) + "=";
            if (argument == name && i + 1 < arguments.size()) {
                into = arguments[++i];
                return true;
            }
            if (StartsWith(argument, prefix.c_str())) {
                into = argument.substr(prefix.size());
                return true;
            }
            return false;
        };
        std::string text;
        if (value("--disks", out.disks)) {
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            return CheckCommand::Help;
        } else if (argument == "--version") {
            return CheckCommand::Version;
        } else if (value("--max-errors", text)) {
            if (text.empty() || text.size() > 9 ||
                text.find_first_not_of("0123456789") != std::string::npos) {
                message = "--max-errors takes a count of errors, not '" + text + "'";
                return CheckCommand::Wrong;
            }
            policy.maxErrors = static_cast<std::size_t>(std::strtoul(text.c_str(), nullptr, 10));
        } else if (argument == "--quiet-ready") {
            out.options.quietReady = true;
        } else if (argument == "-Werror") {
            policy.warningsAsErrors = true;
        } else if (StartsWith(argument, "-W")) {
            const bool error = StartsWith(argument, "-Werror=");
            const bool off = StartsWith(argument, "-Wno-");
            const std::string name = argument.substr(error ? 8 : off ? 5 : 2);
            if (!IsWarningClass(name)) {
                message = "unknown warning class in '" + argument + "' (vlcheck --help lists them)";
                return CheckCommand::Wrong;
            }
            if (name == "quiet-ready") {
                out.options.quietReady = !off;
            }
            if (error) {
                policy.errorClasses.insert(name);
            } else if (off) {
                policy.disabled.insert(name);
            } else {
                policy.disabled.erase(name);
            }
        } else if (argument != "-" && StartsWith(argument, "-")) {
            message = argument == "--disks" || argument == "--max-errors"
                          ? argument + " needs a value"
                          : "unknown option '" + argument + "'";
            return CheckCommand::Wrong;
        } else if (!out.script.empty()) {
            message = "one script at a time: '" + out.script + "' and '" + argument + "'";
            return CheckCommand::Wrong;
        } else {
            out.script = argument;
        }
    }
    if (out.script.empty()) {
        message = "no script named";
        return CheckCommand::Wrong;
    }
    return CheckCommand::Run;
}

std::string CheckUsage() {
    std::string usage =
        "usage: vlcheck [options] SetupScript.ini   (- reads the script from standard input)\n"
        "Reports what VLSetup.exe would stop at or silently skip in the script, on standard\n"
        "error as compilers do. Exit code 0 without errors, 1 with errors, 2 when the script\n"
        "cannot be read or the command line is wrong.\n"
        "  --disks DIR       look up sources with [SP] standing for DIR (default: the\n"
        "                    script's folder)\n"
        "  --quiet-ready     also warn where VLSetup.exe /quiet cannot go on (-Wquiet-ready)\n"
        "  -Wname, -Wno-name switch a class of warnings on or off\n"
        "  -Werror[=name]    make warnings (of that class) errors\n"
        "  --max-errors N    stop after N errors (0: never)\n"
        "  --version, --help\n"
        "Warning classes:\n";
    for (std::size_t i = 0; i < kWarningClassCount; ++i) {
        const std::string name = kWarningClasses[i].name;
        usage += "  " + name + std::string(name.size() < 18 ? 18 - name.size() : 1, ' ') +
                 kWarningClasses[i].what + "\n";
    }
    return usage;
}
