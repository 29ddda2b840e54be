#include "engine/uninstall_log_text.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/uninstall_entry.h"

// The one place that pins the header; other tests compare what follows [FILES].
TEST(UninstallLog, GoldenLogOfTwoFilesTwoServersAndAShortcut) {
    const std::string text =
        UninstallLogHeader({7, 9, 1999}) + NonSharedLogEntry("C:\\PROGRA~1\\Demo", "FIRST.EXE") +
        ShortcutLogEntry("C:\\Programs\\Demo\\First.lnk") +
        SharedLogEntry("C:\\windows\\system32", "server.dll") + RegistrationLogLine(true) +
        SharedLogEntry("C:\\windows", "plain.dll") + RegistrationLogLine(false) +
        RegistryLogPart("Demo");
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
                            "[REGISTRY]\r\n"
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\r\n");
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
        EXPECT_EQ(FileInInstallDirectory(directory, "Uninstall.log"),
                  "D:\\Apps\\Demo\\Uninstall.log");
    }
}
