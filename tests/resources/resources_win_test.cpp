// What the pages rely on in the resources of the built VLSetup.exe, read the way
// the program uses them: templates made into dialogs, the picture loaded by id.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "resources/resource_ids.h"

namespace {

HMODULE SetupExe() {
    std::string path = VL_SETUP_EXE; // a Linux path, which Wine shows as drive Z:
    std::replace(path.begin(), path.end(), '/', '\\');
    static HMODULE module =
        LoadLibraryExA(("Z:" + path).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A page made from its template, as the program makes it, but not shown.
HWND MakePage(int templateId) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamA(SetupExe(), MAKEINTRESOURCEA(templateId), nullptr, QuietPage, 0);
}

std::string Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

} // namespace

TEST(SetupResources, PagesKeepLastHiddenAndNextDefaultAndTheSectionsListMultiSelect) {
    for (int id : {IDD_WELCOME, IDD_SECTIONS, IDD_DEST, IDD_PROGRAMGROUP}) {
        HWND page = MakePage(id);
        ASSERT_NE(page, nullptr) << id;
        EXPECT_FALSE(GetWindowLongA(GetDlgItem(page, IDC_LAST), GWL_STYLE) & WS_VISIBLE) << id;
        EXPECT_EQ(SendMessageA(page, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_NEXT, DC_HASDEFID)) << id;
        if (id == IDD_SECTIONS) {
            const LONG list = GetWindowLongA(GetDlgItem(page, IDC_SECTIONS_LIST), GWL_STYLE);
            EXPECT_EQ(list & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
                      LVS_REPORT | LVS_SHOWSELALWAYS);
        }
        DestroyWindow(page);
    }
}

TEST(SetupResources, ProgramGroupNoteReadsWithTheAcuteAccentByte) {
    HWND page = MakePage(IDD_PROGRAMGROUP);
    ASSERT_NE(page, nullptr);
    std::string notes;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        notes += Text(child) + "|";
    }
    EXPECT_NE(notes.find("It is recommended that you don\xB4t change the default."),
              std::string::npos)
        << notes;
    DestroyWindow(page);
}

TEST(SetupResources, WelcomePictureIs100By200With24BitsPerPixel) {
    HBITMAP picture = static_cast<HBITMAP>(LoadImageA(SetupExe(), MAKEINTRESOURCEA(IDB_WELCOME),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(picture, nullptr);
    BITMAP info = {};
    GetObjectA(picture, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 100);
    EXPECT_EQ(info.bmHeight, 200);
    EXPECT_EQ(info.bmBitsPixel, 24);
    DeleteObject(picture);
}

TEST(SetupResources, ManifestAsksForAdministratorAndCommonControls6) {
    HRSRC found = FindResourceA(SetupExe(), MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(SetupExe(), found))),
        SizeofResource(SetupExe(), found));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    const std::size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos);
    const std::string identity =
        manifest.substr(manifest.rfind('<', controls),
                        manifest.find('>', controls) - manifest.rfind('<', controls));
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
}
