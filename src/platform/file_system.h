#pragma once

#include <string>

// Creates `directory` with every level of it that is missing ("C:\a\b\c\" makes
// a, b and c as needed; roots such as "C:\" and "\\server\share\" are taken as
// they are). True when the directory exists afterwards.
bool CreateDirectoryPath(const std::string& directory);
