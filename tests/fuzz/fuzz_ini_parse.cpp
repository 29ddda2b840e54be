// Arbitrary bytes as Wininit.ini, edited as a replacement at restart edits it:
// load, add one rename entry, save. Every byte that was there stays, in its
// order, around the one inserted piece, and the entry's line is written.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "install/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string key = "C:\\WINDOWS\\SYSTEM\\vlshared.dll";
    static const std::string value = "C:\\WINDOWS\\TEMP\\vl1.tmp";
    const std::string path = PrivateFile();
    const std::string input(reinterpret_cast<const char*>(data), size);
    WriteFile(path, input);

    IniFile ini;
    Check(ini.Load(path) == kIniRead, "an existing file is read");
    ini.AddEntry("rename", key, value);
    Check(ini.Save(path) == kIniSaved, "saving reports success");
    std::ostringstream read;
    read << std::ifstream(path, std::ios::binary).rdbuf();
    const std::string saved = read.str();

    // One piece inserted: what precedes it and what follows it are the input.
    std::size_t front = 0;
    while (front < input.size() && front < saved.size() && input[front] == saved[front]) {
        ++front;
    }
    const std::size_t inserted = saved.size() - input.size();
    Check(saved.size() > input.size() + key.size() + value.size() &&
              saved.compare(front + inserted, std::string::npos, input, front) == 0,
          "every other byte stays, in its order");
    Check(saved.find(key + "=" + value + "\r\n") != std::string::npos,
          "the entry's line is written");
    return 0;
}
