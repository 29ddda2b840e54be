#include "install/uninstall_log.h"

std::ofstream uninstallLog;

bool OpenUninstallLog(const std::string& path) {
    uninstallLog.open(path, std::ios::out | std::ios::trunc);
    return uninstallLog.is_open();
}

void WriteUninstallLog(const std::string& text) {
    if (uninstallLog.is_open()) {
        uninstallLog.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

void CloseUninstallLog() {
    if (uninstallLog.is_open()) {
        uninstallLog.close();
    }
}
