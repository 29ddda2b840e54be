#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Creates `directory` with every level of it that is missing ("C:\a\b\c\" makes
// a, b and c as needed; roots such as "C:\" and "\\server\share\" are taken as
// they are). True when the directory exists afterwards. The levels it made are
// appended to `made`, outermost first, when it is given.
bool CreateDirectoryPath(const std::string& directory, std::vector<std::string>* made = nullptr);

// Creates the one directory `directory` (its parent must exist) with an access
// list of its own that nothing from the parent is inherited into: full access
// for the user the program runs as, SYSTEM and the Administrators, and no one
// else; what is made inside inherits it. False when it cannot be made (the
// platform's last error tells why, ERROR_ALREADY_EXISTS when something of
// that name is there).
bool CreatePrivateDirectory(const std::string& directory);

// A file handle closed when it goes out of scope.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    // Gives the handle up without closing it.
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Close() {
        if (IsOpen()) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE handle_;
};
