#include "engine/uninstall_log_read.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "engine/uninstall_entry.h"
#include "engine/uninstall_log_text.h"

const std::vector<std::string> kProtected = {"C:\\WINDOWS", "C:\\WINDOWS\\system32"};

std::string GoldenLogText() {
    return UninstallLogHeader({7, 9, 1999}) + NonSharedLogEntry("C:\\PROGRA~1\\Demo", "FIRST.EXE") +
           ShortcutLogEntry("C:\\Programs\\Demo\\First.lnk") +
           SharedLogEntry("C:\\windows\\system32", "server.dll") + RegistrationLogLine(true) +
           SharedLogEntry("C:\\windows", "plain.dll") + RegistrationLogLine(false) +
           SharedLogEntry("\\\\host\\share\\lib", "data.bin") + RegistryLogPart("Demo");
}

// The one place that pins the header; other tests compare what follows [FILES]. What is left
// after a partial removal is written back in the same form.
TEST(UninstallLog, GoldenLogIsReadBackWithEitherLineEndAndWrittenAgainAlike) {
    const std::string text = GoldenLogText();
    EXPECT_EQ(ToCrLf(text), "QLUNLOG V1\r\n\r\nQUENLO UNINSTALLATION LOG FILE\r\n\r\n"
                            "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!\r\n"
                            "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!\r\n"
                            "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR SYSTEM, YOU\r\n"
                            "COULD BE UNABLE TO RESTART WINDOWS\r\n\r\n"
                            "DATE:7/9/1999\r\n[FILES]\r\n"
                            "C:\\PROGRA~1\\Demo\\FIRST.EXE\r\nNONSHARED\r\n"
                            "C:\\Programs\\Demo\\First.lnk\r\nNONSHARED\r\n"
                            "C:\\windows\\system32\\server.dll\r\nSHARED\r\nAUTOREGSVR\r\n"
                            "C:\\windows\\plain.dll\r\nSHARED\r\nNOAUTOREGSVR\r\n"
                            "\\\\host\\share\\lib\\data.bin\r\nSHARED\r\n"
                            "[REGISTRY]\r\n"
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\r\n");
    for (const std::string& form : {ToCrLf(text), text}) {
        UninstallLog log;
        std::vector<std::string> reasons;
        ASSERT_TRUE(ReadUninstallLog(form, kProtected, log, reasons));
        EXPECT_TRUE(log.finished);
        ASSERT_EQ(log.entries.size(), 5u);
        EXPECT_EQ(log.entries[2].registration, SelfRegistration::Registered);
        EXPECT_EQ(log.entries[3].registration, SelfRegistration::NoExport);
        EXPECT_TRUE(log.entries[4].shared);
        EXPECT_EQ(log.entries[4].registration, SelfRegistration::NotLoadable);
        EXPECT_EQ(UninstallKeyName(log.uninstallKey), "Demo");
        EXPECT_EQ(UninstallLogText(log, {7, 9, 1999}), text);
    }
}

// A run killed between two writes leaves the log cut after a line: read up to its last whole
// entry. Cut anywhere else (inside a line, between CR and LF, after a path) it is refused.
TEST(UninstallLogRead, LogCutAfterAWholeEntryIsUnfinishedAndCutElsewhereIsRefused) {
    const std::string full = ToCrLf(GoldenLogText());
    UninstallLog whole;
    std::vector<std::string> reasons;
    ASSERT_TRUE(ReadUninstallLog(full, kProtected, whole, reasons));
    // Entries read after each line end from [FILES] on; -1: refused. The last two are finished.
    const int entriesAtLineEnd[] = {0, -1, 1, -1, 2, -1, 3, 3, -1, 4, 4, -1, 5, 5, 5};
    std::size_t lineEnd = 0;
    for (std::size_t size = full.find("[FILES]\r\n") + 9; size <= full.size(); ++size) {
        const bool atLineEnd = full[size - 1] == '\n';
        const int expected = atLineEnd ? entriesAtLineEnd[lineEnd++] : -1;
        UninstallLog log;
        ASSERT_EQ(ReadUninstallLog(full.substr(0, size), kProtected, log, reasons), expected >= 0)
            << size;
        EXPECT_EQ(reasons.empty(), expected >= 0) << size;
        if (expected < 0) {
            continue;
        }
        EXPECT_EQ(log.finished, size > full.find("[REGISTRY]")) << size;
        EXPECT_EQ(log.uninstallKey, size == full.size() ? whole.uninstallKey : "") << size;
        ASSERT_EQ(log.entries.size(), static_cast<std::size_t>(expected)) << size;
        for (std::size_t i = 0; i < log.entries.size(); ++i) {
            EXPECT_EQ(log.entries[i].path, whole.entries[i].path) << size;
            EXPECT_EQ(log.entries[i].shared, whole.entries[i].shared) << size;
        }
    }
    EXPECT_EQ(lineEnd, std::size(entriesAtLineEnd));
}

TEST(UninstallLogRead, RefusesTamperedLogsAndTakesOddButHarmlessOnes) {
    const std::string key =
        "[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\n";
    const auto log = [](const std::string& rest) {
        return "QLUNLOG V1\n\nDATE:1/1/2000\n[FILES]\n" + rest;
    };
    const struct {
        const char* what;
        std::string text;
        bool accepted;
        bool finished = true;
    } rows[] = {
        {"valid", log("C:\\a\\b.txt\nNONSHARED\n" + key), true},
        {"no key", log("[REGISTRY]\n"), true},
        {"no registry part: unfinished", log("C:\\a.txt\nNONSHARED\n"), true, false},
        {"cut in the key line: another key", log(key.substr(0, key.size() - 3)), false},
        {"cut before the kind line's end", log("C:\\a.txt\nNONSHARED"), false},
        {"device", log("C:\\a\\NUL\nNONSHARED\n" + key), false},
        {"device with extension", log("C:\\a\\nul.txt\nNONSHARED\n" + key), false},
        {"device with extensions", log("C:\\a\\Con.tar.gz\nNONSHARED\n" + key), false},
        {"device, blank before dot", log("C:\\a\\aux .h\nNONSHARED\n" + key), false},
        {"device, trailing dot and blank", log("C:\\a\\com9 .\nNONSHARED\n" + key), false},
        {"device folder", log("C:/CONOUT$/a.txt\nNONSHARED\n" + key), false},
        {"device taken out by ..", log("C:\\LPT1\\..\\a.txt\nNONSHARED\n" + key), false},
        {"superscript digit", log("C:\\a\\lpt\xB3.log\nSHARED\n" + key), false},
        {"names like devices", log("C:\\COM10\\LPT0\\NULL\\con_.nul\nNONSHARED\n" + key), true},
        {"wrong magic", "QLUNLOG V2\n[FILES]\n" + key, false},
        {"relative path", log("a\\b.txt\nNONSHARED\n" + key), false},
        {"rooted without drive", log("\\Windows\\win.ini\nNONSHARED\n" + key), false},
        {"Windows folder", log("c:\\windows\nNONSHARED\n" + key), false},
        {"system folder by detour", log("C:\\Temp\\..\\Windows\\System32.\nSHARED\n" + key), false},
        {"file in the system folder", log("C:\\Windows\\System32\\a.dll\nSHARED\n" + key), true},
        {"folder", log("C:\\Program Files\\Demo\\\nNONSHARED\n" + key), false},
        {"drive root", log("D:\\.\nNONSHARED\n" + key), false},
        {"device path", log("\\\\.\\C:\\a.txt\nNONSHARED\n" + key), false},
        {"server without share", log("\\\\host\nNONSHARED\n" + key), false},
        {"stream", log("C:\\a.txt:hidden\nNONSHARED\n" + key), false},
        {"wildcard", log("C:\\a\\*.*\nNONSHARED\n" + key), false},
        {"unknown kind", log("C:\\a.txt\nMAYBESHARED\n" + key), false},
        {"key outside", log("[REGISTRY]\nSoftware\\Classes\\CLSID\n"), false},
        {"shared Uninstall key itself",
         log("[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\n"), false},
        {"empty key part",
         log("[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\\x\n"), false},
        {"lines after the key", log(key + "C:\\a.txt\n"), false},
    };
    for (const auto& row : rows) {
        UninstallLog parsed;
        std::vector<std::string> reasons;
        EXPECT_EQ(ReadUninstallLog(row.text, kProtected, parsed, reasons), row.accepted)
            << row.what;
        EXPECT_EQ(reasons.empty(), row.accepted) << row.what;
        EXPECT_EQ(parsed.finished, row.finished) << row.what;
    }
}

// Without an application name the shared Uninstall key itself would be written
// and logged for removal.
TEST(UninstallLog, NoApplicationNameNamesNoKey) {
    EXPECT_EQ(UninstallKeyPath(""), "");
    EXPECT_EQ(RegistryLogPart(""), "[REGISTRY]\n");
}

TEST(UninstallEntry, UninstallerLiesInTheDirectoryWithOrWithoutItsBackslash) {
    for (const char* directory : {"D:\\Apps\\Demo", "D:\\Apps\\Demo\\"}) {
        EXPECT_EQ(UninstallCommand(directory), "\"D:\\Apps\\Demo\\VLUninstall.exe\"") << directory;
    }
}
