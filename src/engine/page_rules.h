#pragma once

#include <string>

#include "engine/model.h"

// Rules that the pages apply to what the user chose; kept here so that the
// page-state check, the pages and the copy page cannot disagree.

// A destination path the user may leave the destination page with: more than
// two characters. Shorter texts name no directory (Next stays disabled).
bool IsUsableDestination(const std::string& path);

// Whether the copy page installs `section`: it is mandatory (any nonzero
// value) or the user chose it. The sections page highlights exactly these rows.
bool WillBeInstalled(const SectionRecord& section);
