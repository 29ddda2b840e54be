#include "engine/uninstall_log_text.h"

#include <ctime>

#include "engine/uninstall_entry.h"

LogDate TodaysLocalDate() {
    const std::time_t now = std::time(nullptr);
    LogDate date;
    // One thread only, so the shared result of localtime is safe here.
    if (const std::tm* local = std::localtime(&now)) {
        date.month = local->tm_mon + 1;
        date.day = local->tm_mday;
        date.year = local->tm_year + 1900;
    }
    return date;
}

std::string UninstallLogHeader(const LogDate& date) {
    return "QLUNLOG V1\n\n"
           "QUENLO UNINSTALLATION LOG FILE\n\n"
           "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!\n"
           "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!\n"
           "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR SYSTEM, YOU\n"
           "COULD BE UNABLE TO RESTART WINDOWS\n\n"
           "DATE:" +
           std::to_string(date.month) + "/" + std::to_string(date.day) + "/" +
           std::to_string(date.year) + "\n[FILES]\n";
}

std::string NonSharedLogEntry(const std::string& shortDirectory, const std::string& shortName) {
    return shortDirectory + "\\" + shortName + "\nNONSHARED\n";
}

std::string SharedLogEntry(const std::string& directory, const std::string& name) {
    return directory + "\\" + name + "\nSHARED\n";
}

std::string RegistrationLogLine(bool exportsRegisterServer) {
    return exportsRegisterServer ? "AUTOREGSVR\n" : "NOAUTOREGSVR\n";
}

std::string ShortcutLogEntry(const std::string& linkPath) {
    return linkPath + "\nNONSHARED\n";
}

std::string RegistryLogPart(const std::string& appName) {
    const std::string keyPath = UninstallKeyPath(appName);
    return keyPath.empty() ? "[REGISTRY]\n" : "[REGISTRY]\n" + keyPath + "\n";
}

std::string ToCrLf(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return bytes;
}
