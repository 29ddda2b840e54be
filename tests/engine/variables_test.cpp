#include "engine/variables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class VariableStoreTest : public ::testing::Test {
  protected:
    VariableStore store;
};

std::string Expanded(VariableStore& store, std::string text) {
    store.ExpandReferences(text);
    return text;
}

// True when text is `unit` repeated a whole number of times.
bool IsRepetitionOf(const std::string& text, const std::string& unit) {
    if (text.size() % unit.size() != 0) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); i += unit.size()) {
        if (text.compare(i, unit.size(), unit) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST_F(VariableStoreTest, LookupOfAMissingNameCreatesItEmpty) {
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.Lookup("NEVERSET"), "");
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.Lookup("NEVERSET"), "");
    EXPECT_EQ(store.Count(), 1u);
}

TEST_F(VariableStoreTest, LookupGivesAReferenceToAssignThrough) {
    store.Lookup("DP") = "C:\\Apps\\";
    EXPECT_EQ(store.Lookup("DP"), "C:\\Apps\\");
    store.Lookup("DP") += "Demo";
    EXPECT_EQ(store.Lookup("DP"), "C:\\Apps\\Demo");
    EXPECT_EQ(store.Count(), 1u);
}

TEST_F(VariableStoreTest, AssignSetsAndOverwritesAppendExtends) {
    store.Assign("APPNAME", "Demo");
    EXPECT_EQ(store.Lookup("APPNAME"), "Demo");
    store.Assign("APPNAME", "Other");
    EXPECT_EQ(store.Lookup("APPNAME"), "Other");
    store.Append("APPNAME", " App");
    EXPECT_EQ(store.Lookup("APPNAME"), "Other App");
    store.Append("NEW", "tail");
    EXPECT_EQ(store.Lookup("NEW"), "tail");
    EXPECT_EQ(store.Count(), 2u);
}

TEST_F(VariableStoreTest, NamesAreCaseSensitiveAndAnyTextIsAName) {
    store.Assign("Name", "mixed");
    store.Assign("NAME", "upper");
    store.Assign("", "empty name");
    store.Assign("with blanks ", "blank");
    EXPECT_EQ(store.Lookup("Name"), "mixed");
    EXPECT_EQ(store.Lookup("NAME"), "upper");
    EXPECT_EQ(store.Lookup(""), "empty name");
    EXPECT_EQ(store.Lookup("with blanks "), "blank");
    EXPECT_EQ(store.Lookup("name"), "");
    EXPECT_EQ(store.Count(), 5u);
}

TEST_F(VariableStoreTest, ExpandReferencesReplacesBracketedNames) {
    store.Assign("APPNAME", "Demo");
    store.Assign("A", "x");
    store.Assign("B", "[A]y");
    store.Assign("b[C", "Q");
    store.Assign("LONE", "[");
    store.Assign("DP", "C:\\Program Files\\Demo\\");
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"[APPNAME] Setup", "Demo Setup"},
        {"no references", "no references"},
        {"", ""},
        {"[]", ""},
        {"a[b[C]", "aQ"},
        {"a[b", "a[b"},
        {"a]b[c", "a]b[c"},
        {"][", "]["},
        {"[B]", "xy"},
        {"[[A]]", "]"},
        {"[A]]", "x]"},
        {"[A][APPNAME][A]", "xDemox"},
        {"[DP]\\demo.exe", "C:\\Program Files\\Demo\\\\demo.exe"},
        {"[LONE]A]", "x"},
        {"[LONE]", "["},
        {"[a]", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Expanded(store, c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST_F(VariableStoreTest, ExpandingAnUnsetNameCreatesItEmpty) {
    EXPECT_EQ(Expanded(store, "Press [Enter] now"), "Press  now");
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.Lookup("Enter"), "");
    EXPECT_EQ(store.Count(), 1u);

    EXPECT_EQ(Expanded(store, "[]"), "");
    EXPECT_EQ(store.Count(), 2u);
    store.Assign("", "E");
    EXPECT_EQ(Expanded(store, "<[]>"), "<E>");
}

TEST_F(VariableStoreTest, OpeningBracketFromAValueReachesToTheNextClosingBracket) {
    store.Assign("A", "x");
    store.Assign("OPEN", "[rest");
    // "[rest and [A]": brackets do not nest, so the name is "rest and [A".
    EXPECT_EQ(Expanded(store, "[OPEN] and [A]!"), "!");
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_EQ(store.Lookup("rest and [A"), "");
    EXPECT_EQ(store.Count(), 3u);
}

TEST_F(VariableStoreTest, SelfReferenceStopsWithTheReferenceInPlace) {
    store.Assign("A", "[A]");
    EXPECT_EQ(Expanded(store, "<[A]>"), "<[A]>");
}

TEST_F(VariableStoreTest, CycleThroughTwoVariablesStops) {
    store.Assign("A", "[B]");
    store.Assign("B", "[A]");
    const std::string text = Expanded(store, "[A]");
    EXPECT_TRUE(text == "[A]" || text == "[B]") << text;
}

TEST_F(VariableStoreTest, DoublingReferenceStopsWithBoundedText) {
    store.Assign("A", "[A][A]");
    const std::string text = Expanded(store, "[A]");
    EXPECT_TRUE(IsRepetitionOf(text, "[A]")) << text.substr(0, 60);
    EXPECT_GT(text.size(), 3u);
    EXPECT_LE(text.size(), 3u * (VariableStore::kMaxReplacements + 1));
}

TEST_F(VariableStoreTest, ExpandingAVariableInPlaceThatDoublesItselfStaysBounded) {
    // The text is the stored value itself: each replacement doubles it.
    store.Assign("A", "[A][A]");
    std::string& value = store.Lookup("A");
    store.ExpandReferences(value);
    EXPECT_TRUE(IsRepetitionOf(store.Lookup("A"), "[A]"));
    EXPECT_GT(store.Lookup("A").size(), 1000u);
    EXPECT_LE(store.Lookup("A").size(), VariableStore::kMaxExpandedLength);
}

TEST_F(VariableStoreTest, ReplacementBeyondTheLengthLimitIsRefusedAndTheRestStays) {
    const std::size_t chunk = VariableStore::kMaxExpandedLength / 16;
    store.Assign("BIG", std::string(chunk, 'x'));
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += "[BIG]";
    }
    store.ExpandReferences(text);
    EXPECT_LE(text.size(), VariableStore::kMaxExpandedLength);
    EXPECT_GT(text.size(), VariableStore::kMaxExpandedLength - chunk);
    const std::size_t firstReference = text.find("[BIG]");
    ASSERT_NE(firstReference, std::string::npos);
    EXPECT_EQ(firstReference % chunk, 0u);
    EXPECT_EQ(text.find_first_not_of('x'), firstReference);
    EXPECT_TRUE(IsRepetitionOf(text.substr(firstReference), "[BIG]"));
}

TEST_F(VariableStoreTest, ShrinkingReplacementInAnOversizedTextIsMade) {
    std::string text = std::string(VariableStore::kMaxExpandedLength + 10, 'x') + "[EMPTY]";
    store.ExpandReferences(text);
    EXPECT_EQ(text.size(), VariableStore::kMaxExpandedLength + 10);
    EXPECT_EQ(text.find('['), std::string::npos);
}
