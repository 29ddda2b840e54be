/* The application that the demo installs: it only says hello. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxA(NULL, "Hello from the Velmora Demo!", "Velmora Demo", MB_OK | MB_ICONINFORMATION);
    return 0;
}
