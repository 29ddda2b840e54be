#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

struct FileRecord;

// How fetching one part of a split file ended.
enum class PartFetch {
    Copied,  // the part was appended to the staging file
    Skipped, // Ignore in the disk prompt, or the part could not be copied whole
    Quit,    // the user confirmed quitting setup; the quit request is posted
};

// Staging files of split files that lack a part: FetchPart adds one when it
// skips a part and drops it when a first part starts the file afresh; the
// installation and the size query read it at the last part and drop it.
extern std::set<std::string> incompleteSplitFiles;

// Parts are copied through a buffer of this size, whatever their size.
constexpr std::size_t kCopyBufferSize = 1024 * 1024;

// The name of the staging file in which the parts of a split file are joined:
// the file name of the record's destination as the script wrote it
// (references not expanded) and ".ToInstall.TMP".
std::string StagingNameOf(const FileRecord& record);

// The staging file's path: the name in the run's temporary folder (see
// install/run_directory.h), which is made on first use; empty when there is
// none.
std::string StagingPathOf(const FileRecord& record);

// Whether files[index] begins a split file: no earlier record is a part, or
// the nearest earlier part completed its file or belongs to another file.
bool StartsSplitFile(std::size_t index);

// Appends the source of files[index], one part of a split file, to its
// staging file and gives the staging file's path. The first part of a file
// starts a new staging file, so nothing joined earlier under the same name is
// joined in. A source that cannot be opened brings up the disk prompt.
PartFetch FetchPart(std::size_t index, std::string& stagingPath);

// The expanded size in bytes of files[index]'s source (a compressed source
// counts with its unpacked size), or 0 when it cannot be determined. A split
// file counts whole at its last part; its earlier parts count 0.
uint32_t QuerySourceSize(std::size_t index);
