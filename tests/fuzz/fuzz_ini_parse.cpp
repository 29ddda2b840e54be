// Arbitrary bytes as a profile file. Saving rewrites the file in its own way
// (sorted sections and keys, no comments, no stray lines, no empty sections,
// the last of several equal keys, lines cut at the length limit), but what it
// writes must read back as exactly what was loaded, and saving that again must
// give the same bytes.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>

#include "install/ini_file.h"
#include "fuzz_support.h"

namespace {

using Entries = std::map<std::string, std::string>;
using Contents = std::map<std::string, Entries>;

// Everything the object holds, through its positional enumeration.
Contents ContentsOf(const IniFile& ini) {
    Contents contents;
    for (int i = 0; i < ini.SectionCount(); ++i) {
        const std::string* name = ini.SectionNameAt(i);
        const IniSection* section = ini.SectionAt(i);
        Check(name != nullptr && section != nullptr, "every section position has a section");
        Entries& entries = contents[*name];
        for (int j = 0; j < section->EntryCount(); ++j) {
            const std::string* key = section->KeyAt(j);
            const std::string* value = section->ValueAt(j);
            Check(key != nullptr && value != nullptr, "every entry position has an entry");
            entries[*key] = *value;
        }
    }
    return contents;
}

bool HoldsAnyOf(const std::string& text, const char* characters) {
    return text.find_first_of(characters) != std::string::npos;
}

// What the reading rules allow a loaded file to hold.
void CheckReadable(const Contents& contents) {
    for (const auto& section : contents) {
        Check(!section.first.empty(), "no section has the empty name");
        Check(!section.second.empty(), "a section exists only with an entry");
        Check(!HoldsAnyOf(section.first, "]\r\n;"), "a section name holds no ], CR, LF or ;");
        Check(section.first.size() < kIniMaxLineLength, "a section name fits in one line");
        for (const auto& entry : section.second) {
            Check(!HoldsAnyOf(entry.first, "=[\r\n;"), "a key holds no =, [, CR, LF or ;");
            Check(!HoldsAnyOf(entry.second, "\r\n;"), "a value holds no CR, LF or ;");
            Check(entry.first.size() + 1 + entry.second.size() <= kIniMaxLineLength,
                  "an entry fits in one line");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = PrivateFile("input.ini");
    static const std::string saved = PrivateFile("saved.ini");
    static const std::string resaved = PrivateFile("resaved.ini");
    WriteFile(input, std::string(reinterpret_cast<const char*>(data), size));

    IniFile first;
    Check(first.Load(input) == kIniRead, "an existing file is read");
    const Contents loaded = ContentsOf(first);
    CheckReadable(loaded);

    // Parsing the same file again adds nothing new: every key gets its value again.
    Check(first.Parse(input) == kIniRead, "an existing file is parsed");
    Check(ContentsOf(first) == loaded, "parsing a file twice gives what parsing it once gives");

    Check(first.Save(saved) == kIniSaved, "saving reports success");
    IniFile second;
    Check(second.Load(saved) == kIniRead, "a saved file is read");
    Check(ContentsOf(second) == loaded, "a saved file reads back as what was loaded");
    Check(second.Save(resaved) == kIniSaved, "saving again reports success");
    Check(ReadFile(resaved) == ReadFile(saved), "saving what a save wrote changes nothing");

    // With a filter only the chosen section is taken, exactly as without one.
    if (!loaded.empty()) {
        auto chosen = loaded.begin();
        std::advance(chosen, data[0] % loaded.size());
        const std::string filter = chosen->first;
        IniFile filtered;
        Check(filtered.Parse(input, &filter) == kIniRead, "a filtered parse reads the file");
        Check(ContentsOf(filtered) == Contents{{filter, chosen->second}},
              "a filter takes that section's entries and nothing else");
    }
    return 0;
}
