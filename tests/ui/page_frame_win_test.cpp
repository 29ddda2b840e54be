#include "ui/page_frame.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "engine/interpreter.h"
#include "platform/app_state.h"
#include "platform/quit_question.h"
#include "resources/resource_ids.h"
#include "ui/app_windows.h"

namespace {

HWND MakeWindow(const char* className, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowA(className, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                         nullptr);
}

// Stands for a page: passes commands to the frame; WM_APP asks whether Next
// would act now.
bool nextWouldAct = true;
HANDLE asked = CreateEventA(nullptr, FALSE, FALSE, nullptr);

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        PageCommon(window, message, lParam, wParam, "DIALOG_WELCOME");
        return 0;
    }
    if (message == WM_APP) {
        nextWouldAct = IsNextPress(WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED));
        SetEvent(asked);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The quit questions that `thread` shows; with `answer` each is answered No.
// Found by their internal titles: asking a window of the test's thread for its
// text would wait for that thread.
int QuitQuestions(DWORD thread, bool answer) {
    int count = 0;
    for (HWND box = nullptr; (box = FindWindowExA(nullptr, box, "#32770", "Quit setup"));) {
        if (IsWindowVisible(box) && GetWindowThreadProcessId(box, nullptr) == thread) {
            ++count;
            if (answer)
                PostMessageA(box, WM_COMMAND, IDNO, 0);
        }
    }
    return count;
}

} // namespace

// Closed by Alt+F4 or WM_CLOSE, the background takes every page with it.
TEST(BackgroundWindow, GoingAwayEndsTheRun) {
    ResetQuitRequest();
    mainWindow = MakeWindow("VLTestBackground", AppWindowProc);
    ASSERT_NE(mainWindow, nullptr);
    DestroyWindow(mainWindow);
    EXPECT_TRUE(QuitRequested());
    mainWindow = nullptr;
    ResetQuitRequest();
}

// While the question is up the page under it is out of use, a Cancel that
// still reaches it opens no second question, and Next does nothing.
TEST(QuitQuestion, IsTaskModalAndNeverStacks) {
    ResetQuitRequest();
    HWND page = MakeWindow("VLTestPage", PageProc);
    bool pageDisabled = false;
    int questions = 0;
    const DWORD thread = GetCurrentThreadId();
    std::thread user([&] {
        for (int i = 0; i < 500 && QuitQuestions(thread, false) == 0; ++i)
            Sleep(20);
        pageDisabled = !IsWindowEnabled(page);
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_PAGE, BN_CLICKED), 0);
        PostMessageA(page, WM_APP, 0, 0);
        WaitForSingleObject(asked, 10000);
        questions = QuitQuestions(thread, false);
        while (QuitQuestions(thread, true) > 0)
            Sleep(50);
    });
    EXPECT_EQ(ConfirmQuit(1), 0);
    user.join();
    EXPECT_TRUE(pageDisabled);
    EXPECT_EQ(questions, 1);
    EXPECT_FALSE(nextWouldAct);
    EXPECT_FALSE(QuitRequested());
    EXPECT_TRUE(IsNextPress(WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED)));
    DestroyWindow(page);
}
