#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Waypoint text is single-byte Windows-1252, as MapSource files hold it; XML
// files hold Unicode. The five bytes that Windows-1252 leaves undefined stand
// for the control characters of the same number, so every byte has a
// character and comes back from it.

uint32_t CodePointOfWindows1252(unsigned char c);
// The byte of a character; '?' for a character that Windows-1252 lacks.
char Windows1252OfCodePoint(uint32_t nCodePoint);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, uint32_t nCodePoint);
// Decodes the UTF-8 sequence at nAt into nCodePoint and returns its length;
// a malformed sequence gives U+FFFD and the length of its bytes up to the fault.
size_t NextCodePoint(std::string_view utf8, size_t nAt, uint32_t& nCodePoint);
std::string Utf8FromWindows1252(std::string_view text);
