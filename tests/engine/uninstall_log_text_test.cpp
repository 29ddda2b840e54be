#include "engine/uninstall_log_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeaderBeforeDate =
    "QLUNLOG V1\n"
    "\n"
    "QUENLO UNINSTALLATION LOG FILE\n"
    "\n"
    "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!\n"
    "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!\n"
    "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR "
    "SYSTEM, YOU\n"
    "COULD BE UNABLE TO RESTART WINDOWS\n"
    "\n";

} // namespace

TEST(UninstallLogHeader, DateHasNoLeadingZeros) {
    struct DateCase {
        LogDate date;
        const char* line;
    };
    const DateCase cases[] = {
        {{11, 9, 1999}, "DATE:11/9/1999\n"},
        {{1, 1, 2000}, "DATE:1/1/2000\n"},
        {{12, 31, 2024}, "DATE:12/31/2024\n"},
        {{7, 4, 2031}, "DATE:7/4/2031\n"},
    };
    for (const DateCase& c : cases) {
        EXPECT_EQ(UninstallLogHeader(c.date), kHeaderBeforeDate + c.line + "[FILES]\n") << c.line;
    }
}

TEST(TodaysLocalDate, IsAPlausibleCalendarDate) {
    const LogDate today = TodaysLocalDate();
    EXPECT_GE(today.month, 1);
    EXPECT_LE(today.month, 12);
    EXPECT_GE(today.day, 1);
    EXPECT_LE(today.day, 31);
    EXPECT_GE(today.year, 2000);
}

TEST(UninstallLogEntries, HaveTheirExactLines) {
    EXPECT_EQ(NonSharedLogEntry("C:\\PROGRA~1\\Demo", "FIRSTF~1.TXT"),
              "C:\\PROGRA~1\\Demo\\FIRSTF~1.TXT\nNONSHARED\n");
    EXPECT_EQ(SharedLogEntry("C:\\windows\\system32", "shared lib.dll"),
              "C:\\windows\\system32\\shared lib.dll\nSHARED\n");
    EXPECT_EQ(RegistrationLogLine(true), "AUTOREGSVR\n");
    EXPECT_EQ(RegistrationLogLine(false), "NOAUTOREGSVR\n");
    EXPECT_EQ(ShortcutLogEntry("C:\\Start Menu\\Programs\\Demo\\Demo.lnk"),
              "C:\\Start Menu\\Programs\\Demo\\Demo.lnk\nNONSHARED\n");
    EXPECT_EQ(UninstallKeyPath("Demo App"),
              "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo App");
    EXPECT_EQ(RegistryLogPart("Demo App"),
              "[REGISTRY]\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo App\n");
}

TEST(ToCrLf, TurnsEveryLineFeedIntoCrLf) {
    EXPECT_EQ(ToCrLf(""), "");
    EXPECT_EQ(ToCrLf("a"), "a");
    EXPECT_EQ(ToCrLf("\n\n"), "\r\n\r\n");
    EXPECT_EQ(ToCrLf("a\nb\n"), "a\r\nb\r\n");
    // Text mode translates a line feed even when a CR precedes it.
    EXPECT_EQ(ToCrLf("a\r\n"), "a\r\r\n");
}

TEST(UninstallLogFile, TwoFilesAndAShortcutOnDisk) {
    const std::string text =
        UninstallLogHeader({11, 9, 1999}) + NonSharedLogEntry("C:\\PROGRA~1\\Demo", "FIRST.EXE") +
        ShortcutLogEntry("C:\\Programs\\Demo\\First.lnk") +
        NonSharedLogEntry("C:\\PROGRA~1\\Demo", "SECOND.TXT") + RegistryLogPart("Demo");
    const std::string expected =
        "QLUNLOG V1\r\n"
        "\r\n"
        "QUENLO UNINSTALLATION LOG FILE\r\n"
        "\r\n"
        "MAKE NO CHANGES TO THIS FILE, ITS FORMAT IS EXACTLY DEFINED!\r\n"
        "NO REAL PARSER DOES EXIST, SO DON\xB4T MODIFY ANYTHING!\r\n"
        "ANY ERRORS COULD CAUSE CATASTROPHAL (!) DAMAGE TO YOUR SYSTEM, YOU\r\n"
        "COULD BE UNABLE TO RESTART WINDOWS\r\n"
        "\r\n"
        "DATE:11/9/1999\r\n"
        "[FILES]\r\n"
        "C:\\PROGRA~1\\Demo\\FIRST.EXE\r\n"
        "NONSHARED\r\n"
        "C:\\Programs\\Demo\\First.lnk\r\n"
        "NONSHARED\r\n"
        "C:\\PROGRA~1\\Demo\\SECOND.TXT\r\n"
        "NONSHARED\r\n"
        "[REGISTRY]\r\n"
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\r\n";
    EXPECT_EQ(ToCrLf(text), expected);
}

TEST(UninstallLogFile, SharedEntriesWithAndWithoutRegistrationLine) {
    const std::string files =
        SharedLogEntry("C:\\windows\\system32", "server.dll") + RegistrationLogLine(true) +
        SharedLogEntry("C:\\windows\\system32", "data.bin") +
        SharedLogEntry("C:\\windows", "plain.dll") + RegistrationLogLine(false);
    EXPECT_EQ(ToCrLf(files), "C:\\windows\\system32\\server.dll\r\nSHARED\r\nAUTOREGSVR\r\n"
                             "C:\\windows\\system32\\data.bin\r\nSHARED\r\n"
                             "C:\\windows\\plain.dll\r\nSHARED\r\nNOAUTOREGSVR\r\n");
}

TEST(UninstallLogFile, NothingInstalledEndsWithTheKeyLine) {
    const std::string bytes = ToCrLf(UninstallLogHeader({1, 1, 2000}) + RegistryLogPart("Demo"));
    const std::string tail = "DATE:1/1/2000\r\n[FILES]\r\n[REGISTRY]\r\n"
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}
