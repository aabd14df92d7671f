#pragma once

#include <cstdint>

// How the bytes of a text file stand for characters. Detect: UTF-8 when the
// whole file is valid UTF-8, otherwise Windows-1252.
enum class TextEncoding : uint8_t { Detect = 0, Utf8 = 1, Windows1252 = 2 };
