#include "files/MapSourceFieldCodec.h"

#include <cstring>

#include "files/Coordinates.h"

namespace {

// The bytes every waypoint record is written with.
// clang-format off
constexpr CMapSourceFieldCodec::Record DEFAULT_RECORD = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 'W'},
    {0x00,                                                                   // name's end
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                         //
     0x00,                                                                   //
     0x00, 0x00, 0x00, 0x00,                                                 // latitude
     0x00, 0x00, 0x00, 0x00,                                                 // longitude
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00,                                                                   // comment's end
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                   //
     0x01,                                                                   //
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                               //
     0x12,                                                                   //
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00}};
// clang-format on

}  // namespace

CMapSourceFieldCodec::CMapSourceFieldCodec() : m_record(DEFAULT_RECORD) {}

size_t CMapSourceFieldCodec::ExpectedLength() const {
    return m_strName.size() + m_strComment.size() + MPS_RECORD_OVERHEAD;
}

void CMapSourceFieldCodec::Encode(const CWaypoint& waypoint) {
    m_strName = waypoint.m_strName;
    m_strComment = waypoint.m_strComment;
    WriteInt32(MPS_LATITUDE_OFFSET, DegreesToSemicircles(waypoint.m_dLatitude));
    WriteInt32(MPS_LONGITUDE_OFFSET, DegreesToSemicircles(waypoint.m_dLongitude));
    m_record.lead[MPS_LENGTH_OFFSET] = static_cast<unsigned char>(ExpectedLength() % 256);
}

void CMapSourceFieldCodec::Decode(CWaypoint& waypoint) {
    waypoint.m_strName = m_strName;
    waypoint.m_strComment = m_strComment;
    waypoint.m_dLatitude = SemicirclesToDegrees(ReadInt32(MPS_LATITUDE_OFFSET));
    waypoint.m_dLongitude = SemicirclesToDegrees(ReadInt32(MPS_LONGITUDE_OFFSET));
}

int32_t CMapSourceFieldCodec::ReadInt32(size_t nOffset) const {
    const unsigned char* p = m_record.middle + nOffset;
    uint32_t nValue = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(nValue);
}

void CMapSourceFieldCodec::WriteInt32(size_t nOffset, int32_t nValue) {
    auto nBits = static_cast<uint32_t>(nValue);
    unsigned char* p = m_record.middle + nOffset;
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(nBits >> (8 * i));
    }
}
