#include "engine/uninstall_log_read.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/uninstall_entry.h"
#include "engine/uninstall_log_text.h"

const std::vector<std::string> kProtected = {"C:\\WINDOWS", "C:\\WINDOWS\\system32"};

// The one place that pins the header; other tests compare what follows [FILES]. What is left
// after a partial removal is written back in the same form.
TEST(UninstallLog, GoldenLogIsReadBackWithEitherLineEndAndWrittenAgainAlike) {
    const std::string text =
        UninstallLogHeader({7, 9, 1999}) + NonSharedLogEntry("C:\\PROGRA~1\\Demo", "FIRST.EXE") +
        ShortcutLogEntry("C:\\Programs\\Demo\\First.lnk") +
        SharedLogEntry("C:\\windows\\system32", "server.dll") + RegistrationLogLine(true) +
        SharedLogEntry("C:\\windows", "plain.dll") + RegistrationLogLine(false) +
        SharedLogEntry("\\\\host\\share\\lib", "data.bin") + RegistryLogPart("Demo");
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
        ASSERT_EQ(log.entries.size(), 5u);
        EXPECT_EQ(log.entries[2].registration, SelfRegistration::Registered);
        EXPECT_EQ(log.entries[3].registration, SelfRegistration::NoExport);
        EXPECT_TRUE(log.entries[4].shared);
        EXPECT_EQ(log.entries[4].registration, SelfRegistration::NotLoadable);
        EXPECT_EQ(UninstallKeyName(log.uninstallKey), "Demo");
        EXPECT_EQ(UninstallLogText(log, {7, 9, 1999}), text);
    }
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
    } rows[] = {
        {"valid", log("C:\\a\\b.txt\nNONSHARED\n" + key), true},
        {"no key, last line end missing", log("[REGISTRY]"), true},
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
        {"no registry part", log("C:\\a.txt\nNONSHARED\n"), false},
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
