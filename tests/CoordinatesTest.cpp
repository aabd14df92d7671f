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

// Every form a coordinate is read in, and what is refused instead of guessed.
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
        {"32.5", LAT, 32.5},         {"-117.25", LON, -117.25},
        {"2e1", LAT, 20.0},          {"+.5", LAT, 0.5},
        {"0x10", LAT, 16.0},         {"1e400", LAT, dInf},
        {"inf", LON, dInf},          {" \t32.5 ", LAT, 32.5},
        {"33.5S", LAT, -33.5},       {"33.5 s", LAT, -33.5},
        {"S33.5", LAT, -33.5},       {"s 33.5", LAT, -33.5},
        {"N 12", LAT, 12.0},         {"12n", LAT, 12.0},
        {"12.5E", LON, 12.5},        {"12.5 w", LON, -12.5},
        {"W12.5", LON, -12.5},       {"e 7", LON, 7.0},
        {"45\u00B0", LAT, 45.0},     {"45.5\u00B0 N", LAT, 45.5},
        {"S45.5\u00B0", LAT, -45.5}, {" 45 \u00B0 S ", LAT, -45.0},
        {"+8W", LON, -8.0},          {"45d", LAT, 45.0},
        {"0350.5", LAT, 350.5},  // without a hemisphere letter a number is a number
    };
    const std::vector<Case> invalid = {
        {"1,5", LAT, 0},
        {"-7.25xyz", LAT, 0},
        {"32.5N", LON, 0},
        {"12E", LAT, 0},
        {"W12", LAT, 0},
        {"-33.5S", LAT, 0},
        {"N12S", LAT, 0},
        {"12NN", LAT, 0},
        {"45\xC2", LAT, 0},
        {"45\xB0", LAT, 0},
        {".", LAT, 0},
        {"-", LAT, 0},
        {"N", LAT, 0},
        {"LATITUDE", LAT, 0},
        {"4007.38N", LAT, 0},
        {"00830.5E", LON, 0},
        {"27.15.45S", LAT, 0},
        {"45 60", LAT, 0},
        {"45 30 60", LAT, 0},
        {"45.5 30", LAT, 0},
        {"45 30.5 15", LAT, 0},
        {"45 30 15 10", LAT, 0},
        {"45''30", LAT, 0},
        {"45 -30", LAT, 0},
        {"45\u00B0 30'' N", LAT, 0},
        {"-45 30 S", LAT, 0},
        {"N 45 30 E", LAT, 0},
        {"45\u00B0\u00B0", LAT, 0},
        {"45 30.", LAT, 0},
        {"45:", LAT, 0},
    };
    for (const std::vector<Case>* pTable : {&valid, &invalid}) {
        for (const Case& c : *pTable) {
            EXPECT_EQ(ParseCoordinate(c.text, c.axis), c.dExpected) << '"' << c.text << '"';
        }
    }
    EXPECT_EQ(ParseCoordinate("", LAT), 0.0);
    EXPECT_EQ(ParseCoordinate("-117.123456789012345678", LON), -117.123456789012345678);
}

// Degrees and minutes, and degrees, minutes and seconds, with every mark and
// separator that geocaching sites, GPS units and surveys write.
TEST(TextNumbers, DegreesMinutesAndSeconds) {
    constexpr CoordinateAxis LAT = CoordinateAxis::Latitude;
    constexpr CoordinateAxis LON = CoordinateAxis::Longitude;
    const double d453015 = 45.0 + 30.0 / 60 + 15.0 / 3600;
    struct Case {
        const char* text;
        CoordinateAxis axis;
        double dExpected;
    };
    const Case cases[] = {
        {"N 47\u00B0 38.938", LAT, 47.648966667},
        {"W 122\u00B0 19.5'", LON, -122.325},
        {"45\u00B030'15\"N", LAT, d453015},
        {"45 30 15 N", LAT, d453015},
        {"45:30:15", LAT, d453015},
        {"45d30'15\"", LAT, d453015},
        {"45\u00BA 30\u2032 15\u2033 S", LAT, -d453015},
        {"45\u00B030\u201915\u201D", LAT, d453015},
        {"45\u00B030'15''", LAT, d453015},
        {"e 8 : 32.5", LON, 8.541666667},
        {"-45 30", LAT, -45.5},
        {"12 59.999", LAT, 12.999983333},
        {"s 33 52 04.6", LAT, -33.867944444},
        {"179 59 59.9999 W", LON, -179.999999972},
        {"0 30 S", LAT, -0.5},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ParseCoordinate(c.text, c.axis), c.dExpected, 1e-6) << '"' << c.text << '"';
    }
}

// Packed and dotted forms are named, with the way to write them; other texts
// are not.
TEST(TextNumbers, RefusedNotationsAreNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"4007.38N",
         "\"4007.38N\" packs degrees and minutes together, which is not read; "
         "write 40 07.38 N"},
        {" w 00830.5 ",
         "\" w 00830.5 \" packs degrees and minutes together, which is not read; "
         "write 008 30.5 w"},
        {"27.15.45S",
         "\"27.15.45S\" separates degrees, minutes and seconds with points, which "
         "is not read; write 27 15 45 S"},
        {"4007.38", ""},  // a number, only out of range
        {"27.15.45.1",
         "\"27.15.45.1\" separates degrees, minutes and seconds with points, "
         "which is not read; write 27 15 45.1"},
        {"N 40 07.38", ""},
        {"4007.N", ""},
        {"", ""},
    };
    for (const auto& [pText, pDescription] : cases) {
        EXPECT_EQ(DescribeRefusedNotation(pText), pDescription) << '"' << pText << '"';
    }
}

// A decimal comma is read when the caller allows it, in every form; written
// when asked for.
TEST(TextNumbers, DecimalCommas) {
    constexpr CoordinateAxis LAT = CoordinateAxis::Latitude;
    struct Case {
        const char* text;
        double dExpected;  // 0: invalid
    };
    const Case cases[] = {
        {"47,3769", 47.3769},
        {"-8,5", -8.5},
        {" 8,5 S", -8.5},
        {"N 47\u00B0 38,938", 47.648966667},
        {"45 30 15,5 N", 45.504305556},
        {"1,234.5", 0},
        {"47,", 47.0},
        {",5", 0.5},
        {"4,5,6", 0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ParseCoordinate(c.text, LAT, true), c.dExpected, 1e-9) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseCoordinate("47,3769", LAT, true), 47.3769);  // the point's exact result
    EXPECT_EQ(ParseCoordinate("47,3769", LAT, false), 0.0);
    EXPECT_EQ(FormatDegrees(-117.25, true), "-117,250000");
    EXPECT_EQ(FormatDegrees(0.5, true), "0,500000");
}

// Plain decimals take a fast road; whatever strtod reads whole must come out
// the same, bit for bit, and a text with more after its number is invalid.
TEST(TextNumbers, ReadsWhatStrtodReadsWhole) {
    std::mt19937 random(11);
    const char alphabet[] = "0123456789.-+eExX";
    for (int i = 0; i < 5000; ++i) {
        std::string text;
        if (i % 2 == 0) {  // plain decimals, the common case
            text = std::to_string(static_cast<int>(random() % 361) - 180) + "." +
                   std::to_string(random() % 100000000);
        } else {
            for (size_t n = 1 + random() % 12; n > 0; --n) {
                text.push_back(alphabet[random() % (sizeof alphabet - 1)]);
            }
            text.append(random() % 2, ' ');
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
