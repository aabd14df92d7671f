#include "platform/Windows1252.h"

#include "platform/PlainLetters.h"
#include "platform/Utf8.h"

namespace {

// clang-format off
// Bytes 80 to 9F; the undefined ones keep their own number.
constexpr char32_t HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

// The byte of a character, or -1 when the code page lacks it.
int Windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    for (int i = 0; i < 32; ++i) {
        if (HIGH_CONTROLS[i] == c) {
            return 0x80 + i;
        }
    }
    return -1;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
    if (IsAscii(text)) {
        return std::string(text);
    }
    std::string utf8;
    utf8.reserve(text.size() + text.size() / 2);
    for (char byte : text) {
        auto c = static_cast<unsigned char>(byte);
        AppendUtf8(utf8, c >= 0x80 && c < 0xA0 ? HIGH_CONTROLS[c - 0x80] : c);
    }
    return utf8;
}

std::string Utf8ToWindows1252(std::string_view text, int& nReplaced) {
    std::string bytes;
    Utf8ToWindows1252(text, bytes, nReplaced);
    return bytes;
}

void ConvertToWindows1252(std::string_view text, std::string& bytes, int& nReplaced) {
    bytes.clear();
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = NextCharacter(text, i);
        int nByte = Windows1252Byte(c);
        if (nByte >= 0) {
            bytes.push_back(static_cast<char>(nByte));
            continue;
        }
        ++nReplaced;
        if (!IsCombiningMark(c)) {
            std::string_view plain = PlainLetters(c);
            bytes.append(plain.empty() ? std::string_view("?") : plain);
        }
    }
}
