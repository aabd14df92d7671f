#include "files/Windows1252.h"

namespace {

constexpr uint32_t REPLACEMENT_CHARACTER = 0xFFFD;

// The characters of the bytes 0x80 to 0x9F.
constexpr uint16_t HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the sequence a lead byte begins, 0 for a byte that begins none.
size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

}  // namespace

uint32_t CodePointOfWindows1252(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? HIGH_CONTROLS[c - 0x80] : c;
}

char Windows1252OfCodePoint(uint32_t nCodePoint) {
    if (nCodePoint < 0x80 || (nCodePoint >= 0xA0 && nCodePoint <= 0xFF)) {
        return static_cast<char>(nCodePoint);
    }
    for (unsigned i = 0; i < 32; ++i) {
        if (HIGH_CONTROLS[i] == nCodePoint) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

void AppendUtf8(std::string& out, uint32_t nCodePoint) {
    if (nCodePoint < 0x80) {
        out.push_back(static_cast<char>(nCodePoint));
    } else if (nCodePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (nCodePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    } else if (nCodePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (nCodePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((nCodePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (nCodePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((nCodePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((nCodePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    }
}

size_t NextCodePoint(std::string_view utf8, size_t nAt, uint32_t& nCodePoint) {
    auto lead = static_cast<unsigned char>(utf8[nAt]);
    size_t nLength = SequenceLength(lead);
    if (nLength <= 1) {
        nCodePoint = nLength == 1 ? lead : REPLACEMENT_CHARACTER;
        return 1;
    }
    nCodePoint = lead & (0x7F >> nLength);
    size_t nTaken = 1;
    while (nTaken < nLength && nAt + nTaken < utf8.size() &&
           (static_cast<unsigned char>(utf8[nAt + nTaken]) & 0xC0) == 0x80) {
        nCodePoint = (nCodePoint << 6) | (static_cast<unsigned char>(utf8[nAt + nTaken]) & 0x3F);
        ++nTaken;
    }
    if (nTaken != nLength) {
        nCodePoint = REPLACEMENT_CHARACTER;
    }
    return nTaken;
}

std::string Utf8FromWindows1252(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (char c : text) {
        AppendUtf8(utf8, CodePointOfWindows1252(static_cast<unsigned char>(c)));
    }
    return utf8;
}
