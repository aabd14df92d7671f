#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/Waypoint.h"

namespace {

CWaypoint Make(const std::string& name, double dLatitude = 32.1, double dLongitude = 34.8) {
    CWaypoint waypoint;
    waypoint.m_strName = name;
    waypoint.m_dLatitude = dLatitude;
    waypoint.m_dLongitude = dLongitude;
    return waypoint;
}

TEST(ValidateName, LengthIsTestedBeforeCharacters) {
    struct Case {
        std::string name;
        WaypointError expected;
    };
    const Case cases[] = {
        {"", WaypointError::NameEmpty},
        {std::string(40, 'a'), WaypointError::None},
        {std::string(41, 'a'), WaypointError::NameTooLong},
        {std::string(40, 'a') + ".", WaypointError::NameTooLong},
        {"home-2 new_one", WaypointError::None},
        {"HOME", WaypointError::None},
        {"a.b", WaypointError::NameNotAlphanumeric},
        {"a/b", WaypointError::NameNotAlphanumeric},
        {"caf\xE9", WaypointError::NameNotAlphanumeric},
        {"a\tb", WaypointError::NameNotAlphanumeric},
        {std::string("a\0b", 3), WaypointError::NameNotAlphanumeric},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidateName(c.name, 40), c.expected) << '"' << c.name << '"';
    }
}

TEST(WaypointValidate, NameFaultsComeBeforeCoordinateFaults) {
    EXPECT_EQ(Make("", 0.0, 0.0).Validate(40), WaypointError::NameEmpty);
    EXPECT_EQ(Make("home", 0.0, 12.0).Validate(40), WaypointError::LatitudeInvalid);
    EXPECT_EQ(Make("home", 0.0, 0.0).Validate(40), WaypointError::LatitudeInvalid);
    EXPECT_EQ(Make("home", 32.1, 0.0).Validate(40), WaypointError::LongitudeInvalid);
    EXPECT_EQ(Make("home", -0.0, 1.0).Validate(40), WaypointError::LatitudeInvalid);
    EXPECT_EQ(Make("home", std::nan(""), 1.0).Validate(40), WaypointError::LatitudeInvalid);
    EXPECT_EQ(Make("home", 123.0, -200.0).Validate(40), WaypointError::None);
}

TEST(WaypointValidate, NewRecordDefaults) {
    CWaypoint waypoint;
    EXPECT_TRUE(waypoint.m_strName.empty());
    EXPECT_EQ(waypoint.m_dLatitude, 0.0);
    EXPECT_EQ(waypoint.m_dLongitude, 0.0);
    EXPECT_TRUE(waypoint.m_bFromTarget);
}

TEST(WaypointErrorMessage, TooLongNamesTheLimit) {
    EXPECT_EQ(WaypointErrorMessage(2, 40),
              "Waypoint name is too long - cannot contain more then 40 characters");
    EXPECT_EQ(WaypointErrorMessage(1, 40), "Waypoint name already exists");
    EXPECT_EQ(WaypointErrorMessage(6, 40), "Waypoint longitude is invalid");
    EXPECT_EQ(WaypointErrorMessage(0, 40), "");
    EXPECT_EQ(WaypointErrorMessage(7, 40), "");
}

TEST(LowerAscii, ChangesOnlyAsciiLetters) {
    std::string text = "HoMe-1_\xC9Z";
    LowerAscii(text);
    EXPECT_EQ(text, "home-1_\xC9z");
}

}  // namespace
