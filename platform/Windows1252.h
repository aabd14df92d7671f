#pragma once

#include <string>
#include <string_view>

#include "platform/Utf8.h"

// Windows-1252, the single-byte text of MapSource files and of many older
// spreadsheets, to and from the program's UTF-8. The five bytes the code page
// leaves undefined (81, 8D, 8F, 90, 9D) stand for the control characters of
// the same number, so every byte string survives the round trip.

std::string Windows1252ToUtf8(std::string_view text);

// A character that Windows-1252 lacks becomes its closest plain letters
// (Ł gives L), or '?' when it has none; an accent typed apart is dropped.
// Adds the number of characters so replaced to nReplaced.
std::string Utf8ToWindows1252(std::string_view text, int& nReplaced);
void ConvertToWindows1252(std::string_view text, std::string& bytes, int& nReplaced);
// The same into bytes; plain text, by far the most common, with one copy.
inline void Utf8ToWindows1252(std::string_view text, std::string& bytes, int& nReplaced) {
    if (IsAscii(text)) {
        bytes = std::string(text);
    } else {
        ConvertToWindows1252(text, bytes, nReplaced);
    }
}
