/* A library planted beside the setup program under the name of a system
 * library (version.dll or setupapi.dll, chosen by the build). It exports that
 * library's functions, but none of them does any work: each one writes its
 * name into "<library>.called" next to the library and fails. A test that
 * finds a name in that file knows the program ran planted code. */
#include <stdarg.h>
#include <windef.h>
#include <winbase.h>

static HMODULE self;

/* Appends `line` and a line end to the file named after this library and
 * `suffix`. */
static void Mark(const char* suffix, const char* line) {
    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    lstrcpyA(path + length, suffix);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reason;
    (void)reserved;
    self = instance;
    return TRUE;
}

/* The exports take their arguments only to remove them from the stack. */
#pragma GCC diagnostic ignored "-Wunused-parameter"

/* An export with `count` pointer-sized arguments (the callee removes them
 * from the stack, so the count must be right) that records the call and
 * returns `failure`. */
#define ARGS_2 DWORD a, DWORD b
#define ARGS_3 ARGS_2, DWORD c
#define ARGS_4 ARGS_3, DWORD d
#define ARGS_5 ARGS_4, DWORD e
#define ARGS_7 ARGS_5, DWORD f, DWORD g
#define ARGS_8 ARGS_7, DWORD h
#define PLANTED(name, count, failure)                                                              \
    __declspec(dllexport) DWORD WINAPI name(ARGS_##count) {                                        \
        Mark(".called", #name);                                                                    \
        return failure;                                                                            \
    }

#ifdef VL_PLANT_VERSION
PLANTED(GetFileVersionInfoA, 4, FALSE)
PLANTED(GetFileVersionInfoW, 4, FALSE)
PLANTED(GetFileVersionInfoExA, 5, FALSE)
PLANTED(GetFileVersionInfoExW, 5, FALSE)
PLANTED(GetFileVersionInfoSizeA, 2, 0)
PLANTED(GetFileVersionInfoSizeW, 2, 0)
PLANTED(GetFileVersionInfoSizeExA, 3, 0)
PLANTED(GetFileVersionInfoSizeExW, 3, 0)
PLANTED(VerFindFileA, 8, 0)
PLANTED(VerFindFileW, 8, 0)
PLANTED(VerInstallFileA, 8, 0x800) /* VIF_CANNOTCREATE */
PLANTED(VerInstallFileW, 8, 0x800)
PLANTED(VerLanguageNameA, 3, 0)
PLANTED(VerLanguageNameW, 3, 0)
PLANTED(VerQueryValueA, 4, FALSE)
PLANTED(VerQueryValueW, 4, FALSE)
#endif

#ifdef VL_PLANT_SETUPAPI
PLANTED(SetupGetFileCompressionInfoA, 5, ERROR_FILE_NOT_FOUND)
PLANTED(SetupGetFileCompressionInfoW, 5, ERROR_FILE_NOT_FOUND)
PLANTED(SetupGetFileCompressionInfoExA, 7, FALSE)
PLANTED(SetupGetFileCompressionInfoExW, 7, FALSE)
#endif
