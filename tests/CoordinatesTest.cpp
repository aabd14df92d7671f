#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
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

TEST(TextNumbers, FormatAndParse) {
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
}

// The fast road for plain decimals must give what strtod gives, bit for bit.
TEST(TextNumbers, TheFastParserMatchesStrtod) {
    std::mt19937 random(11);
    const char alphabet[] = "0123456789.-+eExX ";
    for (int i = 0; i < 5000; ++i) {
        std::string text;
        if (i % 2 == 0) {  // plain decimals, the common case
            text = std::to_string(static_cast<int>(random() % 361) - 180) + "." +
                   std::to_string(random() % 100000000);
        } else {
            for (size_t n = 1 + random() % 12; n > 0; --n) {
                text.push_back(alphabet[random() % (sizeof alphabet - 1)]);
            }
        }
        double dExpected = std::strtod(text.c_str(), nullptr);
        double dActual = ParseDegrees(text);
        EXPECT_EQ(std::memcmp(&dExpected, &dActual, sizeof dActual), 0)
            << '"' << text << "\": " << dExpected << " vs " << dActual;
    }
}

TEST(TextNumbers, FormatAndParseIgnoreTheUsersLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
    }
    std::string formatted = FormatDegrees(-117.25);
    double dParsed = ParseDegrees("32.5");
    double dSlow = ParseDegrees(" 32.5");  // strtod's road
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(formatted, "-117.250000");
    EXPECT_EQ(dParsed, 32.5);
    EXPECT_EQ(dSlow, 32.5);
}

}  // namespace
