#include <windows.h>

#include "app/startup.h"

// The command line is ignored: everything comes from the current directory.
int WINAPI WinMain(HINSTANCE moduleInstance, HINSTANCE, LPSTR, int) {
    return RunSetup(moduleInstance);
}
