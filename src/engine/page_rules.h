#pragma once

#include <string>

#include "engine/model.h"
#include "engine/variables.h"

// Rules that the pages apply to what the user chose; kept here so that the
// page-state check, the pages and the copy page cannot disagree.

// A destination path the user may leave the destination page with: more than
// two characters. Shorter texts name no directory (Next stays disabled).
bool IsUsableDestination(const std::string& path);

// Whether the copy page installs `section`: it is mandatory (any nonzero
// value) or the user chose it. The sections page highlights exactly these rows.
bool WillBeInstalled(const SectionRecord& section);

// Whether Next of page `pageName` is enabled before a person touches anything:
// the page's Next rules (SetNextDynamicState statements of
// model.deferredStatements, in order) applied to its controls as the page
// creates them, as the page-state check applies them. Next starts enabled; a
// CONTROL rule is decided anew by every control record of that name, the last
// one winning, and a rule that names no record changes nothing. A checkbox or
// option starts checked when a CheckButton names it; its text is its AddWindow
// text. A record on another page has no control now: unchecked, empty. When
// Next ends disabled, `blocking` describes the last rule that disabled it,
// e.g. SetNextDynamicState("DIALOG_DEST", "CONTROL", "agree", "VALUE", "1"):
// the control agree starts unchecked; else it is emptied.
bool NextEnabledUntouched(const std::string& pageName, const InstallationModel& model,
                          const VariableStore& variables, std::string& blocking);
