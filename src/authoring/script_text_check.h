#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "authoring/diagnostics.h"
#include "engine/script_reader.h"

// Mistakes in how a script is written (quotes, parentheses, comments, line
// ends, bytes), found by walking its text again where the reader divided it.
// They explain what the checks of the statements would only see the effects
// of: an argument count off by many, a page gone, unknown commands made of a
// comment's words.
struct TextFindings {
    // Per statement: 1 when it is explained here or is debris of a mistake
    // explained here, so that its own checks would only repeat it.
    std::vector<char> explained;
    // Statements from this offset on are not checked at all: from a string
    // without its closing quote, the quotes pair up the wrong way.
    std::size_t uncheckedFrom = static_cast<std::size_t>(-1);
};

// `afterEnd` holds the bytes after the text's end-of-file mark, which the
// wizard never reads.
TextFindings CheckScriptText(const ScriptReader& reader, std::string_view afterEnd,
                             DiagnosticReporter& reporter);
