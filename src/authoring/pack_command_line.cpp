#include "authoring/pack_command_line.h"

const char kPackUsage[] =
    "usage: vlpack --disk-size SIZE [--cluster-size BYTES] [--compress] [--with-setup DIR]\n"
    "              [--script-out FILE] [--section NAME] [--follow-links] [--force]\n"
    "              SOURCE_DIR OUT_DIR\n"
    "Lays the files of SOURCE_DIR out on OUT_DIR/disk1, disk2, ... and prints the AddFile\n"
    "lines that install them.\n"
    "  --disk-size SIZE      a medium: 1.44M, 1.2M, 720K, 2.88M (formatted floppies), 650M,\n"
    "                        700M (CDs); or a byte count with or without K, M or G (units of\n"
    "                        1024) in clusters of 512 bytes; or 0 for one disk of any size\n"
    "  --cluster-size BYTES  the clusters of a byte count's medium, a power of two\n"
    "  --compress            store files in the SZDD form where that is smaller\n"
    "  --with-setup DIR      put VLSetup.exe, VLUninstall.exe and a starter script\n"
    "                        (SetupScript.ini) beside disk1, counted on disk 1\n"
    "  --script-out FILE     also write the starter script to FILE (needs --with-setup)\n"
    "  --section NAME        the section of the files (default Program)\n"
    "  --follow-links        pack what symbolic links point to; without it they are refused\n"
    "  --force               replace the disks of an earlier run in OUT_DIR\n"
    "  --help                this text\n"
    "Exit codes: 0 packed, 1 refused or failed (the messages say why), 2 a wrong command line.\n";

PackCommand ParsePackArguments(const std::vector<std::string>& arguments, PackOptions& options,
                               std::string& message) {
    std::string diskSize;
    std::string clusterSize;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string* value = argument == "--disk-size"      ? &diskSize
                             : argument == "--cluster-size" ? &clusterSize
                             : argument == "--script-out"   ? &options.scriptOut
                             : argument == "--with-setup"   ? &options.setupDirectory
                             : argument == "--section"      ? &options.section
                                                            : nullptr;
        if (value != nullptr && i + 1 == arguments.size()) {
            message = argument + " needs a value";
            return PackCommand::Wrong;
        }
        if (value != nullptr) {
            *value = arguments[++i];
        } else if (argument == "--help" || argument == "-h" || argument == "-?") {
            return PackCommand::Help;
        } else if (argument == "--compress" || argument == "--force" ||
                   argument == "--follow-links") {
            bool& flag = argument == "--compress" ? options.compress
                         : argument == "--force"  ? options.force
                                                  : options.followLinks;
            flag = true;
        } else if (!argument.empty() && argument[0] == '-') {
            message = "unknown option '" + argument + "'";
            return PackCommand::Wrong;
        } else {
            folders.push_back(argument);
        }
    }
    if (folders.size() != 2) {
        message = folders.size() < 2
                      ? "SOURCE_DIR and OUT_DIR are needed"
                      : "one SOURCE_DIR and one OUT_DIR, not also '" + folders[2] + "'";
        return PackCommand::Wrong;
    }
    options.sourceDirectory = folders[0];
    options.outputDirectory = folders[1];
    uint32_t cluster = 0;
    if (!clusterSize.empty()) {
        for (uint32_t power = 1; power <= 65536 && cluster == 0; power *= 2) {
            cluster = clusterSize == std::to_string(power) ? power : 0;
        }
        if (cluster == 0) {
            message = "'" + clusterSize + "' is no cluster size: a power of two from 1 to 65536";
            return PackCommand::Wrong;
        }
    }
    if (diskSize.empty()) {
        message = "--disk-size is needed (0 for one disk of any size)";
        return PackCommand::Wrong;
    }
    if (!ParseMedium(diskSize, cluster, options.medium, message)) {
        return PackCommand::Wrong;
    }
    if (!options.scriptOut.empty() && options.setupDirectory.empty()) {
        message = "--script-out needs --with-setup DIR: a starter script installs "
                  "VLUninstall.exe from disk 1, which must keep room for it and VLSetup.exe";
        return PackCommand::Wrong;
    }
    return PackCommand::Run;
}

std::string PackSummary(const PackOptions& options, const PackReport& report) {
    std::string text = "vlpack: " + std::to_string(report.files) + " files of " +
                       std::to_string(report.sourceBytes) + " bytes on " +
                       std::to_string(report.disks) + (report.disks == 1 ? " disk" : " disks") +
                       " in " + options.outputDirectory + " (" +
                       std::to_string(report.storedBytes) + " bytes as stored; " +
                       std::to_string(report.compressedFiles) + " compressed, " +
                       std::to_string(report.splitFiles) + " split)\n";
    if (!options.setupDirectory.empty()) {
        text += "vlpack: check the script with: vlcheck " + options.outputDirectory +
                "/SetupScript.ini\n";
    }
    if (!options.scriptOut.empty()) {
        text += "vlpack: check " + options.scriptOut + " with: vlcheck --disks " +
                options.outputDirectory + " " + options.scriptOut + "\n";
    }
    return text;
}
