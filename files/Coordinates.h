#pragma once

#include <cstdint>
#include <string>

// MapSource stores coordinates as semicircles. The factor is close to, but not
// the same as, 2^31 / 180; files written with it must read back the same way.
constexpr double SEMICIRCLES_PER_DEGREE = 11930464.705;

// Truncates toward zero and keeps the low 32 bits, so values past 180 degrees wrap.
int32_t DegreesToSemicircles(double dDegrees);
double SemicirclesToDegrees(int32_t nSemicircles);

// Fixed-point with six decimals and a '.', whatever the user's locale ("%f").
std::string FormatDegrees(double dDegrees);
// The leading number of the text, in the "C" locale; 0.0 when there is none (atof).
double ParseDegrees(const std::string& text);
