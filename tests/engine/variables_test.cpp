#include "engine/variables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Expanded(VariableStore& store, std::string text) {
    store.ExpandReferences(text);
    return text;
}

std::string Repeated(const std::string& unit, std::size_t times) {
    std::string text;
    while (times-- > 0) {
        text += unit;
    }
    return text;
}

} // namespace

// Names are exact; a name read or expanded while unset then exists, empty.
TEST(VariableStore, ExpandReferencesRestartsFromTheBeginningAfterEachReplacementUpToABound) {
    VariableStore store;
    store.Assign("APPNAME", "De");
    store.Append("APPNAME", "mo");
    store.Assign("A", "x");
    store.Assign("B", "[A]y"); // entered unexpanded, as a typed directory can
    store.Assign("b[C", "Q");
    store.Assign("LONE", "[");
    store.Assign("SELF", "[SELF]");
    store.Assign("TWICE", "[TWICE][TWICE]");
    const struct {
        std::string text;
        std::string expected;
    } rows[] = {
        {"[APPNAME] [appname]Setup", "Demo Setup"},
        {"Press [Enter] now", "Press  now"},
        {"[]", ""},
        {"a[b[C]", "aQ"},
        {"a[b", "a[b"},
        {"a]b[c", "a]b[c"},
        {"[B]", "xy"},
        {"[LONE]A]", "x"},
        {"<[SELF]>", "<[SELF]>"},
        {"[TWICE]", Repeated("[TWICE]", VariableStore::kMaxReplacements + 1)}, // one more each
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Expanded(store, row.text), row.expected) << row.text;
    }
    EXPECT_EQ(store.Count(), 10u); // "appname", "Enter" and "" now exist
}

// A value expanded in place doubles with each replacement; the value looked up
// must be a copy (the sanitizer build sees a use after free).
TEST(VariableStore, AValueExpandedInPlaceThatDoublesItselfStaysBounded) {
    VariableStore store;
    store.Assign("A", "[A][A]");
    store.ExpandReferences(store.Lookup("A"));
    EXPECT_EQ(store.Lookup("A"), Repeated("[A]", store.Lookup("A").size() / 3));
    EXPECT_GT(store.Lookup("A").size(), VariableStore::kMaxExpandedLength / 2);
    EXPECT_LE(store.Lookup("A").size(), VariableStore::kMaxExpandedLength);
}

TEST(VariableStore, AReplacementBeyondOneMebibyteIsRefusedAndTheRestStays) {
    VariableStore store;
    const std::size_t chunk = VariableStore::kMaxExpandedLength / 16;
    store.Assign("BIG", std::string(chunk, 'x'));
    EXPECT_EQ(Expanded(store, Repeated("[BIG]", 20)),
              std::string(15 * chunk, 'x') + Repeated("[BIG]", 5));
}
