#pragma once

#include <string_view>

// The closest plain (A-Z) spelling of a letter: é gives "e", ß "ss", Ł "L",
// Œ "OE"; Cyrillic and Greek letters are spelt out (Ж gives "Zh", θ "th").
// Empty for a character without a plain form, and for a plain letter itself.
std::string_view PlainLetters(char32_t c);

// Marks that combine with the letter before them (an accent typed apart).
inline bool IsCombiningMark(char32_t c) {
    return c >= 0x300 && c <= 0x36F;
}
