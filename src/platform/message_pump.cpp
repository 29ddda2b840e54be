#include "platform/message_pump.h"

#include "platform/app_state.h"

namespace {

// Often enough that a repaint or a click is answered well within 100 ms,
// seldom enough that looking costs nothing beside a file.
constexpr DWORD kAnswerIntervalMs = 20;

DWORD lastAnswered = 0;

void HandOnMessages() {
    lastAnswered = GetTickCount();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the loop that owns it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        HWND page = CurrentPage.window;
        if (page != nullptr && IsWindow(page) && IsDialogMessageA(page, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct Job {
    const std::function<DWORD()>* work;
    DWORD result;
};

DWORD WINAPI RunJob(LPVOID parameter) {
    Job* job = static_cast<Job*>(parameter);
    job->result = (*job->work)();
    return 0;
}

} // namespace

void KeepWindowsAnswering() {
    if (GetTickCount() - lastAnswered >= kAnswerIntervalMs) {
        HandOnMessages();
    }
}

DWORD RunWhileAnswering(const std::function<DWORD()>& work) {
    Job job{&work, 0};
    HANDLE thread = CreateThread(nullptr, 0, RunJob, &job, 0, nullptr);
    if (thread == nullptr) {
        return work();
    }
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        HandOnMessages();
    }
    CloseHandle(thread);
    return job.result;
}
