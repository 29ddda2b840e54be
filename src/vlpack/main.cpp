// vlpack --disk-size SIZE [options] SOURCE_DIR OUT_DIR: lays an application's
// files out on numbered disk folders and prints the AddFile lines that
// install them (or writes a complete starter script).

#include <cstdio>
#include <string>

#include "authoring/disk_layout.h"
#include "authoring/disk_writer.h"

namespace {

int Usage() {
    std::fprintf(
        stderr,
        "usage: vlpack --disk-size SIZE [--compress] [--script-out FILE] [--with-setup DIR]\n"
        "              [--section NAME] [--force] SOURCE_DIR OUT_DIR\n"
        "  --disk-size SIZE  bytes per disk: 1.44M, 650M, 720K, a byte count, 0 for one disk\n"
        "  --compress        store files in the SZDD form where that is smaller\n"
        "  --script-out FILE write a complete starter script instead of printing AddFile lines\n"
        "  --with-setup DIR  put VLSetup.exe, VLUninstall.exe (if there) and the starter\n"
        "                    script beside disk1, counted on disk 1\n"
        "  --section NAME    the section of the files (default Program)\n"
        "  --force           replace the disks of an earlier run in OUT_DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    PackOptions options;
    bool sized = false;
    std::string positional[2];
    int positionals = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--disk-size" && hasValue) {
            sized = ParseDiskSize(argv[++i], options.diskSize);
            if (!sized) {
                std::fprintf(stderr, "vlpack: %s is no disk size\n", argv[i]);
                return 2;
            }
        } else if (argument == "--compress") {
            options.compress = true;
        } else if (argument == "--force") {
            options.force = true;
        } else if (argument == "--script-out" && hasValue) {
            options.scriptOut = argv[++i];
        } else if (argument == "--with-setup" && hasValue) {
            options.setupDirectory = argv[++i];
        } else if (argument == "--section" && hasValue) {
            options.section = argv[++i];
        } else if (argument.empty() || argument[0] == '-' || positionals == 2) {
            return Usage();
        } else {
            positional[positionals++] = argument;
        }
    }
    if (!sized || positionals != 2) {
        return Usage();
    }
    options.sourceDirectory = positional[0];
    options.outputDirectory = positional[1];

    std::string lines;
    std::string error;
    const int result = PackDisks(options, lines, error);
    if (result != 0) {
        std::fprintf(stderr, "vlpack: %s\n", error.c_str());
        return result;
    }
    if (options.scriptOut.empty()) {
        std::fputs(lines.c_str(), stdout);
    }
    return 0;
}
