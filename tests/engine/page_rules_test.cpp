#include "engine/page_rules.h"

#include <gtest/gtest.h>

// Type-ahead can press Next before the page-state check disables it, so the
// destination page asks the same rule again.
TEST(PageRules, ADestinationNeedsMoreThanTwoCharacters) {
    EXPECT_FALSE(IsUsableDestination(""));
    EXPECT_FALSE(IsUsableDestination("Z:"));
    EXPECT_TRUE(IsUsableDestination("Z:\\"));
}

// The sections page highlights a row exactly when the copy page installs its
// section, also when the page is shown a second time.
TEST(PageRules, ASectionIsInstalledWhenMandatoryOrChosen) {
    const struct {
        int mandatory;
        int selected;
        bool installed;
    } rows[] = {{0, 0, false}, {0, 1, true}, {1, 0, true}, {2, 0, true}, {-1, 0, true}};
    for (const auto& row : rows) {
        SectionRecord section;
        section.mandatory = row.mandatory;
        section.selected = row.selected;
        EXPECT_EQ(WillBeInstalled(section), row.installed) << row.mandatory << " " << row.selected;
    }
}

// A quiet run passes a page only when Next is enabled before anyone touches
// it, so the rules must be applied exactly as the page-state check applies them.
TEST(PageRules, NextRulesAppliedToTheControlsAsTheyAreCreated) {
    // W: AddWindow page, name, type, text; R: a Next rule; C: CheckButton; V: a variable.
    using Model = std::vector<std::vector<std::string>>;
    const std::string d = "DIALOG_DEST", w = "DIALOG_WELCOME", longText(1100, 'x');
    const struct {
        const char* what;
        Model statements;
        bool enabled;
        std::string blocking; // how it ends
    } rows[] = {
        {"no rules", {{"R", w, "VARIABLE", "X", "1", ""}}, true, ""},
        {"a checkbox starts unchecked",
         {{"W", d, "agree", "CHECKBOX", "I agree"}, {"R", d, "CONTROL", "agree", "VALUE", "1"}},
         false,
         "SetNextDynamicState(\"DIALOG_DEST\", \"CONTROL\", \"agree\", \"VALUE\", \"1\"): the "
         "control agree starts unchecked"},
        {"CheckButton checks it; VALUE is a lenient number",
         {{"W", d, "o", "OPTION_BTNSTYLE", ""},
          {"C", "o"},
          {"R", d, "CONTROL", "o", "VALUE", " 1x"}},
         true,
         ""},
        {"a label keeps no check state",
         {{"W", d, "l", "LABEL", ""}, {"C", "l"}, {"R", d, "CONTROL", "l", "VALUE", "1"}},
         false,
         "the control l starts unchecked"},
        {"the last record of the name decides: one on another page",
         {{"W", d, "c", "CHECKBOX", ""},
          {"W", w, "c", "CHECKBOX", ""},
          {"C", "c"},
          {"R", d, "CONTROL", "c", "VALUE", "1"}},
         false,
         "the control c is on DIALOG_WELCOME, not on this page"},
        {"the last record of the name decides: the one here",
         {{"W", w, "c", "CHECKBOX", ""},
          {"W", d, "c", "CHECKBOX", ""},
          {"C", "c"},
          {"R", d, "CONTROL", "c", "VALUE", "1"}},
         true,
         ""},
        {"a rule naming no control or no kind changes nothing; the last disabling one is named",
         {{"W", d, "c", "EDIT", "a"},
          {"R", d, "VARIABLE", "X", "1", ""},
          {"R", d, "CONTROL", "none", "VALUE", "0"},
          {"R", d, "CONTROL", "c", "VALUES", "a"},
          {"R", d, "OTHER", "X", "", ""}},
         false,
         "the variable X holds \"\""},
        {"a later rule enables again",
         {{"V", "X", "1"}, {"R", d, "VARIABLE", "X", "0", ""}, {"R", d, "VARIABLE", "X", "1", ""}},
         true,
         ""},
        {"an edit field's text",
         {{"W", d, "e", "EDIT", "ab"}, {"R", d, "CONTROL", "e", "TEXT", "ab"}},
         true,
         ""},
        {"a text read back is cut to the check's buffer, a long text in the reason too",
         {{"W", d, "e", "EDIT", longText},
          {"R", d, "CONTROL", "e", "TEXT", longText.substr(0, 1023)},
          {"R", d, "CONTROL", "e", "TEXT", longText}},
         false,
         "the control e starts with the text \"" + longText.substr(0, 60) + "...\""},
        {"a variable is read as the store holds it",
         {{"V", "X", "[Y]"},
          {"R", d, "VARIABLE", "X", "[Y]", ""},
          {"R", d, "VARIABLE", "Unset", "", ""}},
         true,
         ""},
    };
    for (const auto& row : rows) {
        InstallationModel built;
        VariableStore store;
        for (const std::vector<std::string>& s : row.statements) {
            const std::vector<std::string> rest(s.begin() + 1, s.end());
            if (s[0] == "W") {
                built.windows.emplace_back();
                built.windows.back().page = s[1];
                built.windows.back().name = s[2];
                built.windows.back().type = s[3];
                built.windows.back().text = s[4];
            } else if (s[0] == "V") {
                store.Assign(s[1], s[2]);
            } else {
                built.deferredStatements.push_back(
                    {s[0] == "R" ? "SetNextDynamicState" : "CheckButton", rest, 0});
            }
        }
        std::string blocking = "stale";
        EXPECT_EQ(NextEnabledUntouched(d, built, store, blocking), row.enabled) << row.what;
        const std::size_t end = blocking.size() - std::min(blocking.size(), row.blocking.size());
        EXPECT_EQ(blocking.substr(end), row.blocking) << row.what << ": " << blocking;
        EXPECT_EQ(blocking.empty(), row.enabled) << row.what;
    }
}
