#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How fetching one part of a split file ended.
enum class PartFetch {
    Copied,  // the part was appended to the staging file
    Skipped, // Ignore in the disk prompt, or the part could not be copied whole
    Quit,    // the user confirmed quitting setup; the run is ending
};

// Parts are copied through a buffer of this size, whatever their size.
constexpr std::size_t kCopyBufferSize = 1024 * 1024;

// Appends the source of files[index], one part of a split file, to its
// staging file (named by StagingNameOf in the run's temporary folder, see
// install/run_directory.h) and gives the staging file's path. The first part
// of a file (see StartsSplitFile) starts a new staging file, so nothing joined
// earlier under the same name is joined in. A source that cannot be opened
// brings up the disk prompt.
PartFetch FetchPart(std::size_t index, std::string& stagingPath);

// Whether every part of the file joined at `stagingPath` arrived since its
// first part.
bool SplitFileIsWhole(const std::string& stagingPath);

// Deletes the staging file once its file is installed, measured or given up.
void DiscardStagingFile(const std::string& stagingPath);

// The expanded size in bytes of files[index]'s source (a compressed source
// counts with its unpacked size), or 0 when it cannot be determined. A split
// file counts whole at its last part; its earlier parts count 0.
uint64_t QuerySourceSize(std::size_t index);
