#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct FileRecord;

// The parts of a split file are records of their own that share their
// destination; they are joined in one staging file per destination, in record
// order. Parts of different files may be listed interleaved
// (by disk, say), as long as each file's parts keep their order.

// The name of the staging file in which the parts of a split file are joined:
// the file name of the record's destination, a hash of the whole destination
// as the script wrote it (references not expanded) and ".ToInstall.TMP".
std::string StagingNameOf(const FileRecord& record);

// Whether files[index], a part, starts its file afresh: it is the first part
// of its destination name, or the first one after that name's last part.
// Parts of other names in between do not count.
bool StartsSplitFile(const std::vector<FileRecord>& files, std::size_t index);
