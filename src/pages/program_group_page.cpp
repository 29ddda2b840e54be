#include "pages/program_group_page.h"

#include <shlobj.h>

#include "platform/app_state.h"
#include "engine/variables.h"
#include "pages/shell_browse.h"
#include "pages/window_text.h"
#include "resources/resource_ids.h"
#include "ui/page_frame.h"

bool useProgramGroup = true;

namespace {

const char kPageName[] = "DIALOG_PROGRAMGROUP";
const int kGroupNameLimit = 255;

void OnInitDialog(HWND page) {
    CheckDlgButton(page, IDC_GROUP_CREATE_NEW, BST_CHECKED);
    SetDlgItemTextA(page, IDC_GROUP_NEW_NAME, variables.Lookup("PROGRAMGROUP").c_str());
}

void OnNext(HWND page) {
    if (IsDlgButtonChecked(page, IDC_GROUP_NONE) == BST_CHECKED) {
        useProgramGroup = false;
    }
    if (IsDlgButtonChecked(page, IDC_GROUP_CREATE_NEW) == BST_CHECKED) {
        useProgramGroup = true;
        const std::string name =
            WindowTextLimited(GetDlgItem(page, IDC_GROUP_NEW_NAME), kGroupNameLimit);
        variables.Assign("PROGRAMGROUP", NewGroupPath(ProgramsFolderPath(), name));
    }
    // "Use existing group": PROGRAMGROUP already holds what Browse chose.
}

// Returns false when the user cancelled the browser.
bool OnBrowse(HWND page) {
    PIDLIST_ABSOLUTE root = nullptr;
    SHGetSpecialFolderLocation(mainWindow, CSIDL_PROGRAMS, &root);
    std::string folder;
    const bool chosen = BrowseForFolder(mainWindow, root, folder);
    FreeItemList(root);
    if (!chosen) {
        return false;
    }
    SetDlgItemTextA(page, IDC_GROUP_EXISTING_NAME, folder.c_str());
    variables.Assign("PROGRAMGROUP", folder + "\\");
    return true;
}

void OnUseExisting(HWND page) {
    if (GetWindowTextLengthA(GetDlgItem(page, IDC_GROUP_EXISTING_NAME)) == 0) {
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_GROUP_BROWSE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_GROUP_BROWSE)));
    }
}

} // namespace

std::string NewGroupPath(const std::string& programsFolder, const std::string& groupName) {
    return programsFolder + "\\" + groupName + "\\";
}

std::string ProgramsFolderPath() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(mainWindow, path, CSIDL_PROGRAMS, TRUE);
    return path;
}

INT_PTR CALLBACK ProgramGroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        OnInitDialog(page);
    } else if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            if (IsNextPress(message, wParam)) {
                OnNext(page);
            }
            break;
        case IDC_GROUP_USE_EXISTING:
            if (HIWORD(wParam) == BN_CLICKED) {
                OnUseExisting(page);
            }
            break;
        case IDC_GROUP_BROWSE:
            if (!OnBrowse(page)) {
                return 0; // a cancelled browser is not passed on
            }
            break;
        default:
            break;
        }
    }
    PageCommon(page, message, lParam, wParam, kPageName);
    return 0;
}
