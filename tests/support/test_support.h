// Helpers that the Windows unit tests and the end-to-end tests share: files, paths,
// symbolic links, the registry, pending renames and the uninstall log. Plain
// functions over the platform, no test framework, so that tools can use them too.
//
// API:
//   WinePath(p)            "/a/b" -> "Z:\a\b"; a Windows path keeps its form
//   ReadBytes(p)           whole file, "<missing>" when it cannot be opened
//   WriteBytes(p, bytes)   exact bytes, creates missing parent directories
//   Exists(p)              attributes readable
//   Entries(dir)           sorted names in a directory
//   RemoveTree(dir)        a directory with all it holds (never holding a planted link)
//   ShortPath(p), SystemDirectory(), WindowsTemp(), StartMenuPrograms()
//   MakeLink(link, target), RemoveLink(link), PointsTo(link, target)   symbolic links
//   RegistryText(root, key, value)    a REG_SZ, else "<no key>" or "<no value>"
//   UninstallKey(app)      "Software\...\Uninstall\" + app, under HKEY_LOCAL_MACHINE
//   RemoveUninstallEntry(app)
//   SharedCount(path), SetSharedCount(path, n), ForgetSharedCount(path)   SharedDLLs counts (-1:
//   none) SavedRegistryValue     puts a value back as it was when it goes out of scope
//   PendingRenames         the same for PendingFileRenameOperations; Holds(from, to), Block()
//   LogAfterFiles(log)     what follows the "[FILES]" line
#ifndef VL_TESTS_SUPPORT_TEST_SUPPORT_H
#define VL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

namespace vltest {

std::string WinePath(const std::string& path);
std::string ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
std::vector<std::string> Entries(const std::string& directory);
void RemoveTree(const std::string& directory);

std::string ShortPath(const std::string& path);
std::string SystemDirectory();
std::string WindowsTemp();
std::string StartMenuPrograms();

// Under Wine a link is made and removed on the Linux side (Wine's own call makes none,
// and its DeleteFileA on a link deletes the target). False when no link can be made.
bool MakeLink(const std::string& link, const std::string& target);
void RemoveLink(const std::string& link);
// Whether reading `link` follows `target` after the target changes (its bytes are put back).
bool PointsTo(const std::string& link, const std::string& target);

std::string RegistryText(HKEY root, const std::string& key, const std::string& value);
std::string UninstallKey(const std::string& app);
void RemoveUninstallEntry(const std::string& app);
long long SharedCount(const std::string& path);
void SetSharedCount(const std::string& path, DWORD count);
void ForgetSharedCount(const std::string& path);

class SavedRegistryValue {
  public:
    SavedRegistryValue(HKEY root, std::string key, std::string value);
    ~SavedRegistryValue();
    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

  private:
    HKEY root_;
    std::string key_;
    std::string value_;
    bool had_ = false;
    DWORD type_ = 0;
    std::string data_;
};

class PendingRenames : public SavedRegistryValue {
  public:
    PendingRenames();
    // `to` is to be replaced by `from` at the next start: "\??\from", "!\??\to".
    static bool Holds(const std::string& from, const std::string& to);
    // Makes the platform refuse delayed moves (it adds only to a list of texts).
    static void Block();
};

// What follows the "[FILES]" line, or "<no [FILES] line>".
std::string LogAfterFiles(const std::string& log);

} // namespace vltest

#endif
