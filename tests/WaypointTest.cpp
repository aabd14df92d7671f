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

}  // namespace
