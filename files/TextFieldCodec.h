#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/Coordinates.h"
#include "files/FieldCodec.h"
#include "platform/TextEncoding.h"

struct CTextTemplate;

// One row of a text file: its columns, and the template that says which
// column holds which field. The columns hold the file's bytes; the waypoint's
// text is UTF-8. Coordinates are read with a decimal point or comma (a comma
// inside a field of a comma-delimited file can only be a quoted one), and
// written with a comma when the template says so.
class CTextFieldCodec : public CFieldCodec {
public:
    enum FieldNumber { NAME_FIELD = 0, LATITUDE_FIELD = 1, LONGITUDE_FIELD = 2, COMMENT_FIELD = 3 };

    // encoding is the file's: UTF-8 or Windows-1252. bCheckUtf8: the file was
    // not found to be valid UTF-8, so an invalid sequence is read as U+FFFD.
    explicit CTextFieldCodec(const CTextTemplate* pTemplate,
                             TextEncoding encoding = TextEncoding::Utf8, bool bCheckUtf8 = false)
        : m_pTemplate(pTemplate), m_encoding(encoding), m_bCheckUtf8(bCheckUtf8) {}

    // For the rows still to be decoded.
    void SetEncoding(TextEncoding encoding, bool bCheckUtf8) {
        m_encoding = encoding;
        m_bCheckUtf8 = bCheckUtf8;
    }

    void Encode(const WaypointView& waypoint) override;
    void Decode(CWaypoint& waypoint) override;
    // The title row.
    void SetHeader();

    // The template's column of the field, the row grown to hold it.
    std::string& Field(int nField);
    // The template's column of the field as read; empty when the row has no such column.
    std::string_view FieldRead(int nField) const {
        auto nColumn = static_cast<size_t>(ColumnOf(nField));
        return nColumn < m_fieldsRead.size() ? m_fieldsRead[nColumn] : std::string_view();
    }

    std::vector<std::string> m_fields;  // to write
    std::vector<std::string_view> m_fieldsRead;
    // Characters that the file's encoding could not hold, or invalid sequences read.
    int m_nReplaced = 0;

private:
    int ColumnOf(int nField) const;
    void FromFile(std::string_view field, std::string& text);
    void ToFile(std::string_view text, std::string& field);
    void SetDegrees(std::string& field, double dDegrees) const;
    double ReadWindows1252Coordinate(int nField, CoordinateAxis axis);

    const CTextTemplate* m_pTemplate;
    TextEncoding m_encoding;
    bool m_bCheckUtf8;
};
