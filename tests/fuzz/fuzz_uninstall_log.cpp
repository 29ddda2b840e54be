// Arbitrary bytes as Uninstall.log, and as the record of it in the registry.
// A log the reader accepts names only absolute paths without device names, and
// written back (finished) it reads back to the same entries and key. The record
// of the bytes matches them, and no longer once one byte is changed; a record
// fed in two pieces is that of the whole; any bytes as a record never crash.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/log_record.h"
#include "engine/path_text.h"
#include "engine/uninstall_log_read.h"
#include "fuzz_support.h"

namespace {

const std::vector<std::string> kProtected = {"C:\\Windows", "C:\\Windows\\system32"};

bool IsAbsolute(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const bool drive = path.size() >= 3 &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && separator(path[2]);
    return drive || (path.size() >= 2 && separator(path[0]) && separator(path[1]));
}

bool HasDeviceComponent(const std::string& path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        if (IsDeviceName(path.substr(start, end == std::string::npos ? end : end - start))) {
            return true;
        }
        if (end == std::string::npos) {
            return false;
        }
        start = end + 1;
    }
}

bool SameEntries(const UninstallLog& a, const UninstallLog& b) {
    if (a.entries.size() != b.entries.size() || a.uninstallKey != b.uninstallKey) {
        return false;
    }
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        if (a.entries[i].path != b.entries[i].path || a.entries[i].shared != b.entries[i].shared ||
            a.entries[i].registration != b.entries[i].registration) {
            return false;
        }
    }
    return true;
}

void CheckLog(const std::string& text) {
    UninstallLog log;
    std::vector<std::string> reasons;
    const bool accepted = ReadUninstallLog(text, kProtected, log, reasons);
    Check(accepted == reasons.empty(), "a log is refused with reasons, accepted without");
    if (!accepted) {
        return;
    }
    for (const UninstallLogEntry& entry : log.entries) {
        Check(IsAbsolute(entry.path), "every accepted path is absolute");
        Check(!HasDeviceComponent(entry.path), "no accepted path names a device");
    }
    UninstallLog again;
    Check(ReadUninstallLog(UninstallLogText(log, {1, 2, 2003}), kProtected, again, reasons),
          "a log written back is accepted");
    Check(again.finished, "a log written back is finished");
    Check(SameEntries(log, again), "a log written back has the same entries and key");
}

void CheckRecord(const std::string& bytes) {
    const LogState state = LogStateOf(bytes);
    Check(LogMatchesRecord(bytes, LogRecordText(state)), "the bytes match their own record");
    LogRecorder recorder;
    const std::size_t cut = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % bytes.size();
    recorder.Append(bytes.substr(0, cut));
    recorder.Append(bytes.substr(cut));
    Check(recorder.Current().length == state.length && recorder.Current().sha256 == state.sha256,
          "the record fed in two pieces is that of the whole");
    const std::string record = LogRecordText(recorder.Previous(), recorder.Current());
    Check(LogMatchesRecord(bytes, record) && LogMatchesRecord(bytes.substr(0, cut), record),
          "both states of a two-state record match");
    if (!bytes.empty()) {
        std::string changed = bytes;
        changed[changed.size() / 2] ^= 1;
        Check(!LogMatchesRecord(changed, LogRecordText(state)), "a changed byte breaks the match");
    }
    // The bytes as a record, parsed against themselves and against the empty log.
    LogMatchesRecord(bytes, bytes);
    LogMatchesRecord(std::string(), bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckLog(bytes);
    CheckRecord(bytes);
    return 0;
}
