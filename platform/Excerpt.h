#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr size_t EXCERPT_LENGTH = 60;

// What a message shows of a name or comment read from a file: at most
// EXCERPT_LENGTH bytes, and "..." when there was more.
inline std::string Excerpt(std::string_view text) {
    return text.size() <= EXCERPT_LENGTH ? std::string(text)
                                         : std::string(text.substr(0, EXCERPT_LENGTH)) + "...";
}
