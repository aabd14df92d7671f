#include "tests/MapSourceBytes.h"

#include "platform/LittleEndian.h"
#include "tests/TempDir.h"

namespace mps {

std::string Header() {
    std::string bytes("MsRcd\0", 6);
    bytes += std::string("\x02\0\0\0D", 5) + std::string("d\0", 2);
    bytes += std::string("\x1B\0\0\0A", 5) + "\x2E\x01";
    bytes +=
        std::string("SQA\0", 4) + std::string("Oct 20 1999\0", 12) + std::string("12:50:03\0", 9);
    return bytes;
}

std::string EndRecord() {
    return std::string("\x02\0\0\0V\0\x01", 7);
}

std::string Int32(int32_t nValue) {
    std::string bytes;
    AppendLittleEndian(bytes, static_cast<uint32_t>(nValue), 4);
    return bytes;
}

std::string Record(const std::string& name, const std::string& comment, int32_t nLatitude,
                   int32_t nLongitude) {
    size_t nLength = name.size() + comment.size() + 77;
    std::string bytes = Int32(static_cast<int32_t>(nLength)) + 'W';
    bytes += name + '\0';
    bytes += std::string(13, '\0') + std::string(8, '\xFF') + '\0';
    bytes += Int32(nLatitude) + Int32(nLongitude);
    bytes += std::string(9, '\0');
    bytes += comment + '\0';
    bytes += std::string(9, '\0') + '\x01' + std::string(7, '\0') + '\x12' + std::string(18, '\0');
    return bytes;
}

std::string RecordV5(const std::string& name, const std::string& comment, int32_t nLatitude,
                     int32_t nLongitude) {
    std::string body = name + '\0' + std::string(4, '\0') + '\0';  // name, class, country
    body += std::string(4, '\0') + std::string(12, '\xFF') + std::string(2, '\0') +
            std::string(4, '\xFF');
    body += Int32(nLatitude) + Int32(nLongitude) + std::string(9, '\0');
    body += comment + '\0';
    body += std::string(9, '\0') + Int32(1) + Int32(0) + Int32(18);  // proximity .. symbol
    body += std::string(3, '\0') + '\0' + std::string(9, '\0');      // city .. depth
    body += std::string(6, '\0') + '\0';                             // tail, note
    return Int32(static_cast<int32_t>(body.size())) + 'W' + body;
}

std::string Sample(const std::string& name) {
    return ReadBytes(std::string(PATHFOLIO_TEST_DATA) + "/" + name);
}

}  // namespace mps
