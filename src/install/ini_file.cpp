#include "install/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

int16_t ReadWholeFile(const std::string& path, std::string& bytes) {
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
    char buffer[16384];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, count);
    }
    return std::ferror(file.get()) ? kIniUnreadable : kIniRead;
}

// One line as the profile rules see it.
struct ProfileLine {
    enum Kind { kOther, kHeader, kEntry } kind = kOther;
    std::string name;  // the section of a header, the key of an entry
    std::string value; // the value of an entry
};

ProfileLine ClassifyLine(std::string line) {
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
    ProfileLine result;
    const std::string::size_type bracket = line.find('[');
    const std::string::size_type equals = line.find('=');
    if (bracket != std::string::npos && (equals == std::string::npos || equals > bracket)) {
        const std::string::size_type close = line.find(']', bracket + 1);
        result.kind = ProfileLine::kHeader;
        result.name = close == std::string::npos ? line.substr(bracket + 1)
                                                 : line.substr(bracket + 1, close - bracket - 1);
    } else if (equals != std::string::npos) {
        result.kind = ProfileLine::kEntry;
        result.name = line.substr(0, equals);
        result.value = line.substr(equals + 1);
    }
    return result;
}

// Calls visit(line, end) for each line of `text`, where `end` is the offset
// after its line feed. A line is seen with at most kIniMaxLineLength
// characters.
template <typename Visit> void ForEachLine(const std::string& text, Visit visit) {
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type feed = text.find('\n', start);
        const std::string::size_type end = feed == std::string::npos ? text.size() : feed + 1;
        const std::string::size_type length =
            (feed == std::string::npos ? text.size() : feed) - start;
        visit(ClassifyLine(
                  text.substr(start, length < kIniMaxLineLength ? length : kIniMaxLineLength)),
              end);
        start = end;
    }
}

template <typename Map> typename Map::const_iterator PositionIn(const Map& map, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= map.size()) {
        return map.end();
    }
    return std::next(map.begin(), index);
}

} // namespace

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

void IniFile::ReadView(const std::string& text, const std::string* sectionFilter) {
    std::string current;
    ForEachLine(text, [&](const ProfileLine& line, std::string::size_type) {
        if (line.kind == ProfileLine::kHeader) {
            current = line.name;
        } else if (line.kind == ProfileLine::kEntry && !current.empty() &&
                   (sectionFilter == nullptr || current == *sectionFilter)) {
            sections_[current].entries_[line.name] = line.value;
        }
    });
}

int16_t IniFile::Load(const std::string& path) {
    text_.clear();
    sections_.clear();
    std::string bytes;
    const int16_t result = ReadWholeFile(path, bytes);
    if (result == kIniRead) {
        text_ = bytes;
        ReadView(text_, nullptr);
    }
    return result;
}

int16_t IniFile::Parse(const std::string& path, const std::string* sectionFilter) {
    std::string bytes;
    const int16_t result = ReadWholeFile(path, bytes);
    if (result == kIniRead) {
        ReadView(bytes, sectionFilter);
    }
    return result;
}

void IniFile::AddEntry(const std::string& section, const std::string& key,
                       const std::string& value) {
    // After the header of the first section of that name, or after its last
    // entry line.
    std::string::size_type position = std::string::npos;
    bool inSection = false;
    ForEachLine(text_, [&](const ProfileLine& line, std::string::size_type end) {
        if (line.kind == ProfileLine::kHeader) {
            inSection = position == std::string::npos && line.name == section;
            if (inSection) {
                position = end;
            }
        } else if (line.kind == ProfileLine::kEntry && inSection) {
            position = end;
        }
    });
    std::string added = key + "=" + value + "\r\n";
    if (position == std::string::npos) {
        position = text_.size();
        added = "[" + section + "]\r\n" + added + "\r\n";
    }
    if (position == text_.size() && !text_.empty() && text_.back() != '\n') {
        added = "\r\n" + added;
    }
    text_.insert(position, added);
    sections_[section].entries_[key] = value;
}

int16_t IniFile::Save(const std::string& path) const {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return kIniNotSaved;
    }
    const bool written = std::fwrite(text_.data(), 1, text_.size(), file.get()) == text_.size();
    return std::fclose(file.release()) == 0 && written ? kIniSaved : kIniNotSaved;
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
