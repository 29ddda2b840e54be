#include "engine/lenient_number.h"

#include <gtest/gtest.h>

struct NumberCase {
    const char* text;
    int value;
};

TEST(LenientNumber, ReadsLeadingDecimalDigits) {
    const NumberCase cases[] = {
        {"0", 0},          {"42", 42},        {"  7", 7},
        {"\t-12", -12},    {"+5", 5},         {"12abc", 12},
        {"abc", 0},        {"", 0},           {"-", 0},
        {"yes", 0},        {"1 2", 1},        {"- 3", 0},
        {"300", 300},      {"70000", 70000},  {"2147483647", 2147483647},
        {"4294967296", 0}, {"4294967297", 1},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(LenientNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(LenientFlag, NonzeroNumbersAreSet) {
    EXPECT_EQ(LenientFlag("2"), 1);
    EXPECT_EQ(LenientFlag("-1"), 1);
    EXPECT_EQ(LenientFlag("0"), 0);
    EXPECT_EQ(LenientFlag("yes"), 0);
    EXPECT_EQ(LenientFlag(""), 0);
}
