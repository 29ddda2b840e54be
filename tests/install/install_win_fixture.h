// What the Windows tests of the installation engine share: a thread that answers the boxes
// and dialogs the engine brings up, and a fixture with fresh engine state, DP in a temporary
// root, and the uninstall log.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/interpreter.h"
#include "engine/model.h"
#include "engine/variables.h"
#include "install/conflict_dialogs.h"
#include "install/install_file.h"
#include "install/run_directory.h"
#include "removal/uninstall_log.h"
#include "platform/app_state.h"
#include "test_support.h"

namespace installtest {

using namespace vltest;

inline std::string Built(const std::string& name) {
    return WinePath(VL_INSTALL_TEST_FILES) + "\\" + name;
}

// An expected box or dialog: its caption, the commands posted to it, a look at it first.
struct Box {
    std::string caption;
    std::vector<int> commands;
    std::function<void(HWND)> look = nullptr;
};

// Answers, from a second thread, the boxes of this process in the order given. A box out
// of order is noted with a "!" and closed with No, so that a fault fails the test instead
// of hanging it.
class Answerer {
  public:
    explicit Answerer(std::vector<Box> boxes = {}) : boxes_(boxes), thread_([this] { Run(); }) {}
    ~Answerer() { Unexpected(); }
    // Once the expected boxes came: empty when exactly they came, in order; else the captions
    // of all.
    std::string Unexpected() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        std::string expected;
        for (const Box& box : boxes_)
            expected += box.caption + "|";
        return seen_ == expected ? "" : seen_;
    }

  private:
    static HWND VisibleBox() {
        for (HWND box = nullptr; (box = FindWindowExA(nullptr, box, "#32770", nullptr));) {
            DWORD process = 0;
            GetWindowThreadProcessId(box, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(box))
                return box;
        }
        return nullptr;
    }
    void Run() {
        std::size_t next = 0;
        for (int idle = 0; !stop_ || (next < boxes_.size() && idle < 2000); idle += stop_ ? 1 : 0) {
            const HWND box = VisibleBox();
            char caption[512] = "";
            if (box == nullptr || !GetWindowTextA(box, caption, sizeof caption)) {
                Sleep(10);
                continue;
            }
            const bool expected = next < boxes_.size() && boxes_[next].caption == caption;
            seen_ += (expected ? "" : "!") + std::string(caption) + "|";
            if (expected && boxes_[next].look)
                boxes_[next].look(box);
            for (int command :
                 expected ? boxes_[next++].commands : std::vector<int>{IDNO, 1042, 1043})
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            for (int wait = 0; wait < 1000 && IsWindowVisible(box); ++wait)
                Sleep(10);
        }
    }

    std::vector<Box> boxes_;
    std::string seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class InstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static HMODULE templates =
            LoadLibraryExA(WinePath(VL_SETUP_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        instance = templates;
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        root = std::string(temp) + "vlinstall";
        app = root + "\\app";
        Fresh();
    }
    void TearDown() override {
        Fresh();
        RemoveTree(root);
    }
    // Engine state as at the start of a run, an empty root and an empty log.
    void Fresh() {
        DiscardRunDirectory();
        model.Clear();
        variables.Clear();
        ResetConflictAnswers();
        ResetQuitRequest();
        CloseUninstallLog();
        RemoveTree(root);
        CreateDirectoryA(root.c_str(), nullptr);
        StartInstallation();
        ResetInstallationRun();
        // No application name: no Uninstall entry is written.
        ASSERT_TRUE(
            BeginUninstallLog(root + "\\Uninstall.log", "", root + "\\VLUninstall.exe", {}));
        variables.Assign("DP", app + "\\");
        char windows[MAX_PATH] = "";
        GetWindowsDirectoryA(windows, MAX_PATH);
        variables.Assign("WINPATH", windows);
    }
    // A record whose source `name` on `disk` holds `bytes`.
    FileRecord& Add(const std::string& name, const std::string& bytes,
                    const std::string& destination, int shared = 0, int disk = 1) {
        FileRecord record;
        record.source = root + "\\disk" + std::to_string(disk) + "\\" + name;
        EXPECT_TRUE(WriteBytes(record.source, bytes)) << name;
        record.destination = destination;
        record.shared = shared;
        model.files.push_back(record);
        return model.files.back();
    }
    // The log's entries.
    std::string Log() {
        CloseUninstallLog();
        return LogAfterFiles(ReadBytes(root + "\\Uninstall.log"));
    }

    std::string root;
    std::string app;
};

} // namespace installtest
