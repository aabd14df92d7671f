#pragma once

#include <string>
#include <vector>

#include "files/FieldCodec.h"

struct CTextTemplate;

// One row of a text file: its columns, and the template that says which
// column holds which field.
class CTextFieldCodec : public CFieldCodec {
public:
    enum FieldNumber { NAME_FIELD = 0, LATITUDE_FIELD = 1, LONGITUDE_FIELD = 2, COMMENT_FIELD = 3 };

    explicit CTextFieldCodec(const CTextTemplate* pTemplate) : m_pTemplate(pTemplate) {}

    void Encode(const CWaypoint& waypoint) override;
    void Decode(CWaypoint& waypoint) override;
    // The title row.
    void SetHeader();

    // The template's column of the field, the row grown to hold it.
    std::string& Field(int nField);
    // The template's column of the field as read; empty when the row has no such column.
    const std::string& FieldRead(int nField) const;

    std::vector<std::string> m_fields;

private:
    int ColumnOf(int nField) const;

    const CTextTemplate* m_pTemplate;
};
