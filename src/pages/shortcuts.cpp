#include "pages/shortcuts.h"

#include <shlobj.h>

#include <vector>

#include "engine/model.h"
#include "platform/app_state.h"
#include "engine/variables.h"
#include "pages/program_group_page.h"
#include "pages/shell_browse.h"
#include "removal/uninstall_log.h"
#include "platform/file_system.h"
#include "platform/run_log.h"
#include "engine/uninstall_log_text.h"
#include "pages/window_text.h"

namespace {

// Text of the ANSI code page as the shell's wide interfaces want it. The
// conversion follows the code page, so letters such as the euro sign or an S
// with caron keep their meaning; nothing is cut.
std::wstring WideText(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

} // namespace

void PrepareProgramGroup() {
    if (!useProgramGroup) {
        return;
    }
    std::string& group = variables.Lookup("PROGRAMGROUP");
    if (group.find(':') == std::string::npos) {
        PIDLIST_ABSOLUTE programs = nullptr;
        SHGetSpecialFolderLocation(mainWindow, CSIDL_PROGRAMS, &programs);
        const std::string folder = programs != nullptr ? PathFromItemList(programs) : "";
        FreeItemList(programs);
        group = folder + "\\" + group;
    }
    CreateDirectoryPath(group, &installationRun.madeDirectories);
}

std::string ShortcutPath(const std::string& programGroup, const std::string& shortcutName) {
    std::string path = programGroup;
    if (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path + "\\" + shortcutName + ".lnk";
}

void CreateRecordShortcut(std::size_t index, const std::string& installedPath) {
    const FileRecord& record = model.files[index];
    if (!useProgramGroup || record.createShortcut == 0 || installedPath.empty()) {
        return;
    }
    const std::string linkPath =
        ShortcutPath(variables.Lookup("PROGRAMGROUP"), record.shortcutName);
    RunLogEntry logged;
    logged.entry.path = linkPath;
    logged.installed = linkPath;
    logged.madeByThisRun = GetFileAttributesA(linkPath.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (CreateShortcut(installedPath, linkPath, record.shortcutName) == S_OK) {
        LogStep("shortcut " + linkPath);
        LogInstalledEntry(ShortcutLogEntry(linkPath), logged);
    }
}

HRESULT CreateShortcut(const std::string& target, const std::string& linkPath,
                       const std::string& description) {
    IShellLinkA* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(result)) {
        return result;
    }
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(result)) {
        link->Release();
        return result;
    }
    result = file->Save(WideText(linkPath).c_str(), TRUE);
    file->Release();
    link->Release();
    return result;
}
