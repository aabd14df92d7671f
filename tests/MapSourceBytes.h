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
inline std::string File(const std::string& records) {
    return Header() + records + EndRecord();
}

}  // namespace mps
