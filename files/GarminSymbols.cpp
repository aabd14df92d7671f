#include "files/GarminSymbols.h"

#include <algorithm>
#include <iterator>

#include "engine/Waypoint.h"
#include "platform/AsciiCase.h"

namespace {

struct Symbol {
    int32_t nNumber;
    std::string_view name;
};

// Ordered by number.
constexpr Symbol SYMBOLS[] = {
    {0, "Anchor"},
    {6, "Bank"},
    {7, "Fishing Area"},
    {8, "Gas Station"},
    {10, "Residence"},
    {11, "Restaurant"},
    {13, "Bar"},
    {18, "Waypoint"},
    {20, "Man Overboard"},
    {24, "Navaid, Green"},
    {28, "Navaid, Red"},
    {35, "Dot, White"},
    {37, "Boat Ramp"},
    {38, "Campground"},
    {39, "Restroom"},
    {41, "Drinking Water"},
    {42, "Telephone"},
    {43, "Medical Facility"},
    {44, "Information"},
    {45, "Parking Area"},
    {46, "Park"},
    {47, "Picnic Area"},
    {48, "Scenic Area"},
    {49, "Skiing Area"},
    {50, "Swimming Area"},
    {56, "Car"},
    {57, "Hunting Area"},
    {58, "Shopping Center"},
    {59, "Lodging"},
    {61, "Trail Head"},
    {62, "Truck Stop"},
    {69, "City (Small)"},
    {70, "City (Medium)"},
    {71, "City (Large)"},
    {83, "Post Office"},
    {85, "School"},
    {89, "Convenience Store"},
    {92, "Toll Booth"},
    {93, "Bridge"},
    {94, "Building"},
    {96, "Church"},
    {98, "Crossing"},
    {103, "Tunnel"},
    {105, "Forest"},
    {106, "Summit"},
    {107, "Airport"},
    {117, "Geocache"},
    {118, "Geocache Found"},
    {140, "Flag, Red"},
    {141, "Flag, Blue"},
    {142, "Flag, Green"},
    {143, "Pin, Red"},
    {144, "Pin, Blue"},
    {145, "Pin, Green"},
    {146, "Block, Red"},
    {147, "Block, Blue"},
    {148, "Block, Green"},
    {149, "Bike Trail"},
    {152, "Ski Resort"},
    {167, "Circle, Blue"},
    {168, "Diamond, Blue"},
    {175, "Square, Blue"},
    {218, "Triangle, Blue"},
    {240, "Lodge"},  // as the sample files show it
    {248, "Water Source"},
};

}  // namespace

std::string_view SymbolName(int32_t nSymbol) {
    const Symbol* pFound = std::lower_bound(
        std::begin(SYMBOLS), std::end(SYMBOLS), nSymbol,
        [](const Symbol& symbol, int32_t nNumber) { return symbol.nNumber < nNumber; });
    if (pFound == std::end(SYMBOLS) || pFound->nNumber != nSymbol) {
        return SymbolName(PLAIN_WAYPOINT_SYMBOL);
    }
    return pFound->name;
}

int32_t SymbolNumber(std::string_view name) {
    for (const Symbol& symbol : SYMBOLS) {
        if (EqualIgnoringCase(symbol.name, name)) {
            return symbol.nNumber;
        }
    }
    return PLAIN_WAYPOINT_SYMBOL;
}
