#pragma once

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
