#include "install/source_retrieval.h"
#include "platform/file_system.h"
#include "platform/run_log.h"

#include <windows.h>

#include <set>
#include <vector>

#include "engine/model.h"
#include "engine/path_text.h"
#include "install/conflict_dialogs.h"
#include "install/install_result.h"
#include "install/run_directory.h"
#include "install/split_files.h"
#include "platform/message_pump.h"
#include "platform/quit_question.h"
#include "platform/system_libraries.h"

namespace {

// Staging files of split files that lack a part: a skipped part adds its file,
// a first part starting the file afresh drops it.
std::set<std::string> incompleteSplitFiles;

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
        KeepWindowsAnswering();
    }
}

PartFetch SkipPart(const std::string& stagingPath) {
    incompleteSplitFiles.insert(stagingPath);
    return PartFetch::Skipped;
}

uint64_t ExpandedSize(const std::string& path) {
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
    // The service counts in 32 bits; a file that is not packed, such as a
    // joined split file, may be 4 GiB and more.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (compression == FILE_COMPRESSION_NONE &&
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return targetSize;
}

} // namespace

PartFetch FetchPart(std::size_t index, std::string& stagingPath) {
    const FileRecord& record = model.files[index];
    stagingPath = RunFilePath(StagingNameOf(record));
    if (StartsSplitFile(model.files, index)) {
        // What the run joined under this name before (parts joined for the
        // size query, a file that never got its last part) is not joined in.
        DiscardStagingFile(stagingPath);
    }
    if (stagingPath.size() >= MAX_PATH || record.source.size() >= MAX_PATH) {
        const std::string& longPath = stagingPath.size() >= MAX_PATH ? stagingPath : record.source;
        AskOrAnswer(nullptr, PathTooLongText(longPath), FileNameOf(record.destination), MB_OK,
                    IDOK);
        return SkipPart(stagingPath);
    }

    for (;;) {
        FileHandle staging(OpenRunFile(stagingPath));
        if (!staging.IsOpen()) {
            const std::string shownPath = stagingPath.empty() ? StagingNameOf(record) : stagingPath;
            const std::string text =
                "Could not create the file " + shownPath + ", setup cannot join the file.";
            AskOrAnswer(nullptr, text, FileNameOf(record.destination), MB_OK, IDOK);
            return SkipPart(stagingPath);
        }
        FileHandle source(CreateFileA(record.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (source.IsOpen()) {
            return AppendFile(source.Get(), staging.Get()) ? PartFetch::Copied
                                                           : SkipPart(stagingPath);
        }
        staging.Close();

        ScreenQuestions questions;
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

bool SplitFileIsWhole(const std::string& stagingPath) {
    return incompleteSplitFiles.count(stagingPath) == 0;
}

void DiscardStagingFile(const std::string& stagingPath) {
    incompleteSplitFiles.erase(stagingPath);
    DeleteRunFile(stagingPath);
}

uint64_t QuerySourceSize(std::size_t index) {
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
    const uint64_t size = fetch == PartFetch::Quit ? 0 : ExpandedSize(stagingPath);
    DiscardStagingFile(stagingPath);
    return size;
}
