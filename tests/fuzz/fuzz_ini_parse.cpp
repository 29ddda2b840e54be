// Arbitrary bytes as Wininit.ini, edited as a replacement at restart edits it:
// load, add one rename entry, save. Every byte that was there stays, in its
// order, around the one inserted piece; and the entry reads back from the
// saved file, where the system's profile rules look for it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "install/ini_file.h"

namespace {

const std::string kKey = "C:\\WINDOWS\\SYSTEM\\vlshared.dll";
const std::string kValue = "C:\\WINDOWS\\TEMP\\vl1.tmp";

std::string ReadBack(const IniFile& ini) {
    for (int i = 0; i < ini.SectionCount(); ++i) {
        if (*ini.SectionNameAt(i) != "rename") {
            continue;
        }
        const IniSection* section = ini.SectionAt(i);
        for (int j = 0; j < section->EntryCount(); ++j) {
            if (*section->KeyAt(j) == kKey) {
                return *section->ValueAt(j);
            }
        }
    }
    return std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = PrivateFile("wininit.ini");
    const std::string input(reinterpret_cast<const char*>(data), size);
    WriteFile(path, input);

    IniFile ini;
    Check(ini.Load(path) == kIniRead, "an existing file is read");
    ini.AddEntry("rename", kKey, kValue);
    Check(ini.Save(path) == kIniSaved, "saving reports success");
    const std::string saved = ReadFile(path);

    // One piece inserted: what precedes it and what follows it are the input.
    std::size_t front = 0;
    while (front < input.size() && front < saved.size() && input[front] == saved[front]) {
        ++front;
    }
    const std::size_t inserted = saved.size() - input.size();
    Check(saved.size() > input.size() + kKey.size() + kValue.size() &&
              saved.compare(front + inserted, std::string::npos, input, front) == 0,
          "every other byte stays, in its order");

    IniFile reread;
    Check(reread.Load(path) == kIniRead, "the saved file is read");
    if (input.find(kKey) == std::string::npos) {
        Check(ReadBack(reread) == kValue, "the entry reads back from the rename section");
    }
    return 0;
}
