#include "platform/PlainLetters.h"

namespace {

// U+00C0 to U+00FF; the two signs among them (U+00D7, U+00F7) have none.
constexpr std::string_view LATIN_1[] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};

// U+0100 to U+017F.
constexpr std::string_view LATIN_EXTENDED_A[] = {
    "A", "a", "A", "a", "A", "a", "C", "c", "C",  "c",  "C", "c", "C", "c", "D",  "d",
    "D", "d", "E", "e", "E", "e", "E", "e", "E",  "e",  "E", "e", "G", "g", "G",  "g",
    "G", "g", "G", "g", "H", "h", "H", "h", "I",  "i",  "I", "i", "I", "i", "I",  "i",
    "I", "i", "IJ", "ij", "J", "j", "K", "k", "k", "L", "l", "L", "l", "L", "l", "L",
    "l", "L", "l", "N", "n", "N", "n", "N", "n",  "n",  "N", "n", "O", "o", "O",  "o",
    "O", "o", "OE", "oe", "R", "r", "R", "r", "R", "r", "S", "s", "S", "s", "S", "s",
    "S", "s", "T", "t", "T", "t", "T", "t", "U",  "u",  "U", "u", "U", "u", "U",  "u",
    "U", "u", "U", "u", "W", "w", "Y", "y", "Y",  "Z",  "z", "Z", "z", "Z", "z",  "s"};

}  // namespace

std::string_view PlainLetters(char32_t c) {
    if (c >= 0xC0 && c <= 0xFF) {
        return LATIN_1[c - 0xC0];
    }
    if (c >= 0x100 && c <= 0x17F) {
        return LATIN_EXTENDED_A[c - 0x100];
    }
    switch (c) {
        case 0x192:  // ƒ
            return "f";
        case 0x218:  // Ș, Ț and their small letters, as Romanian writes them
            return "S";
        case 0x219:
            return "s";
        case 0x21A:
            return "T";
        case 0x21B:
            return "t";
        case 0x1E9E:  // capital sharp s
            return "SS";
        default:
            return std::string_view();
    }
}
