#include "install/install_file.h"

#include <windows.h>

#include "engine/model.h"
#include "platform/system_libraries.h"
#include "engine/variables.h"
#include "install/conflict_dialogs.h"
#include "engine/path_text.h"
#include "install/restart_replace.h"
#include "install/run_directory.h"
#include "install/self_register.h"
#include "install/source_retrieval.h"
#include "install/uninstall_log.h"
#include "engine/uninstall_log_text.h"

namespace {

// The version service's headers take its input texts as writable although it
// only reads them.
char* ServiceText(const std::string& text) {
    return const_cast<char*>(text.c_str());
}

bool FitsPlatform(const std::string& path) {
    return path.size() < MAX_PATH;
}

// The short (8.3) form of an existing path, or the path itself when the
// platform has none.
std::string ShortPathOf(const std::string& path) {
    const DWORD needed = GetShortPathNameA(path.c_str(), nullptr, 0);
    if (needed == 0) {
        return path;
    }
    std::string shortPath(needed, '\0');
    const DWORD length = GetShortPathNameA(path.c_str(), &shortPath[0], needed);
    if (length == 0 || length >= needed) {
        return path;
    }
    shortPath.resize(length);
    return shortPath;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The source as the version service takes it: the short form split into the
// directory with its trailing backslash and the name.
struct ServiceSource {
    std::string directory;
    std::string name;
    std::string Path() const { return directory + name; }
};

// A temporary copy that the version service leaves in the destination
// directory when it declines a file; it is kept for a forced repetition,
// which takes it over, and removed when the file is not installed.
struct ServiceTemporaryFile {
    char name[MAX_PATH] = "";
    UINT length = MAX_PATH;

    void Discard(DWORD result, const std::string& directory) {
        if ((result & VIF_TEMPFILE) != 0 && name[0] != '\0') {
            DeleteFileA((directory + "\\" + name).c_str());
        }
        name[0] = '\0';
    }
};

void TellPathTooLong(const ServiceSource& source, const std::string& path) {
    MessageBoxA(nullptr, PathTooLongText(path).c_str(), source.name.c_str(), MB_OK);
}

void TellFileInUse(const ServiceSource& source) {
    MessageBoxA(nullptr, kFileInUseText, source.name.c_str(), MB_OK);
}

// Asks the version service where a shared file goes (`recommended`) and where
// a copy of it is now (`current`), with buffers as large as it needs.
DWORD FindSharedFile(const std::string& name, std::string& current, std::string& recommended) {
    const std::string windowsDirectory = variables.Lookup("WINPATH");
    const std::string applicationDirectory = variables.Lookup("DP");
    UINT currentSize = MAX_PATH;
    UINT recommendedSize = MAX_PATH;
    DWORD result = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        current.assign(currentSize, '\0');
        recommended.assign(recommendedSize, '\0');
        UINT currentLength = currentSize;
        UINT recommendedLength = recommendedSize;
        result = SystemFunctions().VerFindFileA(
            VFFF_ISSHAREDFILE, ServiceText(name), ServiceText(windowsDirectory),
            ServiceText(applicationDirectory), &current[0], &currentLength, &recommended[0],
            &recommendedLength);
        if ((result & VFF_BUFFTOOSMALL) == 0) {
            break;
        }
        currentSize = currentLength > currentSize ? currentLength : currentSize;
        recommendedSize = recommendedLength > recommendedSize ? recommendedLength : recommendedSize;
    }
    current.resize(current.find('\0'));
    recommended.resize(recommended.find('\0'));
    return result;
}

// A shared file in use is replaced at the next restart; when that cannot be
// arranged the user learns that the file stays as it is.
void ReplaceSharedAtRestart(const ServiceSource& source, const std::string& installedPath) {
    if (ReplaceAtRestart(source.Path(), installedPath, source.name) != 0) {
        TellFileInUse(source);
    }
}

int InstallShared(const ServiceSource& source, const std::string& destinationName, int disk) {
    std::string current;
    std::string recommended;
    const DWORD found = FindSharedFile(source.name, current, recommended);
    const std::string installedPath = recommended + "\\" + destinationName;
    if (!FitsPlatform(installedPath) || !FitsPlatform(source.Path())) {
        TellPathTooLong(source, FitsPlatform(installedPath) ? source.Path() : installedPath);
        return 1;
    }
    if ((found & VFF_FILEINUSE) != 0) {
        ReplaceSharedAtRestart(source, installedPath);
        return 0;
    }

    DWORD flags = 0;
    ServiceTemporaryFile temporary;
    for (;;) {
        temporary.length = MAX_PATH;
        const DWORD result = SystemFunctions().VerInstallFileA(
            flags, ServiceText(source.name), ServiceText(destinationName),
            ServiceText(source.directory), ServiceText(recommended), ServiceText(current),
            temporary.name, &temporary.length);
        currentDestinationPath = installedPath;
        currentSourcePath = source.Path();
        // An older source comes back with the service's temporary copy and the
        // mismatch bit as well. The newer copy in place stays, without a message
        // about the temporary copy or a question about attributes.
        if ((result & VIF_SRCOLD) != 0) {
            temporary.Discard(result, recommended);
            return 0;
        }
        const int action = MapInstallResult(result, source.name, disk, ScreenQuestions());
        if (action == kActionRetry) {
            continue;
        }
        if (action == kActionForce) {
            flags = VIFF_FORCEINSTALL;
            continue;
        }
        if (action == kActionInstalled) {
            break;
        }
        temporary.Discard(result, recommended);
        if (action == kActionReplaceAtRestart) {
            ReplaceSharedAtRestart(source, installedPath);
            return 0;
        }
        return action == kActionSkip ? 0 : 1;
    }

    HMODULE library = LoadInstalledLibrary(installedPath);
    WriteUninstallLog(SharedLogEntry(recommended, destinationName));
    if (library != nullptr) {
        RegisterServer(library, installedPath);
    }
    return 0;
}

int InstallNonShared(const ServiceSource& source, const std::string& expandedDestination,
                     int disk) {
    const std::string destination = CollapseBackslashes(expandedDestination);
    const std::string directory = DirectoryOf(destination);
    const std::string name = FileNameOf(destination);
    CreateDirectoryA(directory.c_str(), nullptr);
    currentDestinationPath = destination;
    if (!FitsPlatform(destination) || !FitsPlatform(source.Path())) {
        TellPathTooLong(source, FitsPlatform(destination) ? source.Path() : destination);
        return 1;
    }

    const bool existed = FileExists(destination);
    if (existed && !overwriteAllAnswer) {
        const int answer = AskOverwrite();
        if (answer == 0) {
            return 0;
        }
        if (answer == 2) {
            overwriteAllAnswer = true;
        }
    }
    // The user's file is never emptied beforehand: when the installation then
    // fails, it must still be there. A missing destination is created, and
    // removed again when it is not installed after all.
    bool createdHere = false;
    if (!existed) {
        HANDLE created = CreateFileA(destination.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            CloseHandle(created);
            createdHere = true;
        }
    }
    const auto notInstalled = [&](int code) {
        if (createdHere) {
            DeleteFileA(destination.c_str());
        }
        return code;
    };

    // Installed under its long name: the service replaces the destination by
    // a file of exactly the name it is given. The directory goes in its short
    // form: the service builds its temporary file's path in a buffer of about
    // 128 characters, so a long directory of 116 characters or more already
    // fails there. The directory exists by now, so it has a short form.
    const std::string serviceDirectory = ShortPathOf(directory);
    ServiceTemporaryFile temporary;
    for (;;) {
        temporary.length = MAX_PATH;
        const DWORD result = SystemFunctions().VerInstallFileA(
            VIFF_FORCEINSTALL, ServiceText(source.name), ServiceText(name),
            ServiceText(source.directory), ServiceText(serviceDirectory), nullptr, temporary.name,
            &temporary.length);
        const int action = MapInstallResult(result, source.name, disk, ScreenQuestions());
        if (action == kActionRetry) {
            continue;
        }
        if (action == kActionInstalled || action == kActionForce) {
            break;
        }
        temporary.Discard(result, serviceDirectory);
        if (action == kActionReplaceAtRestart) {
            TellFileInUse(source);
            return notInstalled(1);
        }
        return notInstalled(action == kActionSkip ? 0 : 1);
    }

    // The uninstaller reads the short form, taken from the file as installed.
    const std::string shortPath = ShortPathOf(destination);
    WriteUninstallLog(NonSharedLogEntry(DirectoryOf(shortPath), FileNameOf(shortPath)));
    return 0;
}

} // namespace

int InstallFile(const std::string& sourcePath, std::size_t index) {
    if (index >= model.files.size()) {
        return 0;
    }
    const std::string shortSource = ShortPathOf(sourcePath);
    const ServiceSource source{DirectoryWithBackslashOf(shortSource), FileNameOf(shortSource)};

    FileRecord& record = model.files[index];
    variables.ExpandReferences(record.destination);
    const std::string destination = record.destination;
    if (record.shared != 0) {
        return InstallShared(source, FileNameOf(destination), record.disk);
    }
    return InstallNonShared(source, destination, record.disk);
}

int InstallFileRecord(std::size_t index, std::string& installedPath) {
    installedPath.clear();
    if (index >= model.files.size()) {
        return 0;
    }
    if (model.files[index].splitPart == 0) {
        if (InstallFile(model.files[index].source, index) != 0) {
            return 1;
        }
        installedPath = CollapseBackslashes(model.files[index].destination);
        return 0;
    }

    std::string stagingPath;
    if (FetchPart(index, stagingPath) == PartFetch::Quit) {
        DeleteRunFile(stagingPath);
        incompleteSplitFiles.erase(stagingPath);
        return 1;
    }
    if (model.files[index].lastPart == 0) {
        return 0;
    }
    // A file with a skipped part is truncated; installing it would break
    // whatever uses it.
    if (incompleteSplitFiles.erase(stagingPath) != 0) {
        DeleteRunFile(stagingPath);
        FileRecord& record = model.files[index];
        variables.ExpandReferences(record.destination);
        const std::string destination = CollapseBackslashes(record.destination);
        MessageBoxA(nullptr, SplitFileNotInstalledText(destination).c_str(),
                    FileNameOf(destination).c_str(), MB_OK | MB_ICONWARNING);
        return 0;
    }
    const int result = InstallFile(stagingPath, index);
    DeleteRunFile(stagingPath);
    if (result != 0) {
        return 1;
    }
    installedPath = CollapseBackslashes(model.files[index].destination);
    return 0;
}
