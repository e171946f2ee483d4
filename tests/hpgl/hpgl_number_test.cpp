#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "hpgl/hpgl_number.h"

namespace {
double Convert(const std::string& run)
{
    vexa::HpglNumber n;
    for (char c : run)
        n.Add(c);
    return n.Take();
}

// The same run fed in pieces, as block boundaries cut it.
double ConvertInPieces(const std::string& run, std::mt19937& rng)
{
    vexa::HpglNumber n;
    size_t at = 0;
    while (at < run.size()) {
        const size_t len = 1 + rng() % run.size();
        const size_t take = std::min(len, run.size() - at);
        n.AddRun(run.data() + at, take);
        at += take;
    }
    return n.Take();
}

void ExpectSameBits(double a, double b, const std::string& run)
{
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "'" << run << "': " << a << " vs " << b;
}
}  // namespace

TEST(HpglNumber, PrefixRules)
{
    EXPECT_EQ(Convert("5-3"), 5.0);
    EXPECT_EQ(Convert("-"), 0.0);
    EXPECT_EQ(Convert("."), 0.0);
    EXPECT_EQ(Convert("+-5"), 0.0);
    EXPECT_EQ(Convert("-.5"), -0.5);
    EXPECT_EQ(Convert("5."), 5.0);
    EXPECT_EQ(Convert("1.2.3"), 1.2);
    EXPECT_EQ(Convert("007"), 7.0);
    EXPECT_EQ(Convert("0.000123"), 0.000123);
    EXPECT_TRUE(std::signbit(Convert("-0")));
}

TEST(HpglNumber, MatchesTheCLibraryOnRandomRuns)
{
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937 rng(2026);
    const char alphabet[] = "0123456789012345678901234567890123456789.-+";
    for (int round = 0; round < 20000; ++round) {
        std::string run;
        const size_t len = 1 + rng() % (round % 10 == 0 ? 400 : 30);
        for (size_t i = 0; i < len; ++i)
            run.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
        const double expected = std::strtod(run.c_str(), nullptr);
        ExpectSameBits(Convert(run), expected, run);
        ExpectSameBits(ConvertInPieces(run, rng), expected, run);
    }
}

TEST(HpglNumber, LongRunsAndExtremes)
{
    const std::vector<std::string> runs = {
        std::string(1000, '9'),                                   // overflows to infinity
        "0." + std::string(400, '0') + "1",                       // underflows to zero
        "0." + std::string(300, '0') + "123",                     // subnormal
        "2.5000000000000000000000000000000000000000000000000001",
        "9007199254740993",                                        // 2^53 + 1: a halfway case
        "9007199254740993." + std::string(900, '0') + "1",          // tie broken far beyond the kept digits
        std::string(850, '1') + "." + std::string(10, '7'),
        "-123456789012345678901234567890",
        "1" + std::string(400, '0'),
    };
    for (const std::string& run : runs)
        ExpectSameBits(Convert(run), std::strtod(run.c_str(), nullptr), run);
}
