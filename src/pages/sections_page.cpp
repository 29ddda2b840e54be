#include "pages/sections_page.h"

#include <commctrl.h>

#include "engine/model.h"
#include "engine/page_rules.h"
#include "install/source_retrieval.h"
#include "resources/resource_ids.h"
#include "ui/page_frame.h"

namespace {

const char kPageName[] = "DIALOG_SECTIONS";

WNDPROC savedListProc = nullptr; // the list's own procedure while the page is open
int shownRow = -1;               // the row whose details are shown, -1 for none

const UINT kRowStates = LVIS_SELECTED | LVIS_FOCUSED;

int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

void SetRowState(HWND list, int row, UINT state, UINT mask) {
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool IsHighlighted(HWND list, int row) {
    return (SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

// The first row with the focus, or -1.
int CurrentRow(HWND list) {
    return static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void Choose(HWND list, int row) {
    SetRowState(list, row, kRowStates, kRowStates);
    model.sections[static_cast<std::size_t>(row)].selected = 1;
}

void InsertColumn(HWND list, int index, const char* title) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void FillList(HWND list) {
    for (std::size_t i = 0; i < model.sections.size(); ++i) {
        const SectionRecord& section = model.sections[i];
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(section.name.c_str());
        item.stateMask = LVIS_SELECTED;
        // Shown again, the list starts from what will be installed: optional
        // sections chosen earlier keep their highlight.
        item.state = WillBeInstalled(section) ? LVIS_SELECTED : 0;
        const int row = static_cast<int>(
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        const std::string size = std::to_string(SectionSize(section.name));
        LVITEMA sizeItem = {};
        sizeItem.iSubItem = 1;
        sizeItem.pszText = const_cast<char*>(size.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&sizeItem));
    }
}

void OnInitDialog(HWND page) {
    HWND list = GetDlgItem(page, IDC_SECTIONS_LIST);
    savedListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SectionListProc)));
    InsertColumn(list, 0, "Section");
    InsertColumn(list, 1, "Size (Bytes)");
    FillList(list);
    shownRow = -1;
    if (model.sections.empty()) {
        // Nothing to choose: an empty list, an empty comment, neither the note
        // nor the check box.
        SetDlgItemTextA(page, IDC_SECTIONS_COMMENT, "");
        ShowWindow(GetDlgItem(page, IDC_SECTIONS_MANDATORY), SW_HIDE);
        ShowWindow(GetDlgItem(page, IDC_SECTIONS_INSTALL), SW_HIDE);
        return;
    }
    SetRowState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    ShowSectionDetails(page, 0);
    // With the keyboard in the list its highlight shows in the selection
    // colour, and arrows and space work at once.
    SetFocus(list);
}

// The check box acts on the row whose details are shown, which after a click
// that removed a highlight need not be the row with the focus.
void OnInstallCheckBox(HWND page) {
    HWND list = GetDlgItem(page, IDC_SECTIONS_LIST);
    const int row = shownRow;
    if (row < 0 || row >= RowCount(list)) {
        return;
    }
    if (IsDlgButtonChecked(page, IDC_SECTIONS_INSTALL) == BST_CHECKED) {
        Choose(list, row);
    } else {
        SetRowState(list, row, 0, kRowStates);
        SetRowState(list, row, LVIS_FOCUSED, LVIS_FOCUSED);
        model.sections[static_cast<std::size_t>(row)].selected = 0;
    }
}

void OnArrowKey(HWND list, WPARAM key) {
    const int count = RowCount(list);
    if (count == 0) {
        return;
    }
    int row = CurrentRow(list);
    if (row < 0) {
        row = -1;
        key = VK_DOWN;
    }
    if (key == VK_UP) {
        --row;
    } else if (key == VK_DOWN) {
        ++row;
    }
    if (row < 0) {
        row = 0;
    }
    if (row >= count) {
        row = count - 1;
    }
    SetRowState(list, row, LVIS_FOCUSED, LVIS_FOCUSED);
    ShowSectionDetails(GetParent(list), row);
}

void OnSpace(HWND list) {
    const int row = CurrentRow(list);
    if (row < 0) {
        return;
    }
    SectionRecord& section = model.sections[static_cast<std::size_t>(row)];
    if (IsHighlighted(list, row) && section.mandatory == 0) {
        SetRowState(list, row, 0, LVIS_SELECTED);
        section.selected = 0;
    } else {
        Choose(list, row);
    }
    ShowSectionDetails(GetParent(list), row);
}

void OnClick(HWND list, LPARAM point) {
    LVHITTESTINFO hit = {};
    hit.pt.x = static_cast<short>(LOWORD(point));
    hit.pt.y = static_cast<short>(HIWORD(point));
    const int row =
        static_cast<int>(SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    bool removedHighlight = false;
    if (row >= 0 && row < RowCount(list)) {
        SectionRecord& section = model.sections[static_cast<std::size_t>(row)];
        if (IsHighlighted(list, row) && section.mandatory == 0) {
            SetRowState(list, row, 0, kRowStates);
            section.selected = 0;
            removedHighlight = true;
        } else {
            Choose(list, row);
        }
        ShowSectionDetails(GetParent(list), row);
    }
    for (std::size_t i = 0; i < model.sections.size(); ++i) {
        if (model.sections[i].mandatory == 0) {
            continue;
        }
        const int mandatoryRow = static_cast<int>(i);
        SetRowState(list, mandatoryRow, LVIS_SELECTED, LVIS_SELECTED);
        if (removedHighlight) {
            SetRowState(list, mandatoryRow, LVIS_FOCUSED, LVIS_FOCUSED);
        }
    }
    // The list's own click handling never runs; give it the keyboard as a
    // click would, so that arrows and space work after a click.
    SetFocus(list);
}

} // namespace

uint64_t SectionSize(const std::string& name) {
    uint64_t total = 0;
    for (std::size_t i = 0; i < model.files.size(); ++i) {
        if (model.files[i].section == name) {
            total += QuerySourceSize(i);
        }
    }
    return total;
}

void ShowSectionDetails(HWND page, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= model.sections.size()) {
        return;
    }
    shownRow = row;
    const SectionRecord& section = model.sections[static_cast<std::size_t>(row)];
    SetDlgItemTextA(page, IDC_SECTIONS_COMMENT, section.comment.c_str());
    if (section.mandatory != 0) {
        ShowWindow(GetDlgItem(page, IDC_SECTIONS_MANDATORY), SW_SHOW);
        ShowWindow(GetDlgItem(page, IDC_SECTIONS_INSTALL), SW_HIDE);
    } else {
        ShowWindow(GetDlgItem(page, IDC_SECTIONS_MANDATORY), SW_HIDE);
        ShowWindow(GetDlgItem(page, IDC_SECTIONS_INSTALL), SW_SHOW);
        CheckDlgButton(page, IDC_SECTIONS_INSTALL,
                       section.selected != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
}

LRESULT CALLBACK SectionListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_UP || wParam == VK_RIGHT || wParam == VK_DOWN) {
            OnArrowKey(list, wParam);
        } else if (wParam == VK_SPACE) {
            OnSpace(list);
        }
        return 0; // every key is ours: Home, End and the page keys do nothing
    case WM_CHAR:
        // The list would otherwise search for a row by the typed letter and
        // move the highlight away from what will be installed.
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // the second click of a quick pair toggles again
        OnClick(list, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        return 0; // a right click would change the highlight too
    default:
        return CallWindowProcA(savedListProc, list, message, wParam, lParam);
    }
}

INT_PTR CALLBACK SectionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    PageCommon(page, message, lParam, wParam, kPageName);
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(page);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_SECTIONS_INSTALL) {
            OnInstallCheckBox(page);
        }
        break;
    case WM_DESTROY:
        if (savedListProc != nullptr) {
            SetWindowLongPtrA(GetDlgItem(page, IDC_SECTIONS_LIST), GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(savedListProc));
            savedListProc = nullptr;
        }
        break;
    default:
        break;
    }
    return 0;
}
