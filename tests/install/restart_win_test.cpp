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

// Where the platform refuses delayed moves, the line goes into Wininit.ini among other programs'
// lines; a Wininit.ini that cannot be read is not overwritten even where it could be written, and
// one that cannot be written is reported.
TEST_F(InstallTest, ReplacedAtRestartOnlyByANewerOrEqualMajorAndMinorVersionExpanded) {
    const std::string wininit = DirectoryOf(WindowsTemp()) + "\\Wininit.ini",
                      saved = ReadBytes(wininit);
    const std::string before =
                          "; other setup\r\n[rename]\r\nNUL=C:\\old;1.tmp\r\nNUL=C:\\b.tmp\r\n",
                      after = "[Boot]\r\nshell=explorer.exe\r\n";
    const struct {
        const char *source, *inPlace;
        bool refused;        // delayed moves
        DWORD access, share; // how another program holds Wininit.ini; no access: not at all
        int result;
        const char* scheduled; // what the copy holds, nullptr for none
    } rows[] = {
        {"vlsrv_2_0.dll", "vlsrv_3_1.dll", false, 0, 0, 0, nullptr},
        {"vlsrv_3_1_0_5.dll", "vlsrv_3_1_9_9.dll", false, 0, 0, 0, "vlsrv_3_1_0_5.dll"},
        {"vlsrv_32768.dll", "vlsrv_3_1.dll", false, 0, 0, 0, "vlsrv_32768.dll"},
        {"vlsrv_3_1.dll_", "vlsrv_2_0.dll", false, 0, 0, 0, "vlsrv_3_1.dll"},
        {"vlsrv_2_0.dll", "vlsrv_no_version.dll", false, 0, 0, 1, nullptr},
        {"vlsrv_3_1.dll", "vlsrv_2_0.dll", true, 0, 0, 0, "vlsrv_3_1.dll"},
        {"vlsrv_3_1.dll", "vlsrv_2_0.dll", true, GENERIC_WRITE, FILE_SHARE_WRITE, 1, nullptr},
        {"vlsrv_3_1.dll", "vlsrv_2_0.dll", true, GENERIC_READ, FILE_SHARE_READ, 1, nullptr},
    };
    for (const auto& row : rows) {
        Fresh();
        PendingRenames pendingRenames;
        if (row.refused)
            PendingRenames::Block();
        WriteBytes(wininit, before + after);
        HANDLE held = row.access ? CreateFileA(wininit.c_str(), row.access, row.share, nullptr,
                                               OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
        WriteBytes(root + "\\disk1\\new.dll", ReadBytes(Built(row.source)));
        WriteBytes(root + "\\busy.dll", ReadBytes(Built(row.inPlace)));
        EXPECT_EQ(ReplaceAtRestart(root + "\\disk1\\new.dll", root + "\\busy.dll", "new.dll"),
                  row.result)
            << row.source << row.share;
        CloseHandle(held);
        const std::string copy = RunFilePath("new.dll.tmp");
        const std::string line =
            row.refused && row.scheduled ? root + "\\busy.dll=" + copy + "\r\n" : "";
        EXPECT_TRUE(ReadBytes(root + "\\busy.dll") == ReadBytes(Built(row.inPlace))) << row.source;
        EXPECT_TRUE(ReadBytes(copy) ==
                    (row.scheduled ? ReadBytes(Built(row.scheduled)) : "<missing>"))
            << row.source << row.share;
        EXPECT_EQ(PendingRenames::Holds(copy, root + "\\busy.dll"), row.scheduled && !row.refused)
            << row.source;
        EXPECT_EQ(ReadBytes(wininit), before + line + after) << row.source << row.share;
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
    // Wine keeps no access list with a folder: it makes one from the Unix permissions, without
    // the Administrators, and with Everyone unless the list the folder was made with left
    // Everyone out.
    std::set<std::string> allowed = {"S-1-5-32-544"};
    for (DWORD i = 0; access != nullptr && i < access->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        if (GetAce(access, i, reinterpret_cast<void**>(&entry)))
            allowed.insert(text(&entry->SidStart));
    }
    EXPECT_EQ(allowed, (std::set<std::string>{text(owner), "S-1-5-18", "S-1-5-32-544"}));
    LocalFree(descriptor);
}

} // namespace
} // namespace installtest
