#pragma once

#include <string>

// The texts of Uninstall.log, which the separate uninstaller reads. Every text
// ends its lines with "\n"; the log stream is opened in text mode, so on disk
// each line ends with CR LF (see ToCrLf).

// A local calendar date as the header shows it.
struct LogDate {
    int month = 1;
    int day = 1;
    int year = 2000;
};

// Today's date in local time.
LogDate TodaysLocalDate();

// The header up to and including "[FILES]", with the date line
// "DATE:month/day/year" without leading zeros.
std::string UninstallLogHeader(const LogDate& date);

// A file installed to the script's destination: the short (8.3) directory and
// name, then NONSHARED.
std::string NonSharedLogEntry(const std::string& shortDirectory, const std::string& shortName);

// A file installed under the version rules for shared files: the directory the
// version service chose and the destination name, then SHARED.
std::string SharedLogEntry(const std::string& directory, const std::string& name);

// The line after a shared entry whose file loaded as a library: AUTOREGSVR when
// it exports DllRegisterServer, NOAUTOREGSVR when it does not.
std::string RegistrationLogLine(bool exportsRegisterServer);

// A program-group shortcut: the full path of its .lnk file, then NONSHARED.
std::string ShortcutLogEntry(const std::string& linkPath);

// The closing part: "[REGISTRY]" and the application's uninstall key path, or
// "[REGISTRY]" alone when there is no application name and so no key.
std::string RegistryLogPart(const std::string& appName);

// The bytes that a text-mode stream stores for `text`: each "\n" becomes CR LF.
std::string ToCrLf(const std::string& text);
