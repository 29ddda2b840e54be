#include "install/split_files.h"

#include <cstdint>

#include "engine/model.h"
#include "engine/path_text.h"

std::string StagingNameOf(const FileRecord& record) {
    // Files of one name in different folders are different files: the whole
    // destination decides, as a short hash beside the readable name.
    std::uint32_t hash = 2166136261u;
    for (const char c : record.destination) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string tag(8, '0');
    for (int i = 7; i >= 0; --i, hash >>= 4) {
        tag[static_cast<std::size_t>(i)] = kDigits[hash & 0xF];
    }
    return FileNameOf(record.destination) + "." + tag + ".ToInstall.TMP";
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
