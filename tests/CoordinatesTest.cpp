#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "files/Coordinates.h"

namespace {

TEST(Semicircles, WorkedValues) {
    struct Case {
        double dDegrees;
        int32_t nSemicircles;
    };
    const Case cases[] = {
        {32.5, 387740102},     {-117.25, -1398846986}, {90.0, 1073741823}, {180.0, 2147483646},
        {-180.0, -2147483646}, {-33.5, -399670567},    {8.3e-8, 0},        {-8.3e-8, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DegreesToSemicircles(c.dDegrees), c.nSemicircles) << c.dDegrees;
    }
    // Past 180 degrees the value wraps instead of saturating.
    EXPECT_NEAR(SemicirclesToDegrees(DegreesToSemicircles(200.0)), -160.0, 1e-6);
    EXPECT_EQ(DegreesToSemicircles(std::nan("")), 0);
    EXPECT_EQ(DegreesToSemicircles(1e300), 0);
    EXPECT_EQ(DegreesToSemicircles(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(FormatDegrees(SemicirclesToDegrees(-1398846986)), "-117.250000");
    EXPECT_LT(SemicirclesToDegrees(-1398846986), -117.2499999);
    EXPECT_GT(SemicirclesToDegrees(-1398846986), -117.25);
}

TEST(TextNumbers, FormatAndParseIgnoreTheUsersLocale) {
    // A locale with a decimal comma, where one is installed.
    const char* pLocale = std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(FormatDegrees(32.5), "32.500000");
    EXPECT_EQ(FormatDegrees(-117.25), "-117.250000");
    EXPECT_EQ(FormatDegrees(0.0000004), "0.000000");
    EXPECT_EQ(FormatDegrees(1e20), "100000000000000000000.000000");
    EXPECT_EQ(ParseDegrees("32.5"), 32.5);
    EXPECT_EQ(ParseDegrees("  -7.25xyz"), -7.25);
    EXPECT_EQ(ParseDegrees("32.5N"), 32.5);
    EXPECT_EQ(ParseDegrees("N32.5"), 0.0);
    EXPECT_EQ(ParseDegrees("32 30"), 32.0);
    EXPECT_EQ(ParseDegrees("1,5"), 1.0);
    EXPECT_EQ(ParseDegrees(""), 0.0);
    EXPECT_EQ(ParseDegrees("2e1"), 20.0);
    EXPECT_EQ(ParseDegrees("1e"), 1.0);
    EXPECT_EQ(ParseDegrees("+.5"), 0.5);
    EXPECT_EQ(ParseDegrees("-.25x"), -0.25);
    EXPECT_EQ(ParseDegrees("0x10"), 16.0);
    EXPECT_EQ(ParseDegrees("-0X1p1"), -2.0);
    EXPECT_EQ(ParseDegrees("."), 0.0);
    EXPECT_EQ(ParseDegrees("-"), 0.0);
    EXPECT_TRUE(std::isinf(ParseDegrees("1e400")));
    EXPECT_EQ(ParseDegrees("0.1"), 0.1);
    EXPECT_EQ(ParseDegrees("-117.123456789012345678"), -117.123456789012345678);
    if (pLocale != nullptr) {
        std::setlocale(LC_ALL, "C");
    }
}

}  // namespace
