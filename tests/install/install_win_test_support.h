// Shared pieces of the installation engine's Windows tests: temporary
// directories, file helpers, a thread that answers message boxes and dialogs,
// and a fixture that resets the engine's process-wide state around each test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "symbolic_links.h"

#include "engine/model.h"
#include "engine/interpreter.h"
#include "platform/app_state.h"
#include "engine/variables.h"
#include "install/conflict_dialogs.h"
#include "install/install_file.h"
#include "install/run_directory.h"
#include "install/source_retrieval.h"
#include "install/uninstall_log.h"

namespace installtest {

// The build hands over Linux paths; Wine sees the Linux root as drive Z:.
inline std::string WinePath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

// A file that the test build made (test libraries, the packed text).
inline std::string BuiltFile(const std::string& name) {
    return WinePath(VL_INSTALL_TEST_FILES) + "\\" + name;
}

inline bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size()) << path;
}

// The whole file, or "<missing>" when it cannot be opened.
inline std::string ReadFileBytes(const std::string& path) {
    return links::ReadBytes(path);
}

// Compares two files without printing binary contents on failure.
inline ::testing::AssertionResult SameContent(const std::string& path,
                                              const std::string& expectedPath) {
    const std::string actual = ReadFileBytes(path);
    const std::string expected = ReadFileBytes(expectedPath);
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << path << " (" << actual.size() << " bytes) differs from "
                                         << expectedPath << " (" << expected.size() << " bytes)";
}

inline void CopyTestFile(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

// Names of the entries of a directory, sorted.
inline std::vector<std::string> DirectoryEntries(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string ShortPath(const std::string& path) {
    char buffer[1024] = "";
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

inline std::string ShortNameOf(const std::string& path) {
    const std::string shortPath = ShortPath(path);
    return shortPath.substr(shortPath.rfind('\\') + 1);
}

inline std::string SystemDirectory() {
    char buffer[MAX_PATH] = "";
    GetSystemDirectoryA(buffer, MAX_PATH);
    return buffer;
}

inline void RemoveTree(const std::string& directory) {
    for (const std::string& name : DirectoryEntries(directory)) {
        const std::string path = directory + "\\" + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(directory.c_str());
}

// A fresh directory under the user's temporary folder, removed with all it
// holds at the end of the test.
class TempDirectory {
  public:
    TempDirectory() {
        char base[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, base);
        static int counter = 0;
        path_ = std::string(base) + "vlinstall_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter);
        RemoveTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempDirectory() { RemoveTree(path_); }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return path_; }

    // Creates a subdirectory (one level) and returns its path.
    std::string Make(const std::string& name) const {
        const std::string path = path_ + "\\" + name;
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }

  private:
    std::string path_;
};

// A message box or dialog as the answering thread found it.
struct SeenDialog {
    std::string caption;
    std::map<int, std::string> items; // control id -> text; 0xFFFF is a message box's text

    std::string Text() const {
        const auto item = items.find(0xFFFF);
        return item == items.end() ? std::string() : item->second;
    }
    std::string Item(int id) const {
        const auto item = items.find(id);
        return item == items.end() ? std::string("<no control>") : item->second;
    }
};

// One expected dialog: its caption, the commands to post to it in order, and
// something to do before they are posted (such as putting a missing disk in).
struct Answer {
    std::string caption;
    std::vector<int> commands;
    std::function<void()> before;
};

constexpr DWORD kDialogWaitMs = 20000;
constexpr DWORD kCloseWaitMs = 10000;

// Answers the message boxes and dialogs that the test's own thread brings up,
// from a second thread: it finds each visible "#32770" window of this process,
// records its caption and texts, and posts WM_COMMAND with the scripted
// buttons. Dialogs that are not in the script are recorded and closed with a
// No-like answer, so that a wrong behaviour fails the test instead of hanging
// it. Every wait has a limit.
class DialogAnswerer {
  public:
    explicit DialogAnswerer(std::vector<Answer> script = {})
        : script_(std::move(script)), thread_([this] { Run(); }) {}
    ~DialogAnswerer() { Finish(); }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Ends the watch; call after the code under test has returned.
    void Finish() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Dialogs answered by the script, in order.
    std::vector<SeenDialog> Seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

    // Everything that went differently from the script; empty when all went
    // as expected.
    std::vector<std::string> Problems() {
        std::lock_guard<std::mutex> lock(mutex_);
        return problems_;
    }

    // Finishes and checks that every scripted dialog came and no other.
    void ExpectScriptDone() {
        Finish();
        for (const std::string& problem : Problems()) {
            ADD_FAILURE() << problem;
        }
    }

  private:
    static std::string TextOf(HWND window) {
        char buffer[4096] = "";
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer,
                                 reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                 2000, &copied)) {
            return std::string();
        }
        return std::string(buffer, std::min<std::size_t>(copied, sizeof buffer - 1));
    }

    static BOOL CALLBACK CollectItem(HWND child, LPARAM found) {
        auto* items = reinterpret_cast<std::map<int, std::string>*>(found);
        (*items)[GetDlgCtrlID(child)] = TextOf(child);
        return TRUE;
    }

    static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char className[64] = "";
        GetClassNameA(window, className, sizeof className);
        if (process == GetCurrentProcessId() && std::string(className) == "#32770" &&
            IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static HWND VisibleDialog() {
        HWND found = nullptr;
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    static SeenDialog Look(HWND window) {
        SeenDialog seen;
        seen.caption = TextOf(window);
        EnumChildWindows(window, CollectItem, reinterpret_cast<LPARAM>(&seen.items));
        return seen;
    }

    static bool WaitClosed(HWND window) {
        const ULONGLONG deadline = GetTickCount64() + kCloseWaitMs;
        while (IsWindow(window) && IsWindowVisible(window)) {
            if (GetTickCount64() > deadline) {
                return false;
            }
            Sleep(10);
        }
        return true;
    }

    void Problem(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        problems_.push_back(text);
    }

    // Closes a dialog that nobody expected with an answer that declines.
    void CloseUnexpected(HWND window) {
        const SeenDialog seen = Look(window);
        Problem("unexpected dialog \"" + seen.caption + "\": " + seen.Text());
        for (int command : {IDNO, 1042, 1043}) {
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        }
        WaitClosed(window);
    }

    void Run() {
        std::size_t next = 0;
        int unexpected = 0;
        ULONGLONG deadline = GetTickCount64() + kDialogWaitMs;
        for (;;) {
            HWND window = VisibleDialog();
            if (window == nullptr) {
                if (stop_) {
                    break;
                }
                if (next < script_.size() && GetTickCount64() > deadline) {
                    // Give up on the rest of the script, but go on closing
                    // whatever comes, so that the test's thread cannot hang.
                    for (; next < script_.size(); ++next) {
                        Problem("expected dialog \"" + script_[next].caption + "\" did not come");
                    }
                }
                Sleep(10);
                continue;
            }
            if (next >= script_.size() || TextOf(window) != script_[next].caption) {
                if (++unexpected > 50) {
                    Problem("too many unexpected dialogs; giving up");
                    break;
                }
                CloseUnexpected(window);
                continue;
            }
            const Answer& answer = script_[next++];
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(Look(window));
            }
            if (answer.before) {
                answer.before();
            }
            for (int command : answer.commands) {
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            }
            if (!WaitClosed(window)) {
                Problem("dialog \"" + answer.caption + "\" stayed open after its answer");
                CloseUnexpected(window);
            }
            deadline = GetTickCount64() + kDialogWaitMs;
        }
        for (; next < script_.size(); ++next) {
            Problem("expected dialog \"" + script_[next].caption + "\" did not come");
        }
    }

    std::vector<Answer> script_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::vector<std::string> problems_;
    std::thread thread_;
};

// The delayed moves that the platform keeps for the next start. Saves the list
// when made and puts it back when destroyed, so that a test's scheduled
// replacements do not reach later runs.
class PendingRenames {
  public:
    PendingRenames() {
        HKEY key = OpenKey();
        if (key == nullptr) {
            return;
        }
        DWORD size = 0;
        if (RegQueryValueExW(key, kValue, nullptr, &savedType_, nullptr, &size) == ERROR_SUCCESS) {
            saved_.resize(size);
            RegQueryValueExW(key, kValue, nullptr, &savedType_, saved_.data(), &size);
            hadValue_ = true;
        }
        RegCloseKey(key);
    }
    ~PendingRenames() {
        HKEY key = OpenKey();
        if (key == nullptr) {
            return;
        }
        if (hadValue_) {
            RegSetValueExW(key, kValue, 0, savedType_, saved_.data(),
                           static_cast<DWORD>(saved_.size()));
        } else {
            RegDeleteValueW(key, kValue);
        }
        RegCloseKey(key);
    }
    PendingRenames(const PendingRenames&) = delete;
    PendingRenames& operator=(const PendingRenames&) = delete;

    // Whether a replacement of `to` by `from` is in the list; entries are kept
    // as "\\??\\from", then "!\\??\\to" when the move may replace a file.
    static bool Holds(const std::string& from, const std::string& to) {
        HKEY key = OpenKey();
        if (key == nullptr) {
            return false;
        }
        DWORD type = 0;
        DWORD size = 0;
        std::string data;
        if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS &&
            type == REG_MULTI_SZ) {
            data.resize(size);
            RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                             reinterpret_cast<BYTE*>(&data[0]), &size);
        }
        RegCloseKey(key);
        const std::string entry = std::string("\\??\\") + from + '\0' + "!\\??\\" + to + '\0';
        return data.find(entry) != std::string::npos;
    }

    // Makes the platform refuse delayed moves: it keeps them in a list of
    // texts and will not add to a value of another type.
    static void Block() {
        HKEY key = OpenKey();
        ASSERT_NE(key, nullptr);
        const DWORD blocked = 0;
        RegSetValueExW(key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&blocked),
                       sizeof blocked);
        RegCloseKey(key);
    }

  private:
    static constexpr const wchar_t* kValue = L"PendingFileRenameOperations";

    static HKEY OpenKey() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                          0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            return nullptr;
        }
        return key;
    }

    bool hadValue_ = false;
    DWORD savedType_ = 0;
    std::vector<BYTE> saved_;
};

// The dialog templates live in the setup program; the tests show them from it.
inline HINSTANCE SetupResources() {
    static HMODULE module =
        LoadLibraryExA(WinePath(VL_SETUP_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

// Removes a quit request that a test left in this thread's queue, which would
// otherwise end the next dialog at once.
inline void DropQuitRequest() {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// Removes the run's temporary folder with everything the engine made in it,
// the copies scheduled for a restart included: the tests undo their scheduling
// themselves.
inline void DiscardRunDirectory() {
    for (const std::string& path : scheduledRunFiles) {
        DeleteFileA(path.c_str());
    }
    scheduledRunFiles.clear();
    const std::string folder = runDirectory;
    RemoveRunDirectory();
    if (!folder.empty()) {
        RemoveTree(folder); // with what a test put there itself
    }
}

// The copy that ReplaceAtRestart makes of a source named `sourceName`, once the
// run's temporary folder exists; empty before.
inline std::string RunCopyPath(const std::string& sourceName) {
    return runDirectory.empty() ? std::string() : runDirectory + "\\" + sourceName + ".tmp";
}

inline void ResetEngineState() {
    DiscardRunDirectory();
    model.Clear();
    variables.Clear();
    installAllAnswer = false;
    overwriteAllAnswer = false;
    currentSourcePath.clear();
    currentDestinationPath.clear();
    incompleteSplitFiles.clear();
    ResetQuitRequest();
    CurrentPage = CurrentPageInfo();
    mainWindow = nullptr;
    CloseUninstallLog();
    DropQuitRequest();
}

inline FileRecord& AddFileRecord(const std::string& source, const std::string& destination,
                                 int disk = 1) {
    FileRecord record;
    record.source = source;
    record.destination = destination;
    record.section = "Program";
    record.disk = static_cast<int16_t>(disk);
    model.files.push_back(record);
    return model.files.back();
}

// Fresh engine state, the dialog templates, a temporary root with an
// installation directory `app` as DP, and an uninstall log in the root.
class InstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetEngineState();
        instance = SetupResources();
        ASSERT_NE(instance, nullptr) << "setup program with the dialog templates";
        appDir = root.Make("app");
        variables.Assign("DP", appDir + "\\");
        logPath = root.Path() + "\\Uninstall.log";
        ASSERT_TRUE(OpenUninstallLog(logPath));
    }

    void TearDown() override { ResetEngineState(); }

    // The log's bytes as they are on disk once it is closed.
    std::string LogBytes() {
        CloseUninstallLog();
        return ReadFileBytes(logPath);
    }

    TempDirectory root;
    std::string appDir;
    std::string logPath;
};

} // namespace installtest
