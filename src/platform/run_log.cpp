#include "platform/run_log.h"

#include <cstdio>

bool quietRun = false;

namespace {

HANDLE runLog = INVALID_HANDLE_VALUE;
bool restartNeeded = false;

std::string AnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return std::to_string(answer);
    }
}

// A message as one line of the log.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\r') {
            continue;
        }
        line += c == '\n' ? ' ' : c;
    }
    return line;
}

} // namespace

bool OpenRunLog(const std::string& path) {
    CloseRunLog();
    runLog = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    return runLog != INVALID_HANDLE_VALUE;
}

void CloseRunLog() {
    if (runLog != INVALID_HANDLE_VALUE) {
        CloseHandle(runLog);
        runLog = INVALID_HANDLE_VALUE;
    }
}

void LogStep(const std::string& text) {
    if (runLog == INVALID_HANDLE_VALUE) {
        return;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u  ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    const std::string line = stamp + OneLine(text) + "\r\n";
    DWORD written = 0;
    WriteFile(runLog, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int AskOrAnswer(HWND owner, const std::string& text, const std::string& caption, UINT type,
                int quietAnswer, const std::string& why) {
    const UINT buttons = type & MB_TYPEMASK;
    const bool question = buttons != MB_OK;
    if (!quietRun) {
        const int answer = MessageBoxA(owner, text.c_str(), caption.c_str(), type);
        LogStep((question ? "asked \"" : "told \"") + caption + "\": " + text +
                (question ? " -> " + AnswerName(answer) : ""));
        return answer;
    }
    if (!question) {
        LogStep("message \"" + caption + "\": " + text);
    } else {
        LogStep("question \"" + caption + "\": " + text + " -> answered " +
                AnswerName(quietAnswer) + (why.empty() ? "" : " (" + why + ")"));
    }
    return quietAnswer;
}

void NoteRestartNeeded() {
    restartNeeded = true;
    LogStep("a file is replaced when Windows restarts");
}

bool RestartNeeded() {
    return restartNeeded;
}
