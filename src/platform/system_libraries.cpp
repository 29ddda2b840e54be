#include "platform/system_libraries.h"

#include "platform/system_text.h"

namespace {

// A library loaded for the rest of the run.
class LibraryModule {
  public:
    LibraryModule() = default;
    explicit LibraryModule(HMODULE module) : module_(module) {}
    ~LibraryModule() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    LibraryModule(const LibraryModule&) = delete;
    LibraryModule& operator=(const LibraryModule&) = delete;

    HMODULE Get() const { return module_; }

  private:
    HMODULE module_ = nullptr;
};

// Stand-ins for functions that cannot be had: each reports the failure its
// function would report, so that a caller needs no case of its own.

DWORD WINAPI NoGetFileVersionInfoSizeA(LPCSTR, LPDWORD handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
}

BOOL WINAPI NoGetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI NoVerQueryValueA(LPCVOID, LPCSTR, LPVOID* value, PUINT length) {
    if (value != nullptr) {
        *value = nullptr;
    }
    if (length != nullptr) {
        *length = 0;
    }
    return FALSE;
}

void ClearText(LPSTR text, PUINT size) {
    if (text != nullptr && size != nullptr && *size > 0) {
        text[0] = '\0';
    }
}

DWORD WINAPI NoVerFindFileA(DWORD, LPSTR, LPSTR, LPSTR, LPSTR currentDirectory, PUINT currentLength,
                            LPSTR destinationDirectory, PUINT destinationLength) {
    ClearText(currentDirectory, currentLength);
    ClearText(destinationDirectory, destinationLength);
    return 0;
}

DWORD WINAPI NoVerInstallFileA(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR temporaryName,
                               PUINT temporaryLength) {
    ClearText(temporaryName, temporaryLength);
    return VIF_CANNOTCREATE;
}

DWORD WINAPI NoSetupGetFileCompressionInfoA(PCSTR, PSTR* actualName, PDWORD, PDWORD, PUINT) {
    if (actualName != nullptr) {
        *actualName = nullptr;
    }
    return ERROR_MOD_NOT_FOUND;
}

BOOLEAN WINAPI NoGenRandom(PVOID, ULONG) {
    return FALSE;
}

// Whether the platform knows SetDefaultDllDirectories and with it the
// LOAD_LIBRARY_SEARCH_ flags of LoadLibraryExA (Windows 8, and Windows 7 and
// Vista with their update for it).
bool CanRestrictSearch() {
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
}

// The entry `name` of `module` as the type of `entry`, or `standIn`.
template <typename Function>
void LookUp(Function& entry, HMODULE module, const char* name, Function standIn) {
    FARPROC found = module != nullptr ? GetProcAddress(module, name) : nullptr;
    entry = found != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : standIn;
}

// The libraries stay loaded, and the table filled, for the whole run.
struct LoadedLibraries {
    LibraryModule version;
    LibraryModule setupApi;
    LibraryModule cryptBase;
    SystemFunctionTable table;

    LoadedLibraries()
        : version(LoadLibraryByPath(SystemDirectoryText() + "\\version.dll")),
          setupApi(LoadLibraryByPath(SystemDirectoryText() + "\\setupapi.dll")),
          // Loaded before ADVAPI32.dll's RtlGenRandom is looked up, which
          // forwards to it: the forward then finds this one in place.
          cryptBase(LoadLibraryByPath(SystemDirectoryText() + "\\cryptbase.dll")) {
        LookUp(table.GetFileVersionInfoSizeA, version.Get(), "GetFileVersionInfoSizeA",
               &NoGetFileVersionInfoSizeA);
        LookUp(table.GetFileVersionInfoA, version.Get(), "GetFileVersionInfoA",
               &NoGetFileVersionInfoA);
        LookUp(table.VerQueryValueA, version.Get(), "VerQueryValueA", &NoVerQueryValueA);
        LookUp(table.VerFindFileA, version.Get(), "VerFindFileA", &NoVerFindFileA);
        LookUp(table.VerInstallFileA, version.Get(), "VerInstallFileA", &NoVerInstallFileA);
        LookUp(table.SetupGetFileCompressionInfoA, setupApi.Get(), "SetupGetFileCompressionInfoA",
               &NoSetupGetFileCompressionInfoA);
        LookUp(table.GenRandom, GetModuleHandleA("advapi32.dll"), "SystemFunction036",
               &NoGenRandom);
    }
};

} // namespace

SystemFunctionTable& SystemFunctions() {
    static LoadedLibraries libraries;
    return libraries.table;
}

void RestrictLibrarySearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    // An empty folder takes the current directory out of the search order.
    using SetDirectory = BOOL(WINAPI*)(LPCSTR);
    const auto setDirectory = reinterpret_cast<SetDirectory>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory != nullptr) {
        setDirectory("");
    }
}

HMODULE LoadLibraryByPath(const std::string& fullPath) {
    const DWORD flags = CanRestrictSearch()
                            ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                            : LOAD_WITH_ALTERED_SEARCH_PATH;
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryExA(fullPath.c_str(), nullptr, flags);
    SetErrorMode(oldMode);
    return library;
}
