#pragma once

#include <string>
#include <string_view>

#include "engine/Waypoint.h"

// One GPX waypoint ("wpt") as a file holds it (UTF-8 text): its coordinate
// attributes and the children a waypoint needs, read by the GPX reader.
class CGpxFieldCodec {
public:
    // The comment is cmt, or desc without one. A coordinate that is missing or
    // no number reads as 0, and an elevation that is no number as NaN: the
    // waypoint is then invalid.
    void Decode(CWaypoint& waypoint);
    // Empties every field, keeping the memory for the next waypoint.
    void Clear();

    std::string m_strLatitude;
    std::string m_strLongitude;
    std::string m_strElevation;
    std::string m_strName;
    std::string m_strComment;      // cmt
    std::string m_strDescription;  // desc
    std::string m_strSymbol;
    bool m_bHasElevation = false;
    bool m_bHasComment = false;
    bool m_bHasSymbol = false;
};

// Writes waypoints as GPX "wpt" elements straight from the table's entries,
// indented, each name with the file's namespace prefix ("p:", or none).
// Coordinates and elevation have the fewest digits that read back as the same
// number; the comment goes to both cmt and desc, and the symbol by its name.
// With bAsciiOnly every other character is a character reference, for a file
// in another encoding.
class CGpxElementWriter {
public:
    explicit CGpxElementWriter(std::string_view prefix = {}, bool bAsciiOnly = false);

    const std::string& Prefix() const { return m_prefix; }
    void Append(std::string& out, const WaypointView& waypoint);

private:
    enum Child { ELEVATION, NAME, COMMENT, DESCRIPTION, SYMBOL, CHILD_COUNT };

    std::string m_prefix;
    bool m_bAsciiOnly;
    // The tags, made once for all the elements.
    std::string m_waypointStart;            // "  <p:wpt lat=\""
    std::string m_waypointEnd;              // "  </p:wpt>\n"
    std::string m_childStart[CHILD_COUNT];  // "    <p:name>"
    std::string m_childEnd[CHILD_COUNT];    // "</p:name>\n"
    std::string m_escaped[3];               // name, comment and symbol, when they need escaping
};

// Writes the shortest fixed-point decimal that reads back as the same double,
// as std::to_chars writes it, into XML_DECIMAL_SIZE bytes (the widest double
// in fixed notation has 309 digits before the point); returns its end.
constexpr size_t XML_DECIMAL_SIZE = 400;
char* WriteXmlDecimal(char* pOut, double dValue);

// GPX longitudes stop short of 180: 180 itself, the meridian of -180, is
// written as -180.
double GpxLongitude(double dLongitude);

// A decimal number as XML Schema writes one (blanks around it allowed, no
// exponent); false for anything else.
bool ParseXmlDecimal(std::string_view text, double& dValue);
