#include "platform/file_system.h"

#include <windows.h>

#include "engine/path_text.h"

bool CreateDirectoryPath(const std::string& directory) {
    for (const std::string& level : DirectoryLevels(directory)) {
        // A level that exists fails here and is used as it is.
        CreateDirectoryA(level.c_str(), nullptr);
    }
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
