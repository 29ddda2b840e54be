#include "install/install_file.h"

#include <windows.h>

#include <map>
#include <set>

#include "engine/model.h"
#include "engine/path_text.h"
#include "engine/uninstall_log_read.h"
#include "engine/uninstall_log_text.h"
#include "engine/variables.h"
#include "install/conflict_dialogs.h"
#include "install/direct_copy.h"
#include "removal/removal.h"
#include "install/restart_replace.h"
#include "install/self_register.h"
#include "install/source_retrieval.h"
#include "removal/uninstall_log.h"
#include "platform/file_system.h"
#include "platform/message_pump.h"
#include "platform/run_log.h"
#include "platform/system_libraries.h"

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

// Short forms of the directories this run has asked for: under some systems
// asking walks the whole directory, and a run installs thousands of files into
// one. A directory that does not exist yet has no short form and is not kept.
std::map<std::string, std::string> shortDirectories;

std::string ShortDirectoryOf(const std::string& directory) {
    if (directory.size() <= 2) {
        return directory; // "C:" and the like, the root of a drive
    }
    const auto known = shortDirectories.find(directory);
    if (known != shortDirectories.end()) {
        return known->second;
    }
    const std::string shortForm = ShortPathOf(directory);
    if (shortForm != directory ||
        GetFileAttributesA(directory.c_str()) != INVALID_FILE_ATTRIBUTES) {
        shortDirectories.emplace(directory, shortForm);
    }
    return shortForm;
}

// The short form of an existing file's path, asking only for what can differ.
std::string ShortFilePathOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    if (name == path || !IsOwnShortName(name)) {
        return ShortPathOf(path);
    }
    return ShortDirectoryOf(DirectoryOf(path)) + "\\" + name;
}

// Under some systems every lookup of a path with a short (8.3) form in it
// reads the whole directory that holds the shortened name, several times per
// file, so paths go to the version service as they are wherever they fit its
// buffers: it builds its temporary file's path in one of about 128
// characters, and a directory of 116 characters or more already fails there.
// A longer directory goes in its short form, which exists by then.
constexpr std::size_t kServiceDirectoryLimit = 100;

std::string ServiceDirectoryOf(const std::string& directory) {
    return directory.size() <= kServiceDirectoryLimit ? directory : ShortDirectoryOf(directory);
}

// The files this run installed into directories it made itself. Such a
// directory holds nothing else, so whether a file is there needs no question
// to the file system, which under some systems reads the whole directory to
// tell that a name is missing.
std::set<std::string> filesInMadeDirectories;

bool IsMadeDirectory(const std::string& directory) {
    const std::string comparable = ComparablePath(directory);
    for (const std::string& made : installationRun.madeDirectories) {
        if (ComparablePath(made) == comparable) {
            return true;
        }
    }
    return false;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The source as the version service takes it: the directory with its
// trailing backslash and the name.
struct ServiceSource {
    std::string path; // as the record or the staging file gives it
    std::string directory;
    std::string name;
    bool large = false; // the service takes long over it
    std::string Path() const { return directory + name; }
    // The name messages about the source carry: its short form, asked for
    // only when a message is shown.
    std::string Caption() const { return FileNameOf(ShortPath()); }
    // The source as messages, questions and restart entries give it.
    std::string ShortPath() const { return ShortFilePathOf(path); }
};

// Sources from this size on are installed on a worker thread, so that the
// windows answer while the service copies or expands them.
constexpr uint64_t kLargeSource = 4 * 1024 * 1024;

bool IsLarge(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           ((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) >= kLargeSource;
}

// A temporary copy that the version service leaves in the destination
// directory when it declines a file. Every call gets an empty buffer, as the
// service asks; a copy from an earlier call is removed first, since the service
// then makes a new one.
struct ServiceTemporaryFile {
    char name[MAX_PATH] = "";
    UINT length = MAX_PATH;
    std::string directory;

    // Installs `source` as `destinationName` into the directory with the
    // service, which fills the name of its temporary copy in here.
    DWORD Install(DWORD flags, const ServiceSource& source, const std::string& destinationName,
                  const char* current) {
        const auto install = [&] {
            return SystemFunctions().VerInstallFileA(
                flags, ServiceText(source.name), ServiceText(destinationName),
                ServiceText(source.directory), ServiceText(directory), const_cast<char*>(current),
                name, &length);
        };
        return source.large ? RunWhileAnswering(install) : install();
    }

    // The copy the last call left, empty when there is none.
    std::string Path(DWORD result) const {
        if ((result & VIF_TEMPFILE) == 0 || name[0] == '\0') {
            return std::string();
        }
        return directory + (name[0] == '\\' ? "" : "\\") + name;
    }
    void Discard(DWORD result) {
        const std::string path = Path(result);
        if (!path.empty()) {
            DeleteFileA(path.c_str());
        }
        name[0] = '\0';
        length = MAX_PATH;
    }
};

// Questions and messages name the source only when the service reports more
// than success.
int MapResult(DWORD result, const ServiceSource& source, int disk, InstallQuestions& questions) {
    return result == 0 ? kActionInstalled
                       : MapInstallResult(result, source.Caption(), disk, questions);
}

void TellPathTooLong(const ServiceSource& source, const std::string& path) {
    AskOrAnswer(nullptr, PathTooLongText(path), source.Caption(), MB_OK, IDOK);
}

void TellFileInUse(const ServiceSource& source) {
    AskOrAnswer(nullptr, kFileInUseText, source.Caption(), MB_OK, IDOK);
}

// Asks the version service where a shared file named `name` goes
// (`recommended`) and where a copy of that name is now (`current`), with
// buffers as large as it needs.
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

// A shared file that this application uses without having installed it now:
// kept because the copy in place is newer, or replaced only at the next
// restart. It is logged and counted like an installed one, so that its use
// is taken back when the application goes.
void LogSharedInPlace(const std::string& path) {
    RunLogEntry logged;
    logged.entry.path = path;
    logged.entry.shared = true;
    logged.installed = path;
    logged.counted = !ListedEarlier(path);
    LogInstalledEntry(SharedLogEntry(DirectoryOf(path), FileNameOf(path)), logged);
    if (logged.counted) {
        CountSharedFileUse(path, true);
    }
}

// The copy in place that the version service compared the source with: in
// the directory where it found one, else the one it recommends.
std::string SharedInPlace(const std::string& current, const std::string& recommended,
                          const std::string& name) {
    std::string directory = current.empty() ? recommended : current;
    while (directory.size() > 3 && directory.back() == '\\') {
        directory.pop_back();
    }
    return directory + "\\" + name;
}

// A shared file in use is replaced at the next restart by `newFile`; when that
// cannot be arranged the user learns that the file stays as it is.
void ReplaceSharedAtRestart(const ServiceSource& source, const std::string& newFile,
                            const std::string& destinationPath, const std::string& inPlace) {
    if (ReplaceAtRestart(newFile, destinationPath, source.Caption()) != 0) {
        TellFileInUse(source);
        return;
    }
    LogSharedInPlace(inPlace);
}

int InstallShared(const ServiceSource& source, const std::string& destinationName, int disk,
                  std::string& installedPath) {
    std::string current;
    std::string recommended;
    // The copy in place carries the destination's name, which need not be the
    // source's.
    const DWORD found = FindSharedFile(destinationName, current, recommended);
    const std::string destination = recommended + "\\" + destinationName;
    if (!FitsPlatform(destination) || !FitsPlatform(source.Path())) {
        TellPathTooLong(source, FitsPlatform(destination) ? source.Path() : destination);
        return 1;
    }
    const std::string inPlace = SharedInPlace(current, recommended, destinationName);
    if ((found & VFF_FILEINUSE) != 0) {
        ReplaceSharedAtRestart(source, source.ShortPath(), destination, inPlace);
        return 0;
    }

    const bool existed = FileExists(destination);
    DWORD flags = 0;
    ServiceTemporaryFile temporary;
    temporary.directory = recommended;
    ScreenQuestions questions(source.ShortPath(), destination);
    for (;;) {
        const DWORD result = temporary.Install(flags, source, destinationName, current.c_str());
        // An older source comes back with the service's temporary copy and the
        // mismatch bit as well. The newer copy in place stays, without a message
        // about the temporary copy or a question about attributes.
        if ((result & VIF_SRCOLD) != 0) {
            temporary.Discard(result);
            LogStep("kept " + inPlace + ": the copy in place is newer");
            LogSharedInPlace(inPlace);
            return 0;
        }
        const int action = MapResult(result, source, disk, questions);
        if (action == kActionRetry || action == kActionForce) {
            temporary.Discard(result);
            flags = action == kActionForce ? VIFF_FORCEINSTALL : flags;
            continue;
        }
        if (action == kActionInstalled) {
            break;
        }
        if (action == kActionReplaceAtRestart) {
            // The service's copy is the file as it is to be installed: a
            // compressed source comes expanded.
            const std::string made = temporary.Path(result);
            ReplaceSharedAtRestart(source, made.empty() ? source.ShortPath() : made, destination,
                                   inPlace);
            temporary.Discard(result);
            return 0;
        }
        temporary.Discard(result);
        return action == kActionSkip ? 0 : 1;
    }

    HMODULE library = LoadInstalledLibrary(destination);
    RunLogEntry logged;
    logged.entry.path = recommended + "\\" + destinationName;
    logged.entry.shared = true;
    logged.installed = destination;
    logged.madeByThisRun = !existed;
    // The same application installed again uses the file once.
    logged.counted = !ListedEarlier(logged.entry.path);
    CancelPendingDelete(destination);
    const bool listed = LogInstalledEntry(SharedLogEntry(recommended, destinationName), logged);
    if (logged.counted) {
        CountSharedFileUse(logged.entry.path, existed);
    }
    if (library != nullptr) {
        installationRun.entries.back().entry.registration =
            RegisterServer(library, destination, listed) ? SelfRegistration::Registered
                                                         : SelfRegistration::NoExport;
    }
    LogStep("installed shared file " + destination);
    installedPath = destination;
    return 0;
}

int InstallNonShared(const ServiceSource& source, const std::string& expandedDestination, int disk,
                     std::string& installedPath) {
    const std::string destination = CollapseBackslashes(expandedDestination);
    const std::string directory = DirectoryOf(destination);
    const std::string name = FileNameOf(destination);
    if (!FitsPlatform(destination) || !FitsPlatform(source.Path())) {
        TellPathTooLong(source, FitsPlatform(destination) ? source.Path() : destination);
        return 1;
    }
    // A directory whose short form this run has asked for exists.
    if (shortDirectories.count(directory) == 0) {
        const DWORD attributes = GetFileAttributesA(directory.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            CreateDirectoryPath(directory, &installationRun.madeDirectories);
        }
    }

    const bool madeDirectory = IsMadeDirectory(directory);
    const bool existed = madeDirectory
                             ? filesInMadeDirectories.count(ComparablePath(destination)) != 0
                             : FileExists(destination);
    // An unattended run replaces what an earlier installation of this
    // application put there, and nothing else.
    if (existed && !OverwriteAllAnswered() &&
        AskOverwrite(destination, ListedEarlier(ShortFilePathOf(destination))) == 0) {
        return 0;
    }
    // The user's file is never emptied beforehand: when the installation then
    // fails, it must still be there. A missing destination is made new and
    // removed again when the copy fails, so that nothing is there when it is
    // not installed.
    // Installed under its long name: the service replaces the destination by
    // a file of exactly the name it is given.
    ServiceTemporaryFile temporary;
    temporary.directory = ServiceDirectoryOf(directory);
    ScreenQuestions questions;
    // Nothing in place: a plain copy leaves what the service would.
    bool direct = !existed;
    for (;;) {
        DWORD result = 0;
        if (direct) {
            const auto copy = [&] {
                return static_cast<DWORD>(CopyDirectly(source.Path(), destination));
            };
            result = source.large ? RunWhileAnswering(copy) : copy();
            if (result == kTakeTheService) {
                direct = false;
                continue;
            }
        } else {
            result = temporary.Install(VIFF_FORCEINSTALL, source, name, nullptr);
        }
        const int action = MapResult(result, source, disk, questions);
        if (action == kActionInstalled || action == kActionForce) {
            break;
        }
        temporary.Discard(result);
        if (action == kActionRetry) {
            continue;
        }
        if (action == kActionReplaceAtRestart) {
            TellFileInUse(source);
            return 1;
        }
        return action == kActionSkip ? 0 : 1;
    }

    // The uninstaller reads the short form, taken from the file as installed.
    const std::string shortPath = ShortFilePathOf(destination);
    RunLogEntry logged;
    logged.entry.path = shortPath;
    logged.installed = destination;
    logged.madeByThisRun = !existed;
    CancelPendingDelete(destination);
    LogInstalledEntry(NonSharedLogEntry(DirectoryOf(shortPath), FileNameOf(shortPath)), logged);
    if (madeDirectory) {
        filesInMadeDirectories.insert(ComparablePath(destination));
    }
    LogStep("installed " + destination);
    installedPath = destination;
    return 0;
}

} // namespace

void StartInstallation() {
    shortDirectories.clear();
    filesInMadeDirectories.clear();
    ForgetPendingDeletes();
}

int InstallFile(const std::string& sourcePath, std::size_t index, std::string& installedPath) {
    installedPath.clear();
    if (index >= model.files.size()) {
        return 0;
    }
    ServiceSource source;
    source.path = sourcePath;
    source.name = FileNameOf(sourcePath);
    if (source.name != sourcePath) {
        source.directory = ServiceDirectoryOf(DirectoryOf(sourcePath)) + "\\";
    }
    if (!FitsPlatform(source.Path())) {
        const std::string shortSource = ShortFilePathOf(sourcePath);
        source.directory = DirectoryWithBackslashOf(shortSource);
        source.name = FileNameOf(shortSource);
    }
    source.large = IsLarge(sourcePath);

    FileRecord& record = model.files[index];
    variables.ExpandReferences(record.destination);
    const std::string destination = record.destination;
    if (record.shared != 0) {
        return InstallShared(source, FileNameOf(destination), record.disk, installedPath);
    }
    return InstallNonShared(source, destination, record.disk, installedPath);
}

int InstallFileRecord(std::size_t index, std::string& installedPath) {
    installedPath.clear();
    if (index >= model.files.size()) {
        return 0;
    }
    FileRecord& record = model.files[index];
    if (record.splitPart == 0) {
        return InstallFile(record.source, index, installedPath);
    }

    std::string stagingPath;
    if (FetchPart(index, stagingPath) == PartFetch::Quit) {
        DiscardStagingFile(stagingPath);
        return 1;
    }
    if (record.lastPart == 0) {
        return 0;
    }
    // A file with a skipped part is truncated; installing it would break
    // whatever uses it.
    if (!SplitFileIsWhole(stagingPath)) {
        DiscardStagingFile(stagingPath);
        variables.ExpandReferences(record.destination);
        const std::string destination = CollapseBackslashes(record.destination);
        AskOrAnswer(nullptr, SplitFileNotInstalledText(destination), FileNameOf(destination),
                    MB_OK | MB_ICONWARNING, IDOK);
        return 0;
    }
    const int result = InstallFile(stagingPath, index, installedPath);
    DiscardStagingFile(stagingPath);
    return result;
}
