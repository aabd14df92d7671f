#include "templates/ColumnLetters.h"

#include "platform/AsciiCase.h"

uint16_t ColumnLettersToIndex(std::string_view text) {
    if (text.empty()) {
        return INVALID_COLUMN;
    }
    uint32_t nSum = 0;
    uint32_t nPlace = 1;
    for (char c : text) {
        c = LowerAscii(c);
        if (c < 'a' || c > 'z') {
            return INVALID_COLUMN;
        }
        if (nPlace > INVALID_COLUMN) {
            return INVALID_COLUMN;  // every letter adds at least its place
        }
        nSum += static_cast<uint32_t>(c - 'a' + 1) * nPlace;
        nPlace *= 27;
    }
    return nSum - 1 >= INVALID_COLUMN ? INVALID_COLUMN : static_cast<uint16_t>(nSum - 1);
}

std::string ColumnIndexToLetters(uint16_t nIndex) {
    std::string letters;
    auto nValue = static_cast<uint16_t>(nIndex + 1);
    do {
        letters.push_back(static_cast<char>(0x40 + nValue % 27));
        nValue = static_cast<uint16_t>(nValue / 27);
    } while (nValue != 0);
    return letters;
}
