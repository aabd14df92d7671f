#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The layout of a delimited text waypoint file. The record is stored in the
// template file exactly as it lies in memory, 276 bytes, little-endian.
struct CTextTemplate {
    int32_t nameColumn = 0;  // 0-based; column letter A is 0
    int32_t latitudeColumn = 0;
    int32_t longitudeColumn = 0;
    int32_t commentColumn = 0;
    uint16_t firstWaypointRow = 0;  // counted from 1; 0 and 1 both mean the first line
    char name[255] = {};            // NUL-terminated, zero bytes after the terminator
    char delimiter = 0;             // ',' or '\t', or 0 for none
    uint8_t padding[2] = {};

    static constexpr size_t MAX_NAME_LENGTH = sizeof name - 1;
    static constexpr int32_t MAX_COLUMN = 65534;

    // An unnamed template with these columns, first row and delimiter.
    static CTextTemplate WithColumns(int32_t nName, int32_t nLatitude, int32_t nLongitude,
                                     int32_t nComment, uint16_t nFirstRow, char delimiter);

    std::string_view Name() const;
    // Stores the name, cut to MAX_NAME_LENGTH characters, and zeroes the rest of the field.
    void SetName(std::string_view text);
    // True when every column is one that column letters can name.
    bool HasValidColumns() const;
};

static_assert(sizeof(CTextTemplate) == 276, "the template record is 276 bytes");
static_assert(offsetof(CTextTemplate, firstWaypointRow) == 16, "record layout");
static_assert(offsetof(CTextTemplate, name) == 18, "record layout");
static_assert(offsetof(CTextTemplate, delimiter) == 273, "record layout");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the record is stored little-endian");
