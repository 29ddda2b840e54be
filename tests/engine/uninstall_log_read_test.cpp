#include "engine/uninstall_log_read.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/uninstall_log_text.h"

namespace {

const std::vector<std::string> kProtected = {"C:\\WINDOWS", "C:\\WINDOWS\\system32"};

// A log as the setup writes it, with every kind of entry.
std::string SetupLog() {
    return UninstallLogHeader({1, 2, 2003}) + NonSharedLogEntry("C:\\PROGRA~1\\Demo", "DEMO.EXE") +
           ShortcutLogEntry("C:\\Start\\Programs\\Demo\\Demo.lnk") +
           SharedLogEntry("C:\\WINDOWS\\system32", "server.dll") + RegistrationLogLine(true) +
           SharedLogEntry("C:\\WINDOWS\\system32", "plain.dll") + RegistrationLogLine(false) +
           SharedLogEntry("\\\\host\\share\\lib", "data.bin") + RegistryLogPart("Demo");
}

bool Read(const std::string& text, UninstallLog& log) {
    std::vector<std::string> reasons;
    return ReadUninstallLog(text, kProtected, log, reasons);
}

} // namespace

TEST(UninstallLogRead, ReadsWhatTheSetupWritesWithEitherLineEnd) {
    for (const std::string& text : {ToCrLf(SetupLog()), SetupLog()}) {
        UninstallLog log;
        ASSERT_TRUE(Read(text, log));
        ASSERT_EQ(log.entries.size(), 5u);
        EXPECT_EQ(log.entries[0].path, "C:\\PROGRA~1\\Demo\\DEMO.EXE");
        EXPECT_FALSE(log.entries[1].shared);
        EXPECT_EQ(log.entries[2].registration, SelfRegistration::Registered);
        EXPECT_EQ(log.entries[3].registration, SelfRegistration::NoExport);
        EXPECT_TRUE(log.entries[4].shared);
        EXPECT_EQ(log.entries[4].registration, SelfRegistration::NotLoadable);
        EXPECT_EQ(UninstallKeyName(log.uninstallKey), "Demo");
        // What is left after a partial removal is written back in the same form.
        EXPECT_EQ(UninstallLogText(log, {1, 2, 2003}), SetupLog());
    }
}

TEST(UninstallLogRead, RefusesTamperedLogsAndTakesOddButHarmlessOnes) {
    const std::string files = "[FILES]\n";
    const std::string key =
        "[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\n";
    const std::string header = "QLUNLOG V1\n\nDATE:1/1/2000\n";
    const struct {
        const char* what;
        std::string text;
        bool accepted;
    } rows[] = {
        {"valid", header + files + "C:\\a\\b.txt\nNONSHARED\n" + key, true},
        {"no key, last line end missing", header + files + "[REGISTRY]", true},
        {"wrong magic", "QLUNLOG V2\n" + files + key, false},
        {"relative path", header + files + "a\\b.txt\nNONSHARED\n" + key, false},
        {"rooted without drive", header + files + "\\Windows\\win.ini\nNONSHARED\n" + key, false},
        {"Windows folder", header + files + "c:\\windows\nNONSHARED\n" + key, false},
        {"system folder by detour",
         header + files + "C:\\Temp\\..\\Windows\\System32.\nSHARED\n" + key, false},
        {"file in the system folder",
         header + files + "C:\\Windows\\System32\\a.dll\nSHARED\n" + key, true},
        {"folder", header + files + "C:\\Program Files\\Demo\\\nNONSHARED\n" + key, false},
        {"drive root", header + files + "D:\\.\nNONSHARED\n" + key, false},
        {"device path", header + files + "\\\\.\\C:\\a.txt\nNONSHARED\n" + key, false},
        {"server without share", header + files + "\\\\host\nNONSHARED\n" + key, false},
        {"stream", header + files + "C:\\a.txt:hidden\nNONSHARED\n" + key, false},
        {"wildcard", header + files + "C:\\a\\*.*\nNONSHARED\n" + key, false},
        {"unknown kind", header + files + "C:\\a.txt\nMAYBESHARED\n" + key, false},
        {"no registry part", header + files + "C:\\a.txt\nNONSHARED\n", false},
        {"key outside", header + files + "[REGISTRY]\nSoftware\\Classes\\CLSID\n", false},
        {"shared Uninstall key itself",
         header + files + "[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\n",
         false},
        {"empty key part",
         header + files +
             "[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\\x\n",
         false},
        {"lines after the key", header + files + key + "C:\\a.txt\n", false},
    };
    for (const auto& row : rows) {
        UninstallLog log;
        std::vector<std::string> reasons;
        EXPECT_EQ(ReadUninstallLog(row.text, kProtected, log, reasons), row.accepted) << row.what;
        EXPECT_EQ(reasons.empty(), row.accepted) << row.what;
    }
}
