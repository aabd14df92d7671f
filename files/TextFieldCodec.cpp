#include "files/TextFieldCodec.h"

#include "files/Coordinates.h"
#include "platform/Utf8.h"
#include "platform/Windows1252.h"
#include "templates/TextTemplate.h"

int CTextFieldCodec::ColumnOf(int nField) const {
    switch (nField) {
        case NAME_FIELD:
            return m_pTemplate->nameColumn;
        case LATITUDE_FIELD:
            return m_pTemplate->latitudeColumn;
        case LONGITUDE_FIELD:
            return m_pTemplate->longitudeColumn;
        default:
            return m_pTemplate->commentColumn;
    }
}

std::string& CTextFieldCodec::Field(int nField) {
    auto nColumn = static_cast<size_t>(ColumnOf(nField));
    if (nColumn >= m_fields.size()) {
        m_fields.resize(nColumn + 1);
    }
    return m_fields[nColumn];
}

void CTextFieldCodec::FromFile(std::string_view field, std::string& text) {
    if (m_encoding == TextEncoding::Windows1252) {
        text = Windows1252ToUtf8(field);
        return;
    }
    text.assign(field);
    if (m_bCheckUtf8) {
        m_nReplaced += RepairUtf8(text);
    }
}

void CTextFieldCodec::ToFile(std::string_view text, std::string& field) {
    if (m_encoding == TextEncoding::Windows1252) {
        field.clear();
        Utf8ToWindows1252(text, field, m_nReplaced);
    } else {
        field = text;
    }
}

// Marks such as the degree sign are looked for in UTF-8.
double CTextFieldCodec::ReadWindows1252Coordinate(int nField, CoordinateAxis axis) {
    std::string_view field = FieldRead(nField);
    if (IsAscii(field)) {
        return ParseCoordinate(field, axis, true);
    }
    std::string text;
    FromFile(field, text);
    return ParseCoordinate(text, axis, true);
}

// Fields are assigned in order, so of two fields sharing a column the later
// one stays. Each keeps its memory for the next row.
void CTextFieldCodec::Encode(const WaypointView& waypoint) {
    ToFile(waypoint.name, Field(NAME_FIELD));
    SetDegrees(Field(LATITUDE_FIELD), waypoint.dLatitude);
    SetDegrees(Field(LONGITUDE_FIELD), waypoint.dLongitude);
    ToFile(waypoint.comment, Field(COMMENT_FIELD));
}

void CTextFieldCodec::SetDegrees(std::string& field, double dDegrees) const {
    field.clear();
    AppendDegrees(field, dDegrees, m_pTemplate->decimalComma);
}

void CTextFieldCodec::Decode(CWaypoint& waypoint) {
    FromFile(FieldRead(NAME_FIELD), waypoint.m_strName);
    if (m_encoding == TextEncoding::Windows1252) {
        waypoint.m_dLatitude = ReadWindows1252Coordinate(LATITUDE_FIELD, CoordinateAxis::Latitude);
        waypoint.m_dLongitude =
            ReadWindows1252Coordinate(LONGITUDE_FIELD, CoordinateAxis::Longitude);
    } else {
        waypoint.m_dLatitude =
            ParseCoordinate(FieldRead(LATITUDE_FIELD), CoordinateAxis::Latitude, true);
        waypoint.m_dLongitude =
            ParseCoordinate(FieldRead(LONGITUDE_FIELD), CoordinateAxis::Longitude, true);
    }
    FromFile(FieldRead(COMMENT_FIELD), waypoint.m_strComment);
}

void CTextFieldCodec::SetHeader() {
    Field(NAME_FIELD) = "NAME";
    Field(LATITUDE_FIELD) = "LATITUDE";
    Field(LONGITUDE_FIELD) = "LONGITUDE";
    Field(COMMENT_FIELD) = "COMMENT";
}
