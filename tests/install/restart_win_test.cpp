// Replacement at the next restart, Wininit.ini where the platform refuses delayed moves, and
// the run's own temporary folder (what is left of it at the end is an end-to-end case).
#include "install/restart_replace.h"

#include <aclapi.h>
#include <sddl.h>

#include <set>

#include "engine/path_text.h"
#include "install_win_fixture.h"

namespace installtest {
namespace {

// Replaces root\busy.dll by `source` (copied to disk1\new.dll); the copy that waits for the
// restart, or "<missing>".
std::string Replace(const std::string& root, const char* source, const char* inPlace, int result) {
    WriteBytes(root + "\\disk1\\new.dll", ReadBytes(Built(source)));
    WriteBytes(root + "\\busy.dll", ReadBytes(Built(inPlace)));
    EXPECT_EQ(ReplaceAtRestart(root + "\\disk1\\new.dll", root + "\\busy.dll", "new.dll"), result)
        << source;
    EXPECT_TRUE(ReadBytes(root + "\\busy.dll") == ReadBytes(Built(inPlace))) << source;
    return ReadBytes(RunFilePath("new.dll.tmp"));
}

TEST_F(InstallTest, ReplacedAtRestartOnlyByANewerOrEqualMajorAndMinorVersionExpanded) {
    const struct {
        const char *source, *inPlace;
        int result;
        const char* scheduled; // what the copy holds, nullptr for none
    } rows[] = {
        {"vlsrv_2_0.dll", "vlsrv_3_1.dll", 0, nullptr},
        {"vlsrv_3_1_0_5.dll", "vlsrv_3_1_9_9.dll", 0, "vlsrv_3_1_0_5.dll"},
        {"vlsrv_32768.dll", "vlsrv_3_1.dll", 0, "vlsrv_32768.dll"},
        {"vlsrv_3_1.dll_", "vlsrv_2_0.dll", 0, "vlsrv_3_1.dll"},
        {"vlsrv_2_0.dll", "vlsrv_no_version.dll", 1, nullptr},
    };
    for (const auto& row : rows) {
        Fresh();
        PendingRenames pendingRenames;
        EXPECT_TRUE(Replace(root, row.source, row.inPlace, row.result) ==
                    (row.scheduled ? ReadBytes(Built(row.scheduled)) : "<missing>"))
            << row.source;
        EXPECT_EQ(PendingRenames::Holds(RunFilePath("new.dll.tmp"), root + "\\busy.dll"),
                  row.scheduled != nullptr)
            << row.source;
    }
}

TEST_F(InstallTest, WininitKeepsOtherProgramsLinesAndItsFailuresAreReported) {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string wininit = std::string(windows) + "\\Wininit.ini", saved = ReadBytes(wininit);
    const std::string before =
                          "; other setup\r\n[rename]\r\nNUL=C:\\old;1.tmp\r\nNUL=C:\\b.tmp\r\n",
                      after = "[Boot]\r\nshell=explorer.exe\r\n";
    const struct {
        DWORD access, share; // how another program holds the file; no access: not at all
        int result;
    } rows[] = {{0, 0, 0}, {GENERIC_READ, 0, 1}, {GENERIC_READ, FILE_SHARE_READ, 1}};
    for (const auto& row : rows) {
        Fresh();
        PendingRenames pendingRenames;
        PendingRenames::Block();
        WriteBytes(wininit, before + after);
        HANDLE held = row.access ? CreateFileA(wininit.c_str(), row.access, row.share, nullptr,
                                               OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
        const bool copied =
            Replace(root, "vlsrv_3_1.dll", "vlsrv_2_0.dll", row.result) != "<missing>";
        CloseHandle(held);
        const std::string line = root + "\\busy.dll=" + RunFilePath("new.dll.tmp") + "\r\n";
        EXPECT_EQ(ReadBytes(wininit), before + (row.result == 0 ? line : "") + after) << row.share;
        EXPECT_EQ(copied, row.result == 0) << row.share;
    }
    saved == "<missing>" ? (void)DeleteFileA(wininit.c_str()) : (void)WriteBytes(wininit, saved);
}

// Under a random name in the Windows TEMP folder, open to the user, SYSTEM and the
// Administrators only.
TEST_F(InstallTest, RunFolderIsPrivateUnderARandomName) {
    const std::string folder = DirectoryOf(RunFilePath("a.tmp"));
    EXPECT_EQ(DirectoryOf(folder), WindowsTemp());
    // "VLSetup-" and 32 random hexadecimal digits
    EXPECT_EQ((FileNameOf(folder) + "!").find_first_not_of("0123456789abcdef", 8), 40u) << folder;

    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                    nullptr, &access, nullptr, &descriptor),
              ERROR_SUCCESS);
    const auto text = [](PSID sid) {
        LPSTR converted = nullptr;
        ConvertSidToStringSidA(sid, &converted);
        const std::string result = converted ? converted : "?";
        LocalFree(converted);
        return result;
    };
    std::set<std::string> allowed;
    for (DWORD i = 0; access != nullptr && i < access->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        if (GetAce(access, i, reinterpret_cast<void**>(&entry)))
            allowed.insert(text(&entry->SidStart));
    }
    const std::set<std::string> privileged = {text(owner), "S-1-5-18", "S-1-5-32-544"};
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    LocalFree(descriptor);
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
        // Wine keeps no access list with a folder: it gives back one made from the Unix
        // permissions, never protected, without the Administrators, and with Everyone
        // unless the list the folder was made with left Everyone out.
        allowed.insert("S-1-5-32-544");
        EXPECT_EQ(allowed, privileged);
    } else {
        EXPECT_EQ(allowed, privileged);
        EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "nothing inherited from the TEMP folder";
    }
}

} // namespace
} // namespace installtest
