#include "engine/Waypoint.h"

#include <cmath>
#include <cstdio>

#include "platform/PlainLetters.h"
#include "platform/Utf8.h"

namespace {

constexpr bool IsNameCharacterByRange(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '-' || c == '_';
}

// Every name is checked byte by byte: one look-up a byte rather than six ranges.
struct NameCharacters {
    bool isName[256] = {};
    constexpr NameCharacters() {
        for (int c = 0; c < 256; ++c) {
            isName[c] = IsNameCharacterByRange(static_cast<unsigned char>(c));
        }
    }
};
constexpr NameCharacters NAME_CHARACTERS;

bool IsNameCharacter(unsigned char c) {
    return NAME_CHARACTERS.isName[c];
}

bool IsApostrophe(char32_t c) {
    return c == '\'' || c == '`' || c == 0x2018 || c == 0x2019 || c == 0x2BC || c == 0xB4;
}

// Punctuation, symbols and blanks separate words; letters of other alphabets do not.
bool SeparatesWords(char32_t c) {
    return c < 0x80 || (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7 ||
           (c >= 0x2000 && c <= 0x2BFF) || c == 0x3000;
}

}  // namespace

std::string WaypointErrorMessage(int nError, int nMaxNameLength) {
    switch (static_cast<WaypointError>(nError)) {
        case WaypointError::NameExists:
            return "Waypoint name already exists";
        case WaypointError::NameTooLong: {
            char text[96];
            std::snprintf(text, sizeof text,
                          "Waypoint name is too long - cannot contain more then %d characters",
                          nMaxNameLength);
            return text;
        }
        case WaypointError::NameEmpty:
            return "Waypoint name is empty";
        case WaypointError::NameNotAlphanumeric:
            return "Waypoint name contain one or more non-alphanumeric characters";
        case WaypointError::LatitudeInvalid:
            return "Waypoint latitude is invalid";
        case WaypointError::LongitudeInvalid:
            return "Waypoint longitude is invalid";
        case WaypointError::ElevationInvalid:
            return "Waypoint elevation is invalid";
        default:
            return std::string();
    }
}

WaypointError ValidateName(std::string_view name, int nMaxNameLength) {
    if (name.empty()) {
        return WaypointError::NameEmpty;
    }
    if (name.size() > static_cast<size_t>(nMaxNameLength) &&
        CharacterCount(name) > static_cast<size_t>(nMaxNameLength)) {
        return WaypointError::NameTooLong;
    }
    for (char c : name) {
        if (!IsNameCharacter(static_cast<unsigned char>(c))) {
            return WaypointError::NameNotAlphanumeric;
        }
    }
    return WaypointError::None;
}

std::string CleanName(std::string_view name) {
    std::string cleaned;
    auto addSpace = [&cleaned] {
        if (!cleaned.empty() && cleaned.back() != ' ') {
            cleaned.push_back(' ');
        }
    };
    for (size_t i = 0; i < name.size();) {
        char32_t c = NextCharacter(name, i);
        if (c < 0x80 && IsNameCharacter(static_cast<unsigned char>(c)) && c != ' ') {
            cleaned.push_back(static_cast<char>(c));
        } else if (std::string_view plain = PlainLetters(c); !plain.empty()) {
            cleaned.append(plain);
        } else if (!IsApostrophe(c) && !IsCombiningMark(c) && SeparatesWords(c)) {
            addSpace();
        }
    }
    if (!cleaned.empty() && cleaned.back() == ' ') {
        cleaned.pop_back();
    }
    return cleaned;
}

WaypointError CWaypoint::Validate(int nMaxNameLength) const {
    WaypointError error = ValidateName(m_strName, nMaxNameLength);
    if (error != WaypointError::None) {
        return error;
    }
    if (!IsValidLatitude(m_dLatitude)) {
        return WaypointError::LatitudeInvalid;
    }
    if (!IsValidLongitude(m_dLongitude)) {
        return WaypointError::LongitudeInvalid;
    }
    if (m_bHasElevation && !std::isfinite(m_dElevation)) {
        return WaypointError::ElevationInvalid;
    }
    return WaypointError::None;
}
