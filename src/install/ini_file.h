#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// The profile-file editor used for the rename section of Wininit.ini. The file
// is read whole and kept byte for byte: adding an entry inserts one line and
// leaves every other line (comments, repeated keys such as the NUL= lines of
// the rename section, values holding ';') as and where it was. Beside the
// bytes it keeps a view of the entries by the profile rules, for reading.
// Names, keys and values are byte strings compared byte by byte (unsigned,
// case-sensitive).

// Results of IniFile::Load and IniFile::Parse.
constexpr int16_t kIniRead = 0;       // the file was read
constexpr int16_t kIniNoPath = 1;     // the path is empty
constexpr int16_t kIniMissing = 2;    // the file does not exist
constexpr int16_t kIniUnreadable = 3; // the file exists but cannot be opened or read

// Results of IniFile::Save.
constexpr int16_t kIniSaved = 1;
constexpr int16_t kIniNotSaved = 0;

// The view keeps at most this many characters of a line; the rest of a longer
// line is passed over up to its line feed (and kept in the bytes).
constexpr std::size_t kIniMaxLineLength = 4095;

class IniSection {
  public:
    virtual ~IniSection() = default;

    int EntryCount() const;
    // Key and value of the entry at `index` in key order; nullptr when there is
    // no such entry.
    const std::string* KeyAt(int index) const;
    const std::string* ValueAt(int index) const;

  private:
    friend class IniFile;
    std::map<std::string, std::string> entries_; // the last value of each key
};

class IniFile {
  public:
    virtual ~IniFile() = default;

    // Reads the file at `path` as the text to edit, and its entries into the
    // view (kIniNoPath for an empty path, kIniMissing leaves both empty).
    // kIniUnreadable tells the caller that saving would overwrite entries it
    // could not see.
    int16_t Load(const std::string& path);

    // Reads the entries of the file at `path` into the view, replacing values
    // of keys that are there; the text to edit stays. With a filter only the
    // entries of the section of exactly that name are taken. Unless kIniRead
    // is returned nothing changes.
    int16_t Parse(const std::string& path, const std::string* sectionFilter = nullptr);

    // Adds the line key=value (ending in CR LF) after the last entry of the
    // first section named `section`, or, without one, that section at the end.
    void AddEntry(const std::string& section, const std::string& key, const std::string& value);

    // Writes the text, replacing the file: kIniSaved, or kIniNotSaved when the
    // file cannot be created or written whole.
    int16_t Save(const std::string& path) const;

    int SectionCount() const;
    // Name and contents of the section at `index` in name order; nullptr when
    // there is no such section.
    const std::string* SectionNameAt(int index) const;
    const IniSection* SectionAt(int index) const;

  private:
    void ReadView(const std::string& text, const std::string* sectionFilter);

    std::string text_;
    std::map<std::string, IniSection> sections_;
};
