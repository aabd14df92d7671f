#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/TextEncoding.h"

// The layout of a delimited text waypoint file, and its record in the template
// file: 276 bytes, little-endian, field by field (see Encode).
struct CTextTemplate {
    int32_t nameColumn = 0;  // 0-based; column letter A is 0
    int32_t latitudeColumn = 0;
    int32_t longitudeColumn = 0;
    int32_t commentColumn = 0;
    uint16_t firstWaypointRow = 0;  // counted from 1; 0 and 1 both mean the first line
    char name[255] = {};            // NUL-terminated, zero bytes after the terminator
    char delimiter = 0;             // ',', '\t' or ';', or 0 for none
    // Settings kept in the record's last two bytes (see Encode).
    bool decimalComma = false;  // coordinates are written with a decimal comma
    TextEncoding encoding = TextEncoding::Detect;

    static constexpr size_t RECORD_SIZE = 276;
    static constexpr size_t MAX_NAME_LENGTH = sizeof name - 1;
    static constexpr int32_t MAX_COLUMN = 65534;

    // An unnamed template with these columns, first row and delimiter.
    static CTextTemplate WithColumns(int32_t nName, int32_t nLatitude, int32_t nLongitude,
                                     int32_t nComment, uint16_t nFirstRow, char delimiter);
    // The layout of the text files this program writes: name, latitude,
    // longitude and comment in columns A to D, a title row, commas.
    static CTextTemplate DefaultLayout();

    // The record: the four columns as 32-bit integers at 0, 4, 8 and 12, the
    // first row as a 16-bit integer at 16, the name at 18, the delimiter at
    // 273; then a mark byte and the settings (bit 0: decimal comma, bits 1-2:
    // the encoding). Older records have two zero bytes there, or whatever the
    // program that wrote them left: without the mark they have no settings.
    void Encode(unsigned char (&record)[RECORD_SIZE]) const;
    // A name without its terminator is cut to MAX_NAME_LENGTH.
    static CTextTemplate Decode(const unsigned char (&record)[RECORD_SIZE]);

    std::string_view Name() const;
    // Stores the name, cut to MAX_NAME_LENGTH characters, and zeroes the rest of the field.
    void SetName(std::string_view text);
    // True when every column is one that column letters can name.
    bool HasValidColumns() const;
};
