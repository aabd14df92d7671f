#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// MapSource stores coordinates as semicircles. The factor is close to, but not
// the same as, 2^31 / 180; files written with it must read back the same way.
constexpr double SEMICIRCLES_PER_DEGREE = 11930464.705;

// Truncates toward zero and keeps the low 32 bits, so values past 180 degrees wrap.
int32_t DegreesToSemicircles(double dDegrees);
double SemicirclesToDegrees(int32_t nSemicircles);

// Fixed-point with six decimals and a '.', whatever the user's locale ("%f").
std::string FormatDegrees(double dDegrees);
enum class CoordinateAxis { Latitude, Longitude };
// A coordinate as spreadsheets hold it: a number in the "C" locale (as strtod
// reads it), blanks around it, a degree sign after it (0xB0 or its UTF-8 form
// C2 B0), and a hemisphere letter before or after it (N, S on a latitude; E, W
// on a longitude; either case; S and W negative, and then no minus sign).
// Anything else gives 0.0, which no waypoint may have.
double ParseCoordinate(std::string_view text, CoordinateAxis axis);
