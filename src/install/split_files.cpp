#include "install/split_files.h"

#include "engine/model.h"
#include "engine/path_text.h"

std::string StagingNameOf(const FileRecord& record) {
    return FileNameOf(record.destination) + ".ToInstall.TMP";
}

bool StartsSplitFile(const std::vector<FileRecord>& files, std::size_t index) {
    const std::string name = StagingNameOf(files[index]);
    for (std::size_t i = index; i-- > 0;) {
        if (files[i].splitPart != 0 && StagingNameOf(files[i]) == name) {
            return files[i].lastPart != 0;
        }
    }
    return true;
}
