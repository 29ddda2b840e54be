#include "engine/uninstall_entry.h"

std::string UninstallKeyPath(const std::string& appName) {
    if (appName.empty()) {
        return std::string();
    }
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appName;
}

std::string FileInInstallDirectory(const std::string& installDirectory, const std::string& name) {
    if (!installDirectory.empty() && installDirectory.back() == '\\') {
        return installDirectory + name;
    }
    return installDirectory + "\\" + name;
}

std::string UninstallCommand(const std::string& installDirectory) {
    return "\"" + FileInInstallDirectory(installDirectory, "VLUninstall.exe") + "\"";
}
