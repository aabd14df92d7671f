#pragma once

#include <cstddef>
#include <cstdint>

// A MapSource file is a 6-byte signature, then records until the end record.
// Every record is a 4-byte little-endian body length, a type letter and the
// body; a reader walks the file by these lengths. The first record, 'D', holds
// the format letter, which says how a waypoint record ('W') is laid out.
// Waypoints come first, then routes, tracks and map segments, then 'V'.

// clang-format off
constexpr size_t MPS_SIGNATURE_SIZE = 6;
constexpr unsigned char MPS_SIGNATURE[MPS_SIGNATURE_SIZE] = {'M', 's', 'R', 'c', 'd', 0x00};

// What this program writes at the start of a new file: the signature, the
// format record of version 3 and a product record.
constexpr size_t MPS_HEADER_SIZE = 45;
constexpr unsigned char MPS_HEADER[MPS_HEADER_SIZE] = {
    'M', 's', 'R', 'c', 'd', 0x00,                          // "MsRcd"
    0x02, 0x00, 0x00, 0x00, 'D', 'd', 0x00,                 // 'D' record, body "d"
    0x1B, 0x00, 0x00, 0x00, 'A', 0x2E, 0x01,                // 'A' record, 27 bytes of body
    'S', 'Q', 'A', 0x00,                                    //
    'O', 'c', 't', ' ', '2', '0', ' ', '1', '9', '9', '9', 0x00,
    '1', '2', ':', '5', '0', ':', '0', '3', 0x00};

constexpr size_t MPS_END_RECORD_SIZE = 7;
constexpr unsigned char MPS_END_RECORD[MPS_END_RECORD_SIZE] = {0x02, 0x00, 0x00, 0x00,
                                                               'V',  0x00, 0x01};
// clang-format on

constexpr size_t MPS_RECORD_HEAD_SIZE = 5;  // body length and type letter
constexpr char MPS_FORMAT_TYPE = 'D';
constexpr char MPS_WAYPOINT_TYPE = 'W';
constexpr char MPS_ROUTE_TYPE = 'R';
constexpr char MPS_TRACK_TYPE = 'T';
constexpr char MPS_MAP_SEGMENT_TYPE = 'L';
constexpr char MPS_END_TYPE = 'V';

// The layouts of a waypoint record: version 3 (format letter 'd') and versions
// 4 and 5 ('g', 'h', 'i'), which lay out a waypoint the same way.
enum class MapSourceLayout { None, Version3, Version4 };
inline MapSourceLayout LayoutOfFormatLetter(char letter) {
    switch (letter) {
        case 'd':
            return MapSourceLayout::Version3;
        case 'g':
        case 'h':
        case 'i':
            return MapSourceLayout::Version4;
        default:
            return MapSourceLayout::None;
    }
}

// No waypoint record comes near this; a longer one is taken for damage, so that
// reading never needs more memory than this for a record.
constexpr uint32_t MPS_MAX_WAYPOINT_BODY = 1 << 20;
