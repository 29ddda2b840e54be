#include "install/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>

namespace {

using EntryMap = std::map<std::string, std::string>;
using SectionMap = std::map<std::string, EntryMap>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Carries the current section from one line to the next while a file is read.
struct LineReader {
    const std::string* filter = nullptr;
    std::string currentSection;
    SectionMap read;

    void TakeLine(std::string line) {
        // A CR ends the usable part of the line (CR LF files are read in byte
        // mode), and so does the start of a comment.
        const std::string::size_type cr = line.find('\r');
        if (cr != std::string::npos) {
            line.erase(cr);
        }
        const std::string::size_type semicolon = line.find(';');
        if (semicolon != std::string::npos) {
            line.erase(semicolon);
        }

        const std::string::size_type bracket = line.find('[');
        const std::string::size_type equals = line.find('=');
        if (bracket != std::string::npos && (equals == std::string::npos || equals > bracket)) {
            const std::string::size_type close = line.find(']', bracket + 1);
            currentSection = close == std::string::npos
                                 ? line.substr(bracket + 1)
                                 : line.substr(bracket + 1, close - bracket - 1);
            return;
        }
        if (equals == std::string::npos || currentSection.empty()) {
            return;
        }
        if (filter != nullptr && currentSection != *filter) {
            return;
        }
        read[currentSection][line.substr(0, equals)] = line.substr(equals + 1);
    }
};

template <typename Map> typename Map::const_iterator PositionIn(const Map& map, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= map.size()) {
        return map.end();
    }
    return std::next(map.begin(), index);
}

} // namespace

std::string& IniSection::Lookup(const std::string& key) {
    return entries_[key];
}

int IniSection::EntryCount() const {
    return static_cast<int>(entries_.size());
}

const std::string* IniSection::KeyAt(int index) const {
    const auto entry = PositionIn(entries_, index);
    return entry == entries_.end() ? nullptr : &entry->first;
}

const std::string* IniSection::ValueAt(int index) const {
    const auto entry = PositionIn(entries_, index);
    return entry == entries_.end() ? nullptr : &entry->second;
}

void IniFile::Clear() {
    sections_.clear();
}

int16_t IniFile::Load(const std::string& path) {
    Clear();
    if (path.empty()) {
        return kIniNoPath;
    }
    fileName_ = path;
    return Parse(path);
}

int16_t IniFile::Parse(const std::string& path, const std::string* sectionFilter) {
    if (path.empty()) {
        return kIniNoPath;
    }
    errno = 0;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        // Only a file that is not there may be treated as empty: one that is
        // there but locked or protected still holds entries that a save
        // would destroy.
        return errno == ENOENT || errno == ENOTDIR ? kIniMissing : kIniUnreadable;
    }

    LineReader reader;
    reader.filter = sectionFilter;
    std::string line;
    bool skippingRest = false; // the line was cut at the length limit and already taken
    char buffer[16384];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        for (std::size_t i = 0; i < count; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (!skippingRest) {
                    reader.TakeLine(line);
                }
                line.clear();
                skippingRest = false;
            } else if (skippingRest) {
                continue;
            } else if (line.size() == kIniMaxLineLength) {
                reader.TakeLine(line);
                line.clear();
                skippingRest = true;
            } else {
                line += c;
            }
        }
    }
    if (std::ferror(file.get())) {
        return kIniUnreadable;
    }
    if (!skippingRest) {
        reader.TakeLine(line);
    }

    for (const auto& section : reader.read) {
        IniSection& target = Lookup(section.first);
        for (const auto& entry : section.second) {
            target.Lookup(entry.first) = entry.second;
        }
    }
    return kIniRead;
}

int16_t IniFile::Save(const std::string& path) const {
    // Byte mode with explicit CR LF gives the same file on every platform.
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return kIniSaved;
    }
    std::string text;
    for (const auto& section : sections_) {
        text += "[" + section.first + "]\r\n";
        for (const auto& entry : section.second.Entries()) {
            text += entry.first + "=" + entry.second + "\r\n";
        }
        text += "\r\n";
    }
    std::fwrite(text.data(), 1, text.size(), file.get());
    return kIniSaved;
}

IniSection& IniFile::Lookup(const std::string& name) {
    return sections_[name];
}

void IniFile::SetEntry(const std::string& section, const std::string& key,
                       const std::string& value) {
    Lookup(section).Lookup(key) = value;
}

int IniFile::SectionCount() const {
    return static_cast<int>(sections_.size());
}

const std::string* IniFile::SectionNameAt(int index) const {
    const auto section = PositionIn(sections_, index);
    return section == sections_.end() ? nullptr : &section->first;
}

const IniSection* IniFile::SectionAt(int index) const {
    const auto section = PositionIn(sections_, index);
    return section == sections_.end() ? nullptr : &section->second;
}
