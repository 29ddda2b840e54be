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
