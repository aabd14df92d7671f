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

const std::string& CTextFieldCodec::FieldRead(int nField) const {
    static const std::string empty;
    auto nColumn = static_cast<size_t>(ColumnOf(nField));
    return nColumn < m_fields.size() ? m_fields[nColumn] : empty;
}

std::string CTextFieldCodec::FromFile(const std::string& field) {
    if (m_encoding == TextEncoding::Windows1252) {
        return Windows1252ToUtf8(field);
    }
    std::string text = field;
    if (m_bCheckUtf8) {
        m_nReplaced += RepairUtf8(text);
    }
    return text;
}

std::string CTextFieldCodec::ToFile(const std::string& text) {
    return m_encoding == TextEncoding::Windows1252 ? Utf8ToWindows1252(text, m_nReplaced) : text;
}

double CTextFieldCodec::ReadCoordinate(int nField) {
    const std::string& field = FieldRead(nField);
    auto axis = nField == LATITUDE_FIELD ? CoordinateAxis::Latitude : CoordinateAxis::Longitude;
    // Marks such as the degree sign are looked for in UTF-8.
    return m_encoding == TextEncoding::Windows1252 && !IsAscii(field)
               ? ParseCoordinate(FromFile(field), axis, true)
               : ParseCoordinate(field, axis, true);
}

// Fields are assigned in order, so of two fields sharing a column the later one stays.
void CTextFieldCodec::Encode(const CWaypoint& waypoint) {
    Field(NAME_FIELD) = ToFile(waypoint.m_strName);
    Field(LATITUDE_FIELD) = FormatDegrees(waypoint.m_dLatitude, m_pTemplate->decimalComma);
    Field(LONGITUDE_FIELD) = FormatDegrees(waypoint.m_dLongitude, m_pTemplate->decimalComma);
    Field(COMMENT_FIELD) = ToFile(waypoint.m_strComment);
}

void CTextFieldCodec::Decode(CWaypoint& waypoint) {
    waypoint.m_strName = FromFile(FieldRead(NAME_FIELD));
    waypoint.m_dLatitude = ReadCoordinate(LATITUDE_FIELD);
    waypoint.m_dLongitude = ReadCoordinate(LONGITUDE_FIELD);
    waypoint.m_strComment = FromFile(FieldRead(COMMENT_FIELD));
}

void CTextFieldCodec::SetHeader() {
    Field(NAME_FIELD) = "NAME";
    Field(LATITUDE_FIELD) = "LATITUDE";
    Field(LONGITUDE_FIELD) = "LONGITUDE";
    Field(COMMENT_FIELD) = "COMMENT";
}
