#pragma once

#include <cstdint>
#include <string>

#include "engine/sha256.h"

// What the application's Uninstall key records about Uninstall.log, so that
// the uninstaller trusts a log only when it is the one the setup wrote. The
// setup writes the record with the log's new state before it appends to the
// file: a process killed between the two still leaves a log that matches one
// of the record's states.

// The REG_SZ value of the application's Uninstall key that holds the record;
// written by the setup, read by the uninstaller.
constexpr char kLogRecordValue[] = "UninstallLogRecord";

// A log's length in bytes and its SHA-256 in lowercase hex.
struct LogState {
    std::uint64_t length = 0;
    std::string sha256;
};

// The state of a log as it is written, piece by piece.
class LogRecorder {
  public:
    // Back to an empty log.
    void Reset();
    void Append(const std::string& bytes);
    LogState Current() const;
    // The state before the last Append; the empty log's before any.
    LogState Previous() const;

  private:
    Sha256 hash_;
    std::uint64_t length_ = 0;
    LogState previous_ = {0, Sha256().HexDigest()};
};

// "LENGTH SHA256HEX;LENGTH SHA256HEX", the previous state first: the record
// written before the file grows from `previous` to `current`.
std::string LogRecordText(const LogState& previous, const LogState& current);

// "LENGTH SHA256HEX": the record of a log written whole.
std::string LogRecordText(const LogState& state);

LogState LogStateOf(const std::string& bytes);

// Whether `recordText` is a record of one or two states, each a decimal length
// and 64 lowercase hex digits, and `logBytes` has the length and SHA-256 of one
// of them. Anything malformed matches nothing. The text is taken as it is: the
// caller drops the terminating NUL of the registry value.
bool LogMatchesRecord(const std::string& logBytes, const std::string& recordText);

// Whether the registered uninstall command is exactly the quoted absolute path
// of `uninstallerPath` ("C:\Dir\VLUninstall.exe" in quotes, nothing more; see
// UninstallCommand), compared as ComparablePath does. An unquoted command, one
// with arguments or one that names another file is not the uninstaller's.
bool CommandNamesUninstaller(const std::string& uninstallString,
                             const std::string& uninstallerPath);
