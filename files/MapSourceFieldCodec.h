#pragma once

#include <cstdint>
#include <string>

#include "files/FieldCodec.h"
#include "files/MapSourceFormat.h"

// One MapSource waypoint record: the constant and numeric bytes in three blocks,
// the name and the comment apart from them since their lengths vary.
class CMapSourceFieldCodec : public CFieldCodec {
public:
    struct Record {
        unsigned char lead[MPS_LEAD_SIZE];
        unsigned char middle[MPS_MIDDLE_SIZE];
        unsigned char tail[MPS_TAIL_SIZE];
    };

    CMapSourceFieldCodec();

    void Encode(const CWaypoint& waypoint) override;
    void Decode(CWaypoint& waypoint) override;

    // The length byte the record's strings call for; it fits a byte only for bodies below 256.
    size_t ExpectedLength() const;
    unsigned char LengthByte() const { return m_record.lead[MPS_LENGTH_OFFSET]; }
    char TypeLetter() const { return static_cast<char>(m_record.lead[MPS_TYPE_OFFSET]); }

    Record m_record;
    std::string m_strName;
    std::string m_strComment;

private:
    int32_t ReadInt32(size_t nOffset) const;
    void WriteInt32(size_t nOffset, int32_t nValue);
};
