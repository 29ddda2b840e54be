#include "platform/file_system.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "engine/path_text.h"

namespace {

// The security identifier of the user the program runs as, in its text form
// ("S-1-5-21-..."); empty when it cannot be had.
std::string CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return std::string();
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    std::string text;
    LPSTR sid = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
        text = sid;
        LocalFree(sid);
    }
    CloseHandle(token);
    return text;
}

} // namespace

bool CreateDirectoryPath(const std::string& directory, std::vector<std::string>* made) {
    for (const std::string& level : DirectoryLevels(directory)) {
        // A level that exists fails here and is used as it is.
        if (CreateDirectoryA(level.c_str(), nullptr) && made != nullptr) {
            made->push_back(level);
        }
    }
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreatePrivateDirectory(const std::string& directory) {
    const std::string user = CurrentUserSid();
    if (user.empty()) {
        return false;
    }
    // P: the list is protected, so the parent's entries (which may let every
    // user create files) are not inherited. OICI: files and folders made
    // inside get the same three entries.
    const std::string sddl = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    const BOOL created = CreateDirectoryA(directory.c_str(), &attributes);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    SetLastError(error);
    return created != FALSE;
}
