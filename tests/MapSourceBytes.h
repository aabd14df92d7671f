#pragma once

#include <cstdint>
#include <string>

// MapSource files built from the documented byte layout, independently of the
// writer: the 45-byte header, 'W' records and the end record.
namespace mps {

std::string Header();     // 45 bytes
std::string EndRecord();  // 7 bytes
std::string Int32(int32_t nValue);
// A whole 'W' record, 82 + name + comment bytes.
std::string Record(const std::string& name, const std::string& comment, int32_t nLatitude,
                   int32_t nLongitude);
// A waypoint record of versions 4 and 5 as a new waypoint is written into
// such a file: class 0, no country, altitude, proximity or depth, symbol 18.
std::string RecordV5(const std::string& name, const std::string& comment, int32_t nLatitude,
                     int32_t nLongitude);
// A file of this program's layout.
inline std::string File(const std::string& records) {
    return Header() + records + EndRecord();
}

// A file of tests/data.
std::string Sample(const std::string& name);

}  // namespace mps
