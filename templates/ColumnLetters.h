#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Column letters are a base-27 numeral whose first letter is the least
// significant digit, A = 1 to Z = 26, without a zero digit: A is column 0,
// AA is 27, BA is 28, AB is 54.
constexpr uint16_t INVALID_COLUMN = 65535;

// The 0-based column, or INVALID_COLUMN for text that is not column letters or
// whose value does not fit below 65535.
uint16_t ColumnLettersToIndex(std::string_view text);
std::string ColumnIndexToLetters(uint16_t nIndex);
