#include "platform/PlainLetters.h"

#include <cstddef>

namespace {

// clang-format off
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

// U+0410 to U+044F, the Russian alphabet, capitals first, as passports spell it.
constexpr std::string_view CYRILLIC[] = {
    "A", "B", "V", "G", "D", "E", "Zh", "Z", "I", "I", "K", "L", "M", "N", "O", "P",
    "R", "S", "T", "U", "F", "Kh", "Ts", "Ch", "Sh", "Shch", "", "Y", "", "E", "Iu", "Ia",
    "a", "b", "v", "g", "d", "e", "zh", "z", "i", "i", "k", "l", "m", "n", "o", "p",
    "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "", "y", "", "e", "iu", "ia"};

// U+0400 to U+040F, and their small letters U+0450 to U+045F.
constexpr std::string_view CYRILLIC_EXTRA[] = {"E", "E", "Dj", "Gj", "Ie", "Dz", "I", "I",
                                               "J", "Lj", "Nj", "C", "Kj", "I", "U", "Dz"};
constexpr std::string_view CYRILLIC_EXTRA_SMALL[] = {"e", "e", "dj", "gj", "ie", "dz", "i", "i",
                                                     "j", "lj", "nj", "c", "kj", "i", "u", "dz"};

// U+0391 to U+03A9 (U+03A2 is unassigned), and their small letters U+03B1 to
// U+03C9 (U+03C2 is the final sigma).
constexpr std::string_view GREEK[] = {"A", "V", "G", "D", "E", "Z", "I", "Th", "I",
                                      "K", "L", "M", "N", "X", "O", "P", "R", "S",
                                      "S", "T", "Y", "F", "Ch", "Ps", "O"};
constexpr std::string_view GREEK_SMALL[] = {"a", "v", "g", "d", "e", "z", "i", "th", "i",
                                            "k", "l", "m", "n", "x", "o", "p", "r", "s",
                                            "s", "t", "y", "f", "ch", "ps", "o"};
// clang-format on

// Runs of consecutive code points and their spellings.
struct LetterRun {
    char32_t first;
    const std::string_view* pLetters;
    size_t nCount;
};

template <size_t N>
constexpr LetterRun Run(char32_t first, const std::string_view (&letters)[N]) {
    return {first, letters, N};
}

constexpr LetterRun RUNS[] = {
    Run(0xC0, LATIN_1),
    Run(0x100, LATIN_EXTENDED_A),
    Run(0x391, GREEK),
    Run(0x3B1, GREEK_SMALL),
    Run(0x400, CYRILLIC_EXTRA),
    Run(0x410, CYRILLIC),
    Run(0x450, CYRILLIC_EXTRA_SMALL),
};

}  // namespace

std::string_view PlainLetters(char32_t c) {
    for (const LetterRun& run : RUNS) {
        if (c >= run.first && c - run.first < run.nCount) {
            return run.pLetters[c - run.first];
        }
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
        case 0x386:  // Greek vowels with an accent
            return "A";
        case 0x388:
            return "E";
        case 0x389:
        case 0x38A:
            return "I";
        case 0x38C:
        case 0x38F:
            return "O";
        case 0x38E:
            return "Y";
        case 0x3AC:
            return "a";
        case 0x3AD:
            return "e";
        case 0x3AE:
        case 0x3AF:
            return "i";
        case 0x3CC:
        case 0x3CE:
            return "o";
        case 0x3CD:
            return "y";
        default:
            return std::string_view();
    }
}
