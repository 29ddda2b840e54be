#include "engine/page_rules.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "engine/lenient_number.h"

namespace {

// Script text quoted in a reason is cut, so that a long argument cannot make a
// log line of megabytes.
constexpr std::size_t kMaxShown = 60;

// The page-state check reads a control's text into a buffer of this size.
constexpr std::size_t kControlTextBuffer = 1024;

std::string Cut(const std::string& text) {
    return text.size() > kMaxShown ? text.substr(0, kMaxShown) + "..." : text;
}

std::string Shown(const std::string& text) {
    return "\"" + Cut(text) + "\"";
}

std::string RuleText(const std::vector<std::string>& arguments) {
    std::string text = "SetNextDynamicState(";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        text += (i == 0 ? "" : ", ") + Shown(arguments[i]);
    }
    return text + ")";
}

// Only buttons of these styles keep a check state; BM_SETCHECK does nothing to
// a push button, a static or an edit field, and BM_GETCHECK answers 0 there.
bool KeepsCheckState(const std::string& type) {
    return type == "CHECKBOX" || type == "CHECKBOX_BTNSTYLE" || type == "OPTION" ||
           type == "OPTION_BTNSTYLE";
}

bool NamedByCheckButton(const std::string& control, const InstallationModel& model) {
    for (const DeferredStatement& statement : model.deferredStatements) {
        if (statement.name == "CheckButton" && !statement.arguments.empty() &&
            statement.arguments[0] == control) {
            return true;
        }
    }
    return false;
}

// The text as the page-state check reads it back: the control was created with
// the text up to its first NUL, and GetWindowTextA fills at most the buffer.
std::string ControlText(const std::string& text) {
    return text.substr(0, std::min(text.find('\0'), kControlTextBuffer - 1));
}

} // namespace

bool IsUsableDestination(const std::string& path) {
    return path.size() > 2;
}

bool WillBeInstalled(const SectionRecord& section) {
    return section.mandatory != 0 || section.selected != 0;
}

bool NextEnabledUntouched(const std::string& pageName, const InstallationModel& model,
                          const VariableStore& variables, std::string& blocking) {
    bool enabled = true;
    blocking.clear();
    std::optional<VariableStore> readable; // Lookup creates what it does not find
    for (const DeferredStatement& rule : model.deferredStatements) {
        const std::vector<std::string>& a = rule.arguments;
        if (rule.name != "SetNextDynamicState" || a.size() != 5 || a[0] != pageName) {
            continue;
        }
        std::string reason;
        if (a[1] == "CONTROL" && (a[3] == "VALUE" || a[3] == "TEXT")) {
            for (const WindowRecord& record : model.windows) {
                if (record.name != a[2]) {
                    continue;
                }
                const bool here = record.page == pageName;
                std::string state;
                if (a[3] == "VALUE") {
                    const bool checked = here && KeepsCheckState(record.type) &&
                                         NamedByCheckButton(record.name, model);
                    enabled = (checked ? 1 : 0) == LenientNumber(a[4]);
                    state = checked ? "starts checked" : "starts unchecked";
                } else {
                    const std::string text = here ? ControlText(record.text) : std::string();
                    enabled = a[4] == text;
                    state = "starts with the text " + Shown(text);
                }
                reason = "the control " + Cut(record.name) +
                         (here ? " " + state : " is on " + Cut(record.page) + ", not on this page");
            }
        } else if (a[1] == "VARIABLE") {
            if (!readable) {
                readable = variables;
            }
            const std::string& value = readable->Lookup(a[2]);
            enabled = value == a[3];
            reason = "the variable " + Cut(a[2]) + " holds " + Shown(value);
        }
        if (!enabled && !reason.empty()) {
            blocking = RuleText(a) + ": " + reason;
        }
    }
    if (enabled) {
        blocking.clear();
    }
    return enabled;
}
