#include "engine/command_line.h"
#include "engine/path_text.h"

#include <cstddef>

namespace {

struct Argument {
    std::string written; // as it stands on the command line, quotes and all
    std::string value;   // quotes removed
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits at blanks outside quotes. The program's path is the first argument.
std::vector<Argument> SplitArguments(const std::string& line) {
    std::vector<Argument> arguments;
    bool quoted = false;
    bool inArgument = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (!quoted && IsBlank(c)) {
            inArgument = false;
            continue;
        }
        if (!inArgument) {
            arguments.emplace_back();
            inArgument = true;
        }
        Argument& argument = arguments.back();
        argument.written += c;
        if (c != '"') {
            argument.value += c;
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
            argument.written += '"';
            argument.value += '"';
            ++i;
        } else {
            quoted = !quoted;
        }
    }
    return arguments;
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::vector<std::string> SectionNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = list.find(',', from);
        const std::string name = Trimmed(list.substr(from, comma - from));
        if (!name.empty()) {
            names.push_back(name);
        }
        if (comma == std::string::npos) {
            return names;
        }
        from = comma + 1;
    }
}

// Takes one argument that starts with '/' or '-'; false when it names no switch.
bool TakeSwitch(const Argument& argument, CommandLine& parsed) {
    const std::string& text = argument.value;
    const std::size_t equals = text.find('=');
    const bool hasValue = equals != std::string::npos;
    const std::string name = LowerAscii(text.substr(1, hasValue ? equals - 1 : equals));
    const std::string value = hasValue ? text.substr(equals + 1) : std::string();

    bool* given = nullptr;
    std::string* target = nullptr;
    if (name == "quiet") {
        given = &parsed.quiet;
    } else if (name == "?") {
        given = &parsed.help;
    } else if (name == "dir") {
        given = &parsed.hasDir;
        target = &parsed.dir;
    } else if (name == "group") {
        given = &parsed.hasGroup;
        target = &parsed.group;
    } else if (name == "log") {
        given = &parsed.hasLog;
        target = &parsed.logPath;
    } else if (name == "sections") {
        given = &parsed.hasSections;
    } else {
        return false;
    }

    const std::string shown = "/" + name;
    const bool takesValue = name != "quiet" && name != "?";
    if (*given) {
        parsed.faults.push_back(shown + " is given twice: " + argument.written);
    } else if (!takesValue && hasValue) {
        parsed.faults.push_back(shown + " takes no value: " + argument.written);
    } else if (takesValue && (!hasValue || (target != nullptr && value.empty()))) {
        // An empty /sections= is a choice (none of the optional); an empty path is not.
        parsed.faults.push_back(shown +
                                (target != nullptr ? " needs a value: " : " needs =NAME,...: ") +
                                argument.written);
    } else {
        *given = true;
        if (target != nullptr) {
            *target = value;
        } else if (takesValue) {
            parsed.sections = SectionNames(value);
        }
    }
    return true;
}

const char kSwitchForms[] = "Switches may start with - as well, in any case. Quote a value\n"
                            "with blanks: /log=\"C:\\My Logs\\run.log\".\n";

} // namespace

CommandLine ParseCommandLine(const std::string& commandLine) {
    CommandLine parsed;
    const std::vector<Argument> arguments = SplitArguments(commandLine);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const Argument& argument = arguments[i];
        const char first = argument.value.empty() ? '\0' : argument.value[0];
        if ((first != '/' && first != '-') || !TakeSwitch(argument, parsed)) {
            parsed.unknown.push_back(argument.written);
        }
    }
    return parsed;
}

std::string SetupUsageText() {
    return std::string(
               "Usage: VLSetup.exe [/quiet] [/dir=PATH] [/sections=NAME,...] [/group=NAME]\n"
               "                   [/log=FILE] [/?]\n"
               "  /quiet              installs without pages or questions; stops where a\n"
               "                      page would wait for a person\n"
               "  /dir=PATH           the installation directory (quiet runs)\n"
               "  /sections=NAME,...  the optional sections to install (quiet runs);\n"
               "                      /sections= installs none of them\n"
               "  /group=NAME         the program group of the shortcuts (quiet runs)\n"
               "  /log=FILE           writes what the setup does to FILE\n"
               "  /?                  shows this text\n") +
           kSwitchForms +
           "Exit codes:\n"
           "  0     done, or the user cancelled\n"
           "  3010  done; Windows must restart to finish\n"
           "  1603  failed: a page needs a person, or the copy stopped and was taken back\n"
           "  1618  another setup is running; nothing changed\n"
           "  1639  a quiet run's command line is invalid; nothing changed\n"
           "  1, 2  no SetupScript.ini, or a syntax error in it\n";
}

std::string UninstallUsageText() {
    return std::string("Usage: VLUninstall.exe [/quiet] [/log=FILE] [/?]\n"
                       "  /quiet     removes the application without questions\n"
                       "  /log=FILE  writes what the uninstaller does to FILE\n"
                       "  /?         shows this text\n") +
           kSwitchForms +
           "Exit codes:\n"
           "  0     everything is removed\n"
           "  3010  done; what is in use goes when Windows restarts\n"
           "  1     something stays, also when the answer was No (the log keeps it)\n"
           "  2     the uninstall log is refused; nothing changed\n"
           "  1639  a quiet run's command line is invalid; nothing changed\n";
}
