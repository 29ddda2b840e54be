#pragma once

#include <string>

#include "removal/removal.h"

// Asks "The shared file <path> is no longer used by any program. Remove it?"
// with Yes, No, Yes to all and No to all; closing the question keeps the file.
SharedFileAnswer AskAboutSharedFile(const std::string& path, const std::string& caption);
