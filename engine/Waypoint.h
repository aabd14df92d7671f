#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Why a waypoint cannot enter the table as it is. The values index the table's
// per-error policies and are shared with the invalid-waypoint dialog.
enum class WaypointError : int {
    None = 0,
    NameExists = 1,
    NameTooLong = 2,
    NameEmpty = 3,
    NameNotAlphanumeric = 4,
    LatitudeInvalid = 5,
    LongitudeInvalid = 6,
    ElevationInvalid = 7,
};

constexpr int WAYPOINT_ERROR_COUNT = 8;

// The symbol a GPS unit shows for a waypoint that names none.
constexpr int32_t PLAIN_WAYPOINT_SYMBOL = 18;

// The message the user is shown for an error; NameTooLong names the limit.
// Empty for None and for values outside the enumeration.
std::string WaypointErrorMessage(int nError, int nMaxNameLength);

// 0, NameTooLong, NameEmpty or NameNotAlphanumeric, in that order of
// precedence. The length counts characters.
WaypointError ValidateName(std::string_view name, int nMaxNameLength);

// A name that ValidateName accepts made from one it refuses for its characters:
// accented letters become their plain letters, apostrophes and letters of
// other alphabets are dropped, every other character becomes a space, and
// runs of spaces shrink to one (none at either end). May be empty, or longer
// than the limit (ß gives ss).
std::string CleanName(std::string_view name);

// The latitude and longitude a waypoint may have: within +-90 and +-180
// degrees, not 0 (and not NaN).
inline bool IsValidLatitude(double dLatitude) {
    return (dLatitude < 0.0 || dLatitude > 0.0) && dLatitude >= -90.0 && dLatitude <= 90.0;
}
inline bool IsValidLongitude(double dLongitude) {
    return (dLongitude < 0.0 || dLongitude > 0.0) && dLongitude >= -180.0 && dLongitude <= 180.0;
}

// Where a waypoint was read: a line of a text file or a waypoint record of a
// MapSource file, counted from 1; for the person who settles a fault in it.
struct WaypointOrigin {
    enum class Unit { Unknown, Line, Record };
    Unit unit = Unit::Unknown;
    uint64_t nNumber = 0;
    std::string_view filePath;
};

class CWaypoint {
public:
    std::string m_strName;
    double m_dLatitude = 0.0;
    double m_dLongitude = 0.0;
    std::string m_strComment;
    bool m_bFromTarget = true;
    bool m_bHasElevation = false;
    bool m_bHasSymbol = false;
    // A MapSource symbol number (see files/GarminSymbols.h).
    int32_t m_nSymbol = PLAIN_WAYPOINT_SYMBOL;
    // Metres; a file's elevation that is no number is kept as NaN, which Validate refuses.
    double m_dElevation = 0.0;

    void SetElevation(double dMetres) {
        m_dElevation = dMetres;
        m_bHasElevation = true;
    }
    void SetSymbol(int32_t nSymbol) {
        m_nSymbol = nSymbol;
        m_bHasSymbol = true;
    }

    // Name faults first, then the latitude and the longitude (0, out of range or no
    // number), then the elevation (no number).
    WaypointError Validate(int nMaxNameLength) const;
};

// A waypoint as a writer reads it from the table: its name and comment are
// the table's own bytes, valid until the entry is removed.
struct WaypointView {
    std::string_view name;
    std::string_view comment;
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    bool bFromTarget = true;
    bool bHasElevation = false;
    bool bHasSymbol = false;
    int32_t nSymbol = PLAIN_WAYPOINT_SYMBOL;
    double dElevation = 0.0;
};
