#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Utf8.h"

constexpr size_t EXCERPT_LENGTH = 60;

// What a message shows of a name or comment read from a file: at most
// EXCERPT_LENGTH characters, and "..." when there was more.
inline std::string Excerpt(std::string_view text) {
    std::string excerpt(text.substr(0, 4 * EXCERPT_LENGTH));
    TruncateCharacters(excerpt, EXCERPT_LENGTH);
    return excerpt.size() == text.size() ? excerpt : excerpt + "...";
}
