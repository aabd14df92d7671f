#pragma once

#include <string>
#include <string_view>

#include "files/FieldCodec.h"

// One GPX waypoint ("wpt"): its coordinate attributes and the children a
// waypoint needs, as the file holds them (UTF-8 text).
class CGpxFieldCodec : public CFieldCodec {
public:
    // Coordinates and elevation with the fewest digits that read back as the
    // same number; the comment goes to both cmt and desc, and the symbol by its name.
    void Encode(const WaypointView& waypoint) override;
    // The comment is cmt, or desc without one. A coordinate that is missing or
    // no number reads as 0, and an elevation that is no number as NaN: the
    // waypoint is then invalid.
    void Decode(CWaypoint& waypoint) override;

    // Appends the element, indented, each name prefixed (for a file whose GPX
    // elements carry a namespace prefix, "p:"); with bAsciiOnly every other
    // character is a character reference, for a file in another encoding.
    void AppendElement(std::string& out, std::string_view prefix, bool bAsciiOnly) const;
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

// GPX longitudes stop short of 180: 180 itself, the meridian of -180, is
// written as -180.
double GpxLongitude(double dLongitude);

// A decimal number as XML Schema writes one (blanks around it allowed, no
// exponent); false for anything else.
bool ParseXmlDecimal(std::string_view text, double& dValue);
