/* The floors of the copy: installs the files of a directory one by one into
 * another, with nothing else around it, as a bare loop over the version
 * service (ver) or over CopyFileA (copy).
 *   bench_install_loop ver|copy SOURCE_DIR DEST_DIR */
#include <windows.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 4 || (strcmp(argv[1], "ver") != 0 && strcmp(argv[1], "copy") != 0)) {
        fprintf(stderr, "usage: bench_install_loop ver|copy SOURCE_DIR DEST_DIR\n");
        return 2;
    }
    const int useService = strcmp(argv[1], "ver") == 0;
    char source[MAX_PATH], destination[MAX_PATH], pattern[MAX_PATH];
    snprintf(source, sizeof source, "%s\\", argv[2]);
    snprintf(pattern, sizeof pattern, "%s\\*", argv[2]);
    /* Every level of the destination, as the setup makes them. */
    char level[MAX_PATH];
    snprintf(level, sizeof level, "%s", argv[3]);
    for (char* at = strchr(level + 3, '\\'); at != NULL; at = strchr(at + 1, '\\')) {
        *at = '\0';
        CreateDirectoryA(level, NULL);
        *at = '\\';
    }
    CreateDirectoryA(argv[3], NULL);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    int files = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        BOOL done;
        if (useService) {
            char temporary[MAX_PATH] = "";
            UINT length = MAX_PATH;
            const DWORD result =
                VerInstallFileA(VIFF_FORCEINSTALL, found.cFileName, found.cFileName, source,
                                argv[3], NULL, temporary, &length);
            done = (result & VIF_ACCESSVIOLATION) == 0 && (result & VIF_WRITEPROT) == 0 &&
                   (result & VIF_CANNOTCREATE) == 0;
        } else {
            char from[MAX_PATH];
            snprintf(from, sizeof from, "%s%s", source, found.cFileName);
            snprintf(destination, sizeof destination, "%s\\%s", argv[3], found.cFileName);
            done = CopyFileA(from, destination, FALSE);
        }
        if (!done) {
            fprintf(stderr, "cannot install %s\n", found.cFileName);
            return 1;
        }
        ++files;
    }
    FindClose(search);
    printf("%d files\n", files);
    return 0;
}
