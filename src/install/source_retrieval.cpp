#include "install/source_retrieval.h"

#include <windows.h>

#include <vector>

#include "engine/model.h"
#include "platform/system_libraries.h"
#include "install/conflict_dialogs.h"
#include "install/install_result.h"
#include "engine/path_text.h"
#include "install/run_directory.h"
#include "platform/quit_question.h"

std::set<std::string> incompleteSplitFiles;

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    void Close() {
        if (IsOpen()) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE handle_;
};

// Copies the rest of `from` to the end of `to` piece by piece, so that parts
// of any size, 4 GiB and more included, need no more memory than the buffer.
bool AppendFile(HANDLE from, HANDLE to) {
    LARGE_INTEGER noMove{};
    if (!SetFilePointerEx(to, noMove, nullptr, FILE_END)) {
        return false;
    }
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
            return false;
        }
    }
}

PartFetch SkipPart(const std::string& stagingPath) {
    incompleteSplitFiles.insert(stagingPath);
    return PartFetch::Skipped;
}

uint32_t ExpandedSize(const std::string& path) {
    PSTR actualName = nullptr;
    DWORD sourceSize = 0;
    DWORD targetSize = 0;
    UINT compression = 0;
    if (SystemFunctions().SetupGetFileCompressionInfoA(path.c_str(), &actualName, &sourceSize,
                                                       &targetSize, &compression) != NO_ERROR) {
        return 0;
    }
    if (actualName != nullptr) {
        LocalFree(actualName);
    }
    return targetSize;
}

} // namespace

std::string StagingNameOf(const FileRecord& record) {
    return FileNameOf(record.destination) + ".ToInstall.TMP";
}

std::string StagingPathOf(const FileRecord& record) {
    return RunFilePath(StagingNameOf(record));
}

bool StartsSplitFile(std::size_t index) {
    for (std::size_t i = index; i-- > 0;) {
        const FileRecord& earlier = model.files[i];
        if (earlier.splitPart != 0) {
            return earlier.lastPart != 0 ||
                   FileNameOf(earlier.destination) != FileNameOf(model.files[index].destination);
        }
    }
    return true;
}

PartFetch FetchPart(std::size_t index, std::string& stagingPath) {
    const FileRecord& record = model.files[index];
    stagingPath = StagingPathOf(record);
    const bool firstPart = StartsSplitFile(index);
    if (firstPart) {
        incompleteSplitFiles.erase(stagingPath);
        // What the run joined under this name before (parts joined for the
        // size query, a file that never got its last part) is not joined in.
        DeleteRunFile(stagingPath);
    }
    if (stagingPath.size() >= MAX_PATH || record.source.size() >= MAX_PATH) {
        const std::string& longPath = stagingPath.size() >= MAX_PATH ? stagingPath : record.source;
        MessageBoxA(nullptr, PathTooLongText(longPath).c_str(),
                    FileNameOf(record.destination).c_str(), MB_OK);
        return SkipPart(stagingPath);
    }

    for (;;) {
        FileHandle staging(OpenRunFile(stagingPath));
        if (!staging.IsOpen()) {
            const std::string shownPath = stagingPath.empty() ? StagingNameOf(record) : stagingPath;
            const std::string text =
                "Could not create the file " + shownPath + ", setup cannot join the file.";
            MessageBoxA(nullptr, text.c_str(), FileNameOf(record.destination).c_str(), MB_OK);
            return SkipPart(stagingPath);
        }
        FileHandle source(CreateFileA(record.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (source.IsOpen()) {
            return AppendFile(source.Get(), staging.Get()) ? PartFetch::Copied
                                                           : SkipPart(stagingPath);
        }
        staging.Close();

        InstallQuestions& questions = ScreenQuestions();
        switch (questions.AskForDisk(record.source, DiskPromptText(record.disk))) {
        case DiskPromptAnswer::Retry:
            break;
        case DiskPromptAnswer::Ignore:
            return SkipPart(stagingPath);
        case DiskPromptAnswer::Abort:
            if (questions.AskQuit(kQuitSetupCaption, kQuitSetupText)) {
                ConfirmQuit(2);
                return PartFetch::Quit;
            }
            break;
        }
    }
}

uint32_t QuerySourceSize(std::size_t index) {
    if (index >= model.files.size()) {
        return 0;
    }
    const FileRecord& record = model.files[index];
    if (record.splitPart == 0) {
        return ExpandedSize(record.source);
    }
    std::string stagingPath;
    const PartFetch fetch = FetchPart(index, stagingPath);
    if (fetch != PartFetch::Quit && record.lastPart == 0) {
        return 0; // the following parts are appended to the staging file
    }
    const uint32_t size = fetch == PartFetch::Quit ? 0 : ExpandedSize(stagingPath);
    DeleteRunFile(stagingPath);
    incompleteSplitFiles.erase(stagingPath);
    return size;
}
