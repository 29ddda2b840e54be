#pragma once

#include <cstddef>
#include <map>
#include <string>

// The named text variables of the script. Names are compared byte by byte and
// case-sensitively; a name that was never set reads as the empty text.
class VariableStore {
  public:
    // The value of `name`; creates the variable with the empty value if missing.
    std::string& Lookup(const std::string& name);
    void Assign(const std::string& name, const std::string& value);
    void Append(const std::string& name, const std::string& text);
    std::size_t Count() const;

    // Replaces every "[name]" in text by the variable's value, searching again
    // from the start after each replacement so that nested references work. A
    // value that leads back to itself would never end, so at most
    // kMaxReplacements replacements are made per call and the text never grows
    // beyond kMaxExpandedLength by a replacement; the rest stays as it is.
    void ExpandReferences(std::string& text);

    void Clear();

    static constexpr int kMaxReplacements = 300;
    static constexpr std::size_t kMaxExpandedLength = 1024u * 1024u;

  private:
    std::map<std::string, std::string> values_;
};

// The one variable store of the run. Start-up sets the built-in variables, the
// interpreter the configured ones, the pages the user's choices.
extern VariableStore variables;

// The program files directory with a trailing backslash ("\" alone when the
// registry key is missing). Set once by start-up; SetAppName builds DP from it.
extern std::string programFilesDir;
