#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/FieldCodec.h"
#include "files/MapSourceFormat.h"

// One MapSource waypoint record: of its many fields a waypoint needs the name,
// the coordinates (in semicircles), the altitude, the comment and the symbol.
// The record's text is Windows-1252, the waypoint's UTF-8.
class CMapSourceFieldCodec : public CFieldCodec {
public:
    // A string is written up to its first NUL byte, which would end it in the
    // file; a character that Windows-1252 lacks is replaced (see m_nReplaced).
    void Encode(const WaypointView& waypoint) override;
    void Decode(CWaypoint& waypoint) override;

    // Takes the fields from a waypoint record's body; false when they do not
    // fit inside it.
    bool ParseBody(const unsigned char* pBody, size_t nSize, MapSourceLayout layout);
    // Appends the whole record, length and type letter first, in the layout
    // (Version3 when None): the default attributes with the fields above. A
    // waypoint without altitude and symbol gets no altitude and the plain waypoint.
    void AppendRecord(std::string& out, MapSourceLayout layout) const;

    std::string m_strName;
    std::string m_strComment;
    int32_t m_nLatitude = 0;
    int32_t m_nLongitude = 0;
    bool m_bHasAltitude = false;
    double m_dAltitude = 0.0;
    int32_t m_nSymbol = PLAIN_WAYPOINT_SYMBOL;
    int m_nReplaced = 0;  // characters replaced by Encode
};
