#include "app/helpers.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>

TEST(Helpers, RoundHalfUpIsFloorOfXPlusHalf)
{
    const struct {
        double x;
        int expected;
    } cases[] = {
        {2.5, 3}, {-2.5, -2}, {-2.6, -3}, {-0.5, 0}, {-0.4, 0}, {0.49, 0}, {-1.5, -1}, {7.0, 7},
        // the guard against huge magnitudes
        {1e80, 1}, {-1e80, 1}, {5.0001e75, 1},
        // beyond the int range: saturated, not undefined
        {3e9, INT_MAX}, {-3e9, INT_MIN}, {-2147483647.5, -2147483647}, {2147483646.5, INT_MAX},
        {std::nan(""), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfUp(c.x), c.expected) << c.x;
}

TEST(Helpers, RoundHalfAwayRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.4), -2);
    EXPECT_EQ(RoundHalfAway(-1e12), INT_MIN);
    EXPECT_EQ(RoundHalfAway(1e12), INT_MAX);
}

// Every byte value, including those above 0x7F that are negative as char.
TEST(Helpers, CharacterClassesOverAllBytes)
{
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        const bool letter = (i >= 'A' && i <= 'Z') || (i >= 'a' && i <= 'z');
        const bool number = (i >= '0' && i <= '9') || i == '+' || i == '-' || i == '.';
        EXPECT_EQ(IsAsciiLetter(c), letter ? 1 : 0) << i;
        EXPECT_EQ(IsNumberChar(c), number ? 1 : 0) << i;
    }
}
