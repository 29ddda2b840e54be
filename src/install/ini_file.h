#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// The profile-file editor used for the rename section of Wininit.ini: reads a
// whole file into memory, lets entries be set, and writes the whole file back.
// Names, keys and values are byte strings compared byte by byte (unsigned,
// case-sensitive); sections and keys come out in that order on saving.

// Results of IniFile::Load and IniFile::Parse.
constexpr int16_t kIniRead = 0;       // the file was read
constexpr int16_t kIniNoPath = 1;     // the path is empty
constexpr int16_t kIniMissing = 2;    // the file does not exist
constexpr int16_t kIniUnreadable = 3; // the file exists but cannot be opened or read

// Result of IniFile::Save, which does not report failures.
constexpr int16_t kIniSaved = 1;

// Reading keeps at most this many characters of a line; the rest of a longer
// line is skipped up to its line feed.
constexpr std::size_t kIniMaxLineLength = 4095;

class IniSection {
  public:
    virtual ~IniSection() = default;

    // The value of `key`, created empty when the key is missing.
    std::string& Lookup(const std::string& key);

    int EntryCount() const;
    // Key and value of the entry at `index` in key order; nullptr when there is
    // no such entry.
    const std::string* KeyAt(int index) const;
    const std::string* ValueAt(int index) const;

    const std::map<std::string, std::string>& Entries() const { return entries_; }

  private:
    std::map<std::string, std::string> entries_;
};

class IniFile {
  public:
    virtual ~IniFile() = default;

    void Clear();

    // Clears the object, then reads the file at `path` (kIniNoPath for an empty
    // path). kIniUnreadable tells the caller that saving would overwrite entries
    // it could not see.
    int16_t Load(const std::string& path);

    // Reads the file at `path` and adds its entries to the sections already
    // held, replacing values of keys that exist. With a filter only the entries
    // of the section of exactly that name are taken. Unless kIniRead is
    // returned the object is unchanged.
    int16_t Parse(const std::string& path, const std::string* sectionFilter = nullptr);

    // Writes all sections to `path`, replacing the file: each section as its
    // header line, its entries as key=value lines and an empty line, every line
    // ending in CR LF. Always returns kIniSaved.
    int16_t Save(const std::string& path) const;

    // The section named `name`, created empty when missing.
    IniSection& Lookup(const std::string& name);
    void SetEntry(const std::string& section, const std::string& key, const std::string& value);

    int SectionCount() const;
    // Name and contents of the section at `index` in name order; nullptr when
    // there is no such section.
    const std::string* SectionNameAt(int index) const;
    const IniSection* SectionAt(int index) const;

    // The path last given to Load.
    const std::string& FileName() const { return fileName_; }

  private:
    std::map<std::string, IniSection> sections_;
    std::string fileName_;
};
