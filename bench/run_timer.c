/* Starts a program in a directory and reports, on one line, the milliseconds
 * until it ended, until its first visible dialog appeared, its peak working
 * set in KiB, and the longest wait in milliseconds for that dialog to answer
 * a message (-1 unless probed), and the milliseconds until its first visible
 * window of any kind appeared:
 *   bench_run_timer PROGRAM DIRECTORY [--until-page | --probe]
 * With --until-page the program is ended as soon as its first dialog shows;
 * with --probe the dialog is sent WM_NULL every 10 ms until the program ends. */
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

static DWORD watched;
static int anyWindow; /* a visible window of the program was seen */

static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    DWORD process = 0;
    char name[16] = "";
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, name, sizeof name);
    if (process == watched && IsWindowVisible(window)) {
        anyWindow = 1;
    }
    if (process == watched && IsWindowVisible(window) && strcmp(name, "#32770") == 0) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

static void NotePeak(HANDLE process, SIZE_T* peak) {
    PROCESS_MEMORY_COUNTERS memory;
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, &memory, sizeof memory) &&
        memory.PeakWorkingSetSize > *peak) {
        *peak = memory.PeakWorkingSetSize;
    }
}

static double Since(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(now.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: bench_run_timer PROGRAM DIRECTORY [--until-page]\n");
        return 2;
    }
    const int untilPage = argc > 3 && strcmp(argv[3], "--until-page") == 0;
    const int probe = argc > 3 && strcmp(argv[3], "--probe") == 0;
    double longestWait = -1;
    HWND probed = NULL;
    char command[MAX_PATH + 2];
    snprintf(command, sizeof command, "\"%s\"", argv[1]);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(argv[1], command, NULL, NULL, FALSE, 0, NULL, argv[2], &startup,
                        &process)) {
        fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    watched = process.dwProcessId;
    double firstPage = -1;
    double firstWindow = -1;
    SIZE_T peak = 0;
    while (WaitForSingleObject(process.hProcess, probed != NULL ? 10 : 2) == WAIT_TIMEOUT) {
        NotePeak(process.hProcess, &peak); /* while it runs: an ended one may report nothing */
        HWND dialog = NULL;
        if (firstPage < 0) {
            EnumWindows(FindDialog, (LPARAM)&dialog);
        }
        if (firstWindow < 0 && anyWindow) {
            firstWindow = Since(start);
        }
        if (firstPage < 0 && dialog != NULL) {
            firstPage = Since(start);
            if (untilPage) {
                Sleep(200); /* so that the peak counts the page shown */
                break;
            }
            probed = probe ? dialog : NULL;
            longestWait = probe ? 0 : -1;
        }
        if (probed != NULL && IsWindow(probed)) {
            LARGE_INTEGER sent;
            DWORD_PTR result;
            QueryPerformanceCounter(&sent);
            SendMessageTimeoutA(probed, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            const double waited = Since(sent);
            longestWait = waited > longestWait ? waited : longestWait;
        }
    }
    NotePeak(process.hProcess, &peak);
    if (untilPage) {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    const double total = Since(start);
    printf("%.1f %.1f %lu %.1f %.1f\n", total, firstPage, (unsigned long)(peak / 1024), longestWait,
           firstWindow);
    return 0;
}
