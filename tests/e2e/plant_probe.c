/* Loads version.dll and setupapi.dll by their bare names and calls one function of each, as a
 * program that trusts its own directory would. Run beside the planted copies, it shows that
 * they are what such a load takes: they record the calls. */
#include <windows.h>

typedef DWORD(WINAPI* SizeQuery)(LPCSTR, LPDWORD);
typedef DWORD(WINAPI* CompressionQuery)(LPCSTR, LPSTR*, PDWORD, PDWORD, PUINT);

int main(void) {
    HMODULE version = LoadLibraryA("version.dll");
    HMODULE setupapi = LoadLibraryA("setupapi.dll");
    SizeQuery size =
        version ? (SizeQuery)(void*)GetProcAddress(version, "GetFileVersionInfoSizeA") : NULL;
    CompressionQuery compression =
        setupapi ? (CompressionQuery)(void*)GetProcAddress(setupapi, "SetupGetFileCompressionInfoA")
                 : NULL;
    DWORD handle = 0, packed = 0, unpacked = 0;
    LPSTR name = NULL;
    UINT type = 0;
    if (size != NULL)
        size("probe", &handle);
    if (compression != NULL)
        compression("probe", &name, &packed, &unpacked, &type);
    return size != NULL && compression != NULL ? 0 : 1;
}
