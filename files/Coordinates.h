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

// Fixed-point with six decimals and a '.' (or a ',' with bDecimalComma),
// whatever the user's locale ("%f").
std::string FormatDegrees(double dDegrees, bool bDecimalComma = false);
enum class CoordinateAxis { Latitude, Longitude };
// A coordinate as spreadsheets, GPS units and surveys write it (UTF-8 text):
// - degrees, a number in the "C" locale as strtod reads it;
// - or whole degrees and minutes, or whole degrees, whole minutes and
//   seconds, the last with a fraction or not, minutes and seconds below 60;
// - each part may carry its mark (degrees: a degree sign, a masculine ordinal
//   or d; minutes: ' or a prime or a right single quote; seconds: ", '', a
//   double prime or a right double quote), and parts are apart by a mark,
//   blanks or a colon;
// - blanks around it, and a hemisphere letter before or after it (N, S on a
//   latitude; E, W on a longitude; either case; S and W negative, and then no
//   minus sign).
// With bDecimalComma a comma stands for the decimal point. Packed forms
// (4007.38N: degrees of four or more digits) and dotted ones (27.15.45S) are
// refused, not guessed. Anything else gives 0.0, which no waypoint may have.
double ParseCoordinate(std::string_view text, CoordinateAxis axis, bool bDecimalComma = false);

// For a text that ParseCoordinate refuses as a packed or dotted form, what it
// is and how to write it instead; empty for any other text.
std::string DescribeRefusedNotation(std::string_view text);
