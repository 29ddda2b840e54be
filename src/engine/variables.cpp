#include "engine/variables.h"

VariableStore variables;
std::string programFilesDir;

std::string& VariableStore::Lookup(const std::string& name) {
    return values_[name];
}

void VariableStore::Assign(const std::string& name, const std::string& value) {
    values_[name] = value;
}

void VariableStore::Append(const std::string& name, const std::string& text) {
    values_[name] += text;
}

std::size_t VariableStore::Count() const {
    return values_.size();
}

void VariableStore::ExpandReferences(std::string& text) {
    // Nothing before the first "[" changes by a replacement there, so each
    // search may start at the previous reference: the same as searching from
    // the beginning, without scanning the unchanged front again.
    std::size_t from = 0;
    for (int replacements = 0; replacements < kMaxReplacements; ++replacements) {
        const std::size_t open = text.find('[', from);
        if (open == std::string::npos) {
            return;
        }
        const std::size_t close = text.find(']', open + 1);
        if (close == std::string::npos) {
            return;
        }
        // Copy the value: the lookup may create the variable, and the text may
        // itself be a variable's value.
        const std::string value = Lookup(text.substr(open + 1, close - open - 1));
        const std::size_t referenceLength = close - open + 1;
        if (value.size() > referenceLength &&
            text.size() - referenceLength + value.size() > kMaxExpandedLength) {
            return;
        }
        text.replace(open, referenceLength, value);
        from = open;
    }
}

void VariableStore::Clear() {
    values_.clear();
}
