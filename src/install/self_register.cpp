#include "install/self_register.h"
#include "platform/run_log.h"

#include "platform/system_libraries.h"
#include "removal/uninstall_log.h"
#include "engine/uninstall_log_text.h"
#include "platform/app_state.h"

HMODULE LoadInstalledLibrary(const std::string& installedPath) {
    // The libraries it depends on come from its own folder and the system
    // directory, never from the folder the setup program was started from.
    return LoadLibraryByPath(installedPath);
}

bool RegisterServer(HMODULE library, const std::string& installedPath, bool logged) {
    using RegisterFunction = HRESULT(STDAPICALLTYPE*)();
    const auto registerServer =
        reinterpret_cast<RegisterFunction>(GetProcAddress(library, "DllRegisterServer"));
    if (registerServer != nullptr) {
        if (registerServer() != S_OK) {
            HWND owner = IsWindow(CurrentPage.window) ? CurrentPage.window : nullptr;
            const std::string text =
                "Registration of " + installedPath + " failed, setup will continue.";
            AskOrAnswer(owner, text, "Server registration", MB_OK | MB_ICONERROR, IDOK);
        }
    }
    LogStep(registerServer != nullptr ? "registered " + installedPath
                                      : "no registration: " + installedPath);
    // Logged also after a failure, so that the uninstaller tries to
    // unregister what may be half registered.
    if (logged) {
        WriteUninstallLog(RegistrationLogLine(registerServer != nullptr));
    }
    FreeLibrary(library);
    return registerServer != nullptr;
}
