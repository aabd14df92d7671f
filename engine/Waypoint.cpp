#include "engine/Waypoint.h"

#include <cmath>
#include <cstdio>

namespace {

bool IsNameCharacter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '-' || c == '_';
}

// Compares equal to 0.0 the way the original comparison did: a NaN counts as zero too.
bool IsZeroCoordinate(double d) {
    return !(d < 0.0 || d > 0.0);
}

}  // namespace

std::string WaypointErrorMessage(int nError, int nMaxNameLength) {
    switch (static_cast<WaypointError>(nError)) {
        case WaypointError::NameExists:
            return "Waypoint name already exists";
        case WaypointError::NameTooLong: {
            char text[96];
            std::snprintf(text, sizeof text,
                          "Waypoint name is too long - cannot contain more then %d characters",
                          nMaxNameLength);
            return text;
        }
        case WaypointError::NameEmpty:
            return "Waypoint name is empty";
        case WaypointError::NameNotAlphanumeric:
            return "Waypoint name contain one or more non-alphanumeric characters";
        case WaypointError::LatitudeInvalid:
            return "Waypoint latitude is invalid";
        case WaypointError::LongitudeInvalid:
            return "Waypoint longitude is invalid";
        case WaypointError::ElevationInvalid:
            return "Waypoint elevation is invalid";
        default:
            return std::string();
    }
}

WaypointError ValidateName(std::string_view name, int nMaxNameLength) {
    if (name.empty()) {
        return WaypointError::NameEmpty;
    }
    if (name.size() > static_cast<size_t>(nMaxNameLength)) {
        return WaypointError::NameTooLong;
    }
    for (char c : name) {
        if (!IsNameCharacter(static_cast<unsigned char>(c))) {
            return WaypointError::NameNotAlphanumeric;
        }
    }
    return WaypointError::None;
}

WaypointError CWaypoint::Validate(int nMaxNameLength) const {
    WaypointError error = ValidateName(m_strName, nMaxNameLength);
    if (error != WaypointError::None) {
        return error;
    }
    if (IsZeroCoordinate(m_dLatitude)) {
        return WaypointError::LatitudeInvalid;
    }
    if (IsZeroCoordinate(m_dLongitude)) {
        return WaypointError::LongitudeInvalid;
    }
    if (m_bHasElevation && !std::isfinite(m_dElevation)) {
        return WaypointError::ElevationInvalid;
    }
    return WaypointError::None;
}
