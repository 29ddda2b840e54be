/* A small library for the installation tests. Its version resource and whether
 * and how it registers itself are chosen by the build (see CMakeLists.txt). */
#include <windows.h>

#ifdef VL_REGISTER_RESULT
/* Tells the test which library was asked to register itself. */
__declspec(dllexport) HRESULT __stdcall DllRegisterServer(void) {
    SetEnvironmentVariableA("VL_TEST_SERVER_REGISTERED", VL_SERVER_NAME);
    return VL_REGISTER_RESULT;
}
#endif

#ifdef VL_UNREGISTER_RESULT
__declspec(dllexport) HRESULT __stdcall DllUnregisterServer(void) {
    return VL_UNREGISTER_RESULT;
}
#endif

/* Keeps the library from being empty when it exports nothing. */
__declspec(dllexport) int VlTestServerMarker(void) {
    return 1;
}
