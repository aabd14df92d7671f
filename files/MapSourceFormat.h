#pragma once

#include <cstddef>

// A MapSource file is a 45-byte header, one 'W' record per waypoint and an end
// record. Writer and reader move in blocks shifted by one byte against the
// records: every block run starts with the last byte of the record (or header)
// before it, which is always 0x00. So the header is written without its last
// byte, and the trailer is that byte followed by the end record.

// clang-format off
constexpr size_t MPS_HEADER_SIZE = 44;
constexpr unsigned char MPS_HEADER[MPS_HEADER_SIZE] = {
    'M', 's', 'R', 'c', 'd', 0x00,                          // "MsRcd"
    0x02, 0x00, 0x00, 0x00, 'D', 'd', 0x00,                 // 'D' record, body "d"
    0x1B, 0x00, 0x00, 0x00, 'A', 0x2E, 0x01,                // 'A' record, 27 bytes of body
    'S', 'Q', 'A', 0x00,                                    //
    'O', 'c', 't', ' ', '2', '0', ' ', '1', '9', '9', '9', 0x00,
    '1', '2', ':', '5', '0', ':', '0', '3'};  // the header's closing 0x00 opens the next block

constexpr size_t MPS_TRAILER_SIZE = 8;
constexpr unsigned char MPS_TRAILER[MPS_TRAILER_SIZE] = {0x00, 0x02, 0x00, 0x00,
                                                         0x00, 'V',  0x00, 0x01};

// The body length of a waypoint record is the name's and the comment's bytes plus this.
constexpr size_t MPS_RECORD_OVERHEAD = 77;

// The blocks of one waypoint: lead, name, middle, comment, tail.
constexpr size_t MPS_LEAD_SIZE = 6;
constexpr size_t MPS_MIDDLE_SIZE = 40;
constexpr size_t MPS_TAIL_SIZE = 36;
constexpr size_t MPS_LENGTH_OFFSET = 1;       // in the lead block
constexpr size_t MPS_TYPE_OFFSET = 5;         // in the lead block
constexpr size_t MPS_LATITUDE_OFFSET = 23;    // in the middle block
constexpr size_t MPS_LONGITUDE_OFFSET = 27;   // in the middle block
constexpr char MPS_WAYPOINT_TYPE = 'W';
// clang-format on
