#include "pages/destination_page.h"

#include <shlobj.h>

#include "engine/page_rules.h"
#include "engine/variables.h"
#include "platform/app_state.h"
#include "pages/shell_browse.h"
#include "pages/window_text.h"
#include "resources/resource_ids.h"
#include "ui/page_frame.h"

namespace {

const char kPageName[] = "DIALOG_DEST";

using GetDiskFreeSpaceExProc = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                             PULARGE_INTEGER);

// Any notification of the path field: validity and free space follow its text.
void OnPathChanged(HWND page) {
    const std::string path = WindowText(GetDlgItem(page, IDC_DEST_PATH));
    destinationValid = IsUsableDestination(path);
    SetDlgItemTextA(page, IDC_DEST_FREE_SPACE, FreeSpaceText(FreeDiskSpace(path)).c_str());
}

void OnChoose(HWND page) {
    std::string folder;
    if (!BrowseForFolder(page, nullptr, folder)) {
        return; // cancelled: nothing changes
    }
    variables.Assign("DP", DestinationFromFolder(folder, variables.Lookup("APPNAME")));
    SetDlgItemTextA(page, IDC_DEST_PATH, variables.Lookup("DP").c_str());
}

void OnAutomatic(HWND page) {
    const std::string proposal = AutomaticDestination(variables.Lookup("APPNAME"));
    if (!proposal.empty()) {
        SetDlgItemTextA(page, IDC_DEST_PATH, proposal.c_str());
    }
}

// Returns false when the user keeps the page open (No to the existence question).
bool OnNext(HWND page) {
    // The whole field is read: a folder picked with "Choose" may be longer than
    // the classic path limit, and a cut path would install elsewhere.
    const std::string path = WindowText(GetDlgItem(page, IDC_DEST_PATH));
    // Typed ahead, Enter can reach Next before the page-state check has
    // disabled it for a path that names no directory.
    if (!IsUsableDestination(path)) {
        return false;
    }
    if (IsDlgButtonChecked(page, IDC_DEST_ASK_CREATE) == BST_CHECKED &&
        GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (MessageBoxA(nullptr, "Directory does not exist, should it be created?",
                        "Directory does not exist", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return false;
        }
    }
    variables.Assign("DP", path);
    return true;
}

} // namespace

uint64_t FreeDiskSpace(const std::string& path) {
    if (path.size() < 3) {
        return 0;
    }
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    if (kernel == nullptr) {
        return 0;
    }
    const std::string root = path.substr(0, 3);
    auto extended = reinterpret_cast<GetDiskFreeSpaceExProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    if (extended != nullptr) {
        ULARGE_INTEGER available, total, free;
        if (!extended(root.c_str(), &available, &total, &free)) {
            return 0;
        }
        return available.QuadPart;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &clusters)) {
        return 0;
    }
    return static_cast<uint32_t>(freeClusters * sectorsPerCluster * bytesPerSector);
}

std::string FreeSpaceText(uint64_t bytes) {
    return std::to_string(bytes / 1024) + " kb";
}

std::string DestinationFromFolder(const std::string& folder, const std::string& appName) {
    return folder + "\\" + appName + "\\";
}

std::string AutomaticDestination(const std::string& appName) {
    char drives[512] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof drives, drives);
    if (length == 0 || length >= sizeof drives) {
        return std::string();
    }
    std::string bestRoot;
    uint64_t bestFree = 0;
    for (const char* root = drives; *root != '\0'; root += lstrlenA(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_FIXED) {
            continue;
        }
        const uint64_t free = FreeDiskSpace(root);
        if (bestRoot.empty() || free > bestFree) {
            bestRoot = root;
            bestFree = free;
        }
    }
    if (bestRoot.empty()) {
        return std::string();
    }
    if (programFilesDir.size() >= 3 &&
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, programFilesDir.c_str(), 3,
                       bestRoot.c_str(), 3) == CSTR_EQUAL) {
        return programFilesDir + appName + "\\";
    }
    return bestRoot + appName + "\\";
}

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsNextPress(message, wParam) && !OnNext(page)) {
        return 0; // the page stays open: Next is not passed on
    }
    PageCommon(page, message, lParam, wParam, kPageName);
    switch (message) {
    case WM_INITDIALOG:
        // Setting the text makes the field report a change, which fills in the
        // free space and the validity at once.
        SetDlgItemTextA(page, IDC_DEST_PATH, variables.Lookup("DP").c_str());
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DEST_PATH:
            OnPathChanged(page);
            break;
        case IDC_DEST_CHOOSE:
            OnChoose(page);
            break;
        case IDC_DEST_AUTOMATIC:
            OnAutomatic(page);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return 0;
}
