#include "templates/TextTemplate.h"

#include <algorithm>
#include <cstring>

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
