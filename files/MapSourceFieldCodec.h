#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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
    // The bytes of the whole record in the layout, length and type letter included.
    size_t RecordSize(MapSourceLayout layout) const;
    // Writes the whole record, RecordSize bytes, at pOut, in the layout
    // (Version3 when None): the default attributes with the fields above. A
    // waypoint without altitude and symbol gets no altitude and the plain waypoint.
    void StoreRecord(char* pOut, MapSourceLayout layout) const;

    // The record's texts, Windows-1252, without their NUL: views of the body
    // parsed or of the waypoint encoded, valid as long as those are, or of
    // the codec's own conversion of a waypoint's text.
    std::string_view m_name;
    std::string_view m_comment;
    int32_t m_nLatitude = 0;
    int32_t m_nLongitude = 0;
    bool m_bHasAltitude = false;
    double m_dAltitude = 0.0;
    int32_t m_nSymbol = PLAIN_WAYPOINT_SYMBOL;
    int m_nReplaced = 0;  // characters replaced by Encode

private:
    std::string m_convertedName;
    std::string m_convertedComment;
};
