#include "engine/variables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Expanded(VariableStore& store, std::string text) {
    store.ExpandReferences(text);
    return text;
}

bool IsRepetitionOf(const std::string& text, const std::string& unit) {
    for (std::size_t i = 0; i < text.size(); i += unit.size()) {
        if (text.compare(i, unit.size(), unit) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

// Names are exact; a name read or expanded while unset then exists, empty.
TEST(VariableStore, ExpandReferencesRestartsFromTheBeginningAfterEachReplacement) {
    VariableStore store;
    store.Assign("APPNAME", "De");
    store.Append("APPNAME", "mo");
    store.Assign("A", "x");
    store.Assign("B", "[A]y"); // entered unexpanded, as a typed directory can
    store.Assign("b[C", "Q");
    store.Assign("LONE", "[");
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"[APPNAME] [appname]Setup", "Demo Setup"},
        {"Press [Enter] now", "Press  now"},
        {"[]", ""},
        {"a[b[C]", "aQ"},
        {"a[b", "a[b"},
        {"a]b[c", "a]b[c"},
        {"[B]", "xy"},
        {"[LONE]A]", "x"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Expanded(store, row.text), row.expected) << row.text;
    }
    EXPECT_EQ(store.Count(), 8u); // "appname", "Enter" and "" now exist
}

TEST(VariableStore, AReferenceThatLeadsBackToItselfStops) {
    VariableStore store;
    store.Assign("SELF", "[SELF]");
    EXPECT_EQ(Expanded(store, "<[SELF]>"), "<[SELF]>");
    store.Assign("A", "[A][A]");
    const std::string doubled = Expanded(store, "[A]");
    EXPECT_TRUE(IsRepetitionOf(doubled, "[A]"));
    EXPECT_LE(doubled.size(), 3u * (VariableStore::kMaxReplacements + 1));
}

// A value expanded in place doubles with each replacement; the value looked up
// must be a copy (the sanitizer build sees a use after free).
TEST(VariableStore, AValueExpandedInPlaceThatDoublesItselfStaysBounded) {
    VariableStore store;
    store.Assign("A", "[A][A]");
    store.ExpandReferences(store.Lookup("A"));
    EXPECT_TRUE(IsRepetitionOf(store.Lookup("A"), "[A]"));
    EXPECT_GT(store.Lookup("A").size(), VariableStore::kMaxExpandedLength / 2);
    EXPECT_LE(store.Lookup("A").size(), VariableStore::kMaxExpandedLength);
}

TEST(VariableStore, AReplacementBeyondOneMebibyteIsRefusedAndTheRestStays) {
    VariableStore store;
    const std::size_t chunk = VariableStore::kMaxExpandedLength / 16;
    store.Assign("BIG", std::string(chunk, 'x'));
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += "[BIG]";
    }
    store.ExpandReferences(text);
    const std::size_t rest = text.find("[BIG]");
    EXPECT_EQ(rest, 15 * chunk);
    EXPECT_TRUE(IsRepetitionOf(text.substr(rest), "[BIG]"));
    EXPECT_EQ(text.substr(rest).size(), 5u * 5u);
}
