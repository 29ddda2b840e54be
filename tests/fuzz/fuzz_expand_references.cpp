// ExpandReferences on arbitrary store contents. The input is split at line
// feeds: the last line is the text to expand, the lines before it alternate
// between a variable name and its value, stored unexpanded as a directory typed
// on the destination page would be. A value line that starts with DEL (0x7F)
// stands for the rest of the line repeated to 1 MiB, so that a few
// replacements reach the growth bound. (Each replacement costs time in
// proportion to the text; with values of some 50 KiB the 300 replacements up to
// the bound would take seconds, so such sizes are left out.)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/variables.h"
#include "fuzz_support.h"

namespace {

constexpr std::size_t kMaxPairs = 8;
constexpr std::size_t kRepeatedValueSize = 1u << 20;

std::vector<std::string> SplitLines(const std::string& input) {
    std::vector<std::string> lines(1);
    for (const char c : input) {
        if (c == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

std::string ValueOf(const std::string& line) {
    if (line.size() < 2 || line[0] != '\x7F') {
        return line;
    }
    const std::string fragment = line.substr(1);
    std::string value;
    while (value.size() < kRepeatedValueSize) {
        value += fragment;
    }
    return value;
}

// When no value holds a bracket, a replaced value can never take part in a
// later reference, so expanding from the start again and again must give what
// one pass from left to right gives, under the same two bounds.
std::string ExpandInOnePass(std::string text, const std::map<std::string, std::string>& values) {
    std::size_t from = 0;
    for (int replacements = 0; replacements < VariableStore::kMaxReplacements; ++replacements) {
        const std::size_t open = text.find('[', from);
        if (open == std::string::npos) {
            break;
        }
        const std::size_t close = text.find(']', open + 1);
        if (close == std::string::npos) {
            break;
        }
        const auto found = values.find(text.substr(open + 1, close - open - 1));
        const std::string value = found == values.end() ? std::string() : found->second;
        const std::size_t length = close - open + 1;
        if (value.size() > length &&
            text.size() - length + value.size() > VariableStore::kMaxExpandedLength) {
            break;
        }
        text.replace(open, length, value);
        from = open + value.size();
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> lines =
        SplitLines(std::string(reinterpret_cast<const char*>(data), size));
    const std::string text = lines.back();
    const std::size_t pairLines = std::min(lines.size() - 1, 2 * kMaxPairs);

    variables.Clear();
    std::map<std::string, std::string> values;
    bool bracketInValues = false;
    for (std::size_t i = 0; i < pairLines; i += 2) {
        const std::string value = i + 1 < pairLines ? ValueOf(lines[i + 1]) : std::string();
        variables.Assign(lines[i], value);
        values[lines[i]] = value;
        bracketInValues = bracketInValues || value.find_first_of("[]") != std::string::npos;
    }

    std::string expanded = text;
    variables.ExpandReferences(expanded);

    Check(expanded.size() <= std::max(text.size(), VariableStore::kMaxExpandedLength),
          "a replacement never grows the text beyond the bound");
    for (const auto& entry : values) {
        Check(variables.Lookup(entry.first) == entry.second, "expansion leaves the values alone");
    }
    if (!bracketInValues) {
        Check(expanded == ExpandInOnePass(text, values),
              "bracket-free values expand as in one pass from left to right");
    }
    return 0;
}
