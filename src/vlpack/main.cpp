// vlpack --disk-size SIZE [options] SOURCE_DIR OUT_DIR: lays an application's
// files out on numbered disk folders and prints the AddFile lines that
// install them (or writes a complete starter script). Messages go to the
// standard error, so that the lines can be redirected.

#include <cstdio>
#include <string>
#include <vector>

#include "authoring/disk_writer.h"
#include "authoring/pack_command_line.h"

int main(int argc, char** argv) {
    PackOptions options;
    std::string message;
    switch (ParsePackArguments(std::vector<std::string>(argv + 1, argv + argc), options, message)) {
    case PackCommand::Help:
        std::fputs(kPackUsage, stdout);
        return 0;
    case PackCommand::Wrong:
        std::fprintf(stderr, "vlpack: %s\n%.*svlpack --help lists the options\n", message.c_str(),
                     static_cast<int>(std::string(kPackUsage).find("Lays")), kPackUsage);
        return 2;
    case PackCommand::Run:
        break;
    }

    std::string lines;
    PackReport report;
    const int result = PackDisks(options, lines, report);
    for (const std::string& warning : report.warnings) {
        std::fprintf(stderr, "vlpack: warning: %s\n", warning.c_str());
    }
    for (const std::string& error : report.errors) {
        std::fprintf(stderr, "vlpack: error: %s\n", error.c_str());
    }
    if (result != 0) {
        return result;
    }
    if (options.scriptOut.empty()) {
        std::fputs(lines.c_str(), stdout);
    }
    std::fputs(PackSummary(options, report).c_str(), stderr);
    return 0;
}
