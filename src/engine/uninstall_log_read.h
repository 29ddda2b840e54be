#pragma once

#include <string>
#include <vector>

#include "engine/uninstall_log_text.h"

// Reading Uninstall.log back, for the uninstaller and for taking back an
// installation that was stopped. A log is read whole and checked before
// anything is removed: one that was damaged or written by someone else is
// refused with the reasons, never half carried out.

// What the line after a shared entry's SHARED said about the file.
enum class SelfRegistration {
    NotLoadable, // no such line: the file did not load as a library
    Registered,  // AUTOREGSVR: it exports DllRegisterServer and was asked to register
    NoExport,    // NOAUTOREGSVR
};

// One installed file or shortcut, with its path as the setup logged it.
struct UninstallLogEntry {
    std::string path;
    bool shared = false;
    SelfRegistration registration = SelfRegistration::NotLoadable; // shared entries only
};

struct UninstallLog {
    std::vector<UninstallLogEntry> entries; // in the order they were installed
    // Relative to HKEY_LOCAL_MACHINE; empty when the setup registered no key
    // (it had no application name).
    std::string uninstallKey;
    // False for the log of a run that never finished: it ends after a whole
    // entry (or right after [FILES]) and has no registry part, so no key.
    bool finished = true;
};

// Reads a log with CR LF or LF line ends into `log`. A log that stops after a
// whole entry or right after [FILES] is read as unfinished (see
// UninstallLog::finished). Returns false, with one reason a line (each naming
// the log's line), when the log is refused: its first line is not
// "QLUNLOG V1"; its last line has no line end (it was cut); it ends inside an
// entry or is out of order; an entry is not an absolute drive or network path
// of a file, has a component that names a device (IsDeviceName), or is one of
// `protectedDirectories` (compared as ComparablePath does); or the registry
// part names anything but a key of its own below the shared Uninstall key.
bool ReadUninstallLog(const std::string& text, const std::vector<std::string>& protectedDirectories,
                      UninstallLog& log, std::vector<std::string>& reasons);

// The application's name in an uninstall key: its last component.
std::string UninstallKeyName(const std::string& keyPath);

// `path` in one form for comparing: "/" read as "\", doubled separators, "."
// and ".." taken out as the file system does, no trailing separator, ASCII
// letters in capitals. Short (8.3) names are not resolved here.
std::string ComparablePath(const std::string& path);

// The log that lists `log` as the setup writes it, with "\n" line ends (see
// ToCrLf), always finished (with its registry part): what is left of an
// installation after a removal that could not remove everything.
std::string UninstallLogText(const UninstallLog& log, const LogDate& date);
