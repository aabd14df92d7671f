#include "templates/TextTemplate.h"

#include <algorithm>
#include <cstring>

#include "platform/LittleEndian.h"

namespace {

constexpr size_t FIRST_ROW_OFFSET = 16;
constexpr size_t NAME_OFFSET = 18;
constexpr size_t DELIMITER_OFFSET = 273;
constexpr size_t SETTINGS_MARK_OFFSET = 274;
constexpr size_t SETTINGS_OFFSET = 275;
constexpr unsigned char SETTINGS_MARK = 0xD5;
constexpr unsigned char DECIMAL_COMMA_BIT = 1;
constexpr int ENCODING_SHIFT = 1;
constexpr unsigned char SETTINGS_MASK = 0x07;

}  // namespace

CTextTemplate CTextTemplate::WithColumns(int32_t nName, int32_t nLatitude, int32_t nLongitude,
                                         int32_t nComment, uint16_t nFirstRow, char delimiter) {
    CTextTemplate layout;
    layout.nameColumn = nName;
    layout.latitudeColumn = nLatitude;
    layout.longitudeColumn = nLongitude;
    layout.commentColumn = nComment;
    layout.firstWaypointRow = nFirstRow;
    layout.delimiter = delimiter;
    return layout;
}

CTextTemplate CTextTemplate::DefaultLayout() {
    return WithColumns(0, 1, 2, 3, 2, ',');
}

void CTextTemplate::Encode(unsigned char (&record)[RECORD_SIZE]) const {
    std::memset(record, 0, RECORD_SIZE);
    const int32_t columns[] = {nameColumn, latitudeColumn, longitudeColumn, commentColumn};
    for (size_t i = 0; i < 4; ++i) {
        StoreLittleEndian(record + 4 * i, static_cast<uint32_t>(columns[i]), 4);
    }
    StoreLittleEndian(record + FIRST_ROW_OFFSET, firstWaypointRow, 2);
    std::memcpy(record + NAME_OFFSET, name, sizeof name);
    record[DELIMITER_OFFSET] = static_cast<unsigned char>(delimiter);
    if (decimalComma || encoding != TextEncoding::Detect) {
        record[SETTINGS_MARK_OFFSET] = SETTINGS_MARK;
        record[SETTINGS_OFFSET] = static_cast<unsigned char>(
            (decimalComma ? DECIMAL_COMMA_BIT : 0) | static_cast<int>(encoding) << ENCODING_SHIFT);
    }
}

CTextTemplate CTextTemplate::Decode(const unsigned char (&record)[RECORD_SIZE]) {
    CTextTemplate layout;
    int32_t* columns[] = {&layout.nameColumn, &layout.latitudeColumn, &layout.longitudeColumn,
                          &layout.commentColumn};
    for (size_t i = 0; i < 4; ++i) {
        *columns[i] = static_cast<int32_t>(LoadLittleEndian(record + 4 * i, 4));
    }
    layout.firstWaypointRow = static_cast<uint16_t>(LoadLittleEndian(record + FIRST_ROW_OFFSET, 2));
    std::memcpy(layout.name, record + NAME_OFFSET, sizeof layout.name);
    if (std::memchr(layout.name, '\0', sizeof layout.name) == nullptr) {
        layout.name[MAX_NAME_LENGTH] = '\0';
    }
    layout.delimiter = static_cast<char>(record[DELIMITER_OFFSET]);
    unsigned char settings = record[SETTINGS_OFFSET];
    auto encoding = static_cast<TextEncoding>(settings >> ENCODING_SHIFT);
    if (record[SETTINGS_MARK_OFFSET] == SETTINGS_MARK && (settings & ~SETTINGS_MASK) == 0 &&
        encoding <= TextEncoding::Windows1252) {
        layout.decimalComma = (settings & DECIMAL_COMMA_BIT) != 0;
        layout.encoding = encoding;
    }
    return layout;
}

std::string_view CTextTemplate::Name() const {
    const char* pEnd = std::find(name, name + sizeof name, '\0');
    return std::string_view(name, static_cast<size_t>(pEnd - name));
}

void CTextTemplate::SetName(std::string_view text) {
    std::memset(name, 0, sizeof name);
    std::memcpy(name, text.data(), std::min(text.size(), MAX_NAME_LENGTH));
}

bool CTextTemplate::HasValidColumns() const {
    auto valid = [](int32_t nColumn) { return nColumn >= 0 && nColumn <= MAX_COLUMN; };
    return valid(nameColumn) && valid(latitudeColumn) && valid(longitudeColumn) &&
           valid(commentColumn);
}
