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
    std::string path = "Z:" VL_SETUP_EXE; // the Linux root is drive Z: under Wine
    std::replace(path.begin(), path.end(), '/', '\\');
    static HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

} // namespace

TEST(SetupResources, PagesKeepLastHiddenNextDefaultTheListMultiSelectAndTheAcuteAccent) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    std::string texts;
    for (int id : {IDD_WELCOME, IDD_SECTIONS, IDD_DEST, IDD_PROGRAMGROUP}) {
        HWND page = CreateDialogParamA(SetupExe(), MAKEINTRESOURCEA(id), nullptr, QuietPage, 0);
        ASSERT_NE(page, nullptr) << id;
        EXPECT_FALSE(GetWindowLongA(GetDlgItem(page, IDC_LAST), GWL_STYLE) & WS_VISIBLE) << id;
        EXPECT_EQ(SendMessageA(page, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_NEXT, DC_HASDEFID)) << id;
        for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char text[256] = {};
            GetWindowTextA(child, text, sizeof text);
            texts += std::string(text) + "|";
        }
        DestroyWindow(page);
    }
    HWND sections =
        CreateDialogParamA(SetupExe(), MAKEINTRESOURCEA(IDD_SECTIONS), nullptr, QuietPage, 0);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(sections, IDC_SECTIONS_LIST), GWL_STYLE) &
                  (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SHOWSELALWAYS);
    DestroyWindow(sections);
    EXPECT_NE(texts.find("It is recommended that you don\xB4t change the default."),
              std::string::npos);
}

TEST(SetupResources, WelcomePictureIs100By200With24BitsPerPixel) {
    BITMAP info = {};
    HGDIOBJ picture = LoadImageA(SetupExe(), MAKEINTRESOURCEA(IDB_WELCOME), IMAGE_BITMAP, 0, 0,
                                 LR_CREATEDIBSECTION);
    GetObjectA(picture, sizeof info, &info);
    EXPECT_EQ(std::to_string(info.bmWidth) + "x" + std::to_string(info.bmHeight) + "x" +
                  std::to_string(info.bmBitsPixel),
              "100x200x24");
    DeleteObject(picture);
}

TEST(SetupResources, ManifestAsksForAdministratorAndCommonControls6) {
    HRSRC found = FindResourceA(SetupExe(), MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(SetupExe(), found))),
        SizeofResource(SetupExe(), found));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    // The version must be the common controls' own, in their identity element.
    const std::size_t name = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    const std::size_t begin = manifest.rfind('<', name);
    EXPECT_NE(manifest.substr(begin, manifest.find('>', name) - begin).find("version=\"6.0.0.0\""),
              std::string::npos);
}
