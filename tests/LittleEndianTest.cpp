#include <gtest/gtest.h>

#include <string>

#include "platform/LittleEndian.h"

namespace {

// Each value at a width against its bytes written out by hand, and the value
// those bytes read back as.
TEST(LittleEndian, WritesAndReadsTheLowBytesLeastSignificantFirst) {
    struct Case {
        uint32_t nValue;
        size_t nBytes;
        std::string bytes;
        uint32_t nReadBack;
    };
    const Case cases[] = {
        {0, 4, std::string(4, '\0'), 0},
        {0x12345678, 4, "\x78\x56\x34\x12", 0x12345678},
        {0x80000000, 4, std::string("\0\0\0\x80", 4), 0x80000000},
        {static_cast<uint32_t>(-2), 4, "\xFE\xFF\xFF\xFF", static_cast<uint32_t>(-2)},
        {0xFFFE, 2, "\xFE\xFF", 0xFFFE},
        {0x1234FFFE, 2, "\xFE\xFF", 0xFFFE},  // what does not fit is dropped
        {0xABCDEF, 3, "\xEF\xCD\xAB", 0xABCDEF},
        {0x1C1, 1, "\xC1", 0xC1},
    };
    for (const Case& c : cases) {
        std::string appended = "head";
        AppendLittleEndian(appended, c.nValue, c.nBytes);
        EXPECT_EQ(appended, "head" + c.bytes) << c.nValue;

        const auto* p = reinterpret_cast<const unsigned char*>(c.bytes.data());
        EXPECT_EQ(LoadLittleEndian(p, c.nBytes), c.nReadBack) << c.nValue;
    }
}

}  // namespace
