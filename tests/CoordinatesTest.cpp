#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "files/Coordinates.h"

namespace {

TEST(Semicircles, WorkedValuesAndTheirText) {
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
    EXPECT_EQ(FormatDegrees(0.0000004), "0.000000");
    EXPECT_EQ(FormatDegrees(1e20), "100000000000000000000.000000");
}

// Every form a coordinate is read in, and what is now refused instead of cut.
TEST(TextNumbers, CoordinateForms) {
    constexpr CoordinateAxis LAT = CoordinateAxis::Latitude;
    constexpr CoordinateAxis LON = CoordinateAxis::Longitude;
    const double dInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* text;
        CoordinateAxis axis;
        double dExpected;  // 0: invalid
    };
    const std::vector<Case> valid = {
        {"32.5", LAT, 32.5},       {"-117.25", LON, -117.25},   {"2e1", LAT, 20.0},
        {"+.5", LAT, 0.5},         {"0x10", LAT, 16.0},         {"1e400", LAT, dInf},
        {"inf", LON, dInf},        {" \t32.5 ", LAT, 32.5},     {"33.5S", LAT, -33.5},
        {"33.5 s", LAT, -33.5},    {"S33.5", LAT, -33.5},       {"s 33.5", LAT, -33.5},
        {"N 12", LAT, 12.0},       {"12n", LAT, 12.0},          {"12.5E", LON, 12.5},
        {"12.5 w", LON, -12.5},    {"W12.5", LON, -12.5},       {"e 7", LON, 7.0},
        {"45\xB0", LAT, 45.0},     {"45\xC2\xB0", LAT, 45.0},   {"45.5\xC2\xB0 N", LAT, 45.5},
        {"S45.5\xB0", LAT, -45.5}, {" 45 \xB0 S ", LAT, -45.0}, {"+8W", LON, -8.0},
    };
    // \260 is the degree sign's byte.
    const std::vector<Case> invalid = {
        {"32 30", LAT, 0}, {"1,5", LAT, 0},    {"-7.25xyz", LAT, 0}, {"32.5N", LON, 0},
        {"12E", LAT, 0},   {"W12", LAT, 0},    {"-33.5S", LAT, 0},   {"N12S", LAT, 0},
        {"12NN", LAT, 0},  {"45\xC2", LAT, 0}, {"\26045", LAT, 0},   {".", LAT, 0},
        {"-", LAT, 0},     {"N", LAT, 0},      {"LATITUDE", LAT, 0}, {"45\302\26030'", LAT, 0},
    };
    for (const std::vector<Case>* pTable : {&valid, &invalid}) {
        for (const Case& c : *pTable) {
            EXPECT_EQ(ParseCoordinate(c.text, c.axis), c.dExpected) << '"' << c.text << '"';
        }
    }
    EXPECT_EQ(ParseCoordinate("", LAT), 0.0);
    EXPECT_EQ(ParseCoordinate("-117.123456789012345678", LON), -117.123456789012345678);
}

// Plain decimals take a fast road; whatever strtod reads whole must come out
// the same, bit for bit, and a text with more after its number is invalid.
TEST(TextNumbers, ReadsWhatStrtodReadsWhole) {
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
        char* pEnd = nullptr;
        double dExpected = std::strtod(text.c_str(), &pEnd);
        if (pEnd == text.c_str() ||
            text.find_first_not_of(' ', pEnd - text.c_str()) != std::string::npos) {
            dExpected = 0.0;
        }
        double dActual = ParseCoordinate(text, CoordinateAxis::Latitude);
        EXPECT_EQ(std::memcmp(&dExpected, &dActual, sizeof dActual), 0)
            << '"' << text << "\": " << dExpected << " vs " << dActual;
    }
}

TEST(TextNumbers, FormatAndParseIgnoreTheUsersLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
    }
    std::string formatted = FormatDegrees(-117.25);
    double dParsed = ParseCoordinate("32.5", CoordinateAxis::Latitude);
    double dSlow = ParseCoordinate(" 32.5 N", CoordinateAxis::Latitude);  // strtod's road
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(formatted, "-117.250000");
    EXPECT_EQ(dParsed, 32.5);
    EXPECT_EQ(dSlow, 32.5);
}

}  // namespace
