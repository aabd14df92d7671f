#pragma once

#include <cstdint>
#include <string_view>

// MapSource files number a waypoint's symbol; GPX files and GPS units name it.
// One table of the common Garmin symbols translates between the two.

// The name of a symbol number; "Waypoint" for a number the table lacks.
std::string_view SymbolName(int32_t nSymbol);
// The number of a symbol name, matched ignoring ASCII case; the plain
// waypoint for a name the table lacks.
int32_t SymbolNumber(std::string_view name);
