#include "files/TextFieldCodec.h"

#include "files/Coordinates.h"
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

// Fields are assigned in order, so of two fields sharing a column the later one stays.
void CTextFieldCodec::Encode(const CWaypoint& waypoint) {
    Field(NAME_FIELD) = waypoint.m_strName;
    Field(LATITUDE_FIELD) = FormatDegrees(waypoint.m_dLatitude);
    Field(LONGITUDE_FIELD) = FormatDegrees(waypoint.m_dLongitude);
    Field(COMMENT_FIELD) = waypoint.m_strComment;
}

void CTextFieldCodec::Decode(CWaypoint& waypoint) {
    waypoint.m_strName = FieldRead(NAME_FIELD);
    waypoint.m_dLatitude = ParseCoordinate(FieldRead(LATITUDE_FIELD), CoordinateAxis::Latitude);
    waypoint.m_dLongitude = ParseCoordinate(FieldRead(LONGITUDE_FIELD), CoordinateAxis::Longitude);
    waypoint.m_strComment = FieldRead(COMMENT_FIELD);
}

void CTextFieldCodec::SetHeader() {
    Field(NAME_FIELD) = "NAME";
    Field(LATITUDE_FIELD) = "LATITUDE";
    Field(LONGITUDE_FIELD) = "LONGITUDE";
    Field(COMMENT_FIELD) = "COMMENT";
}
