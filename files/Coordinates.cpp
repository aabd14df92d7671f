#include "files/Coordinates.h"

#include <locale.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

int32_t DegreesToSemicircles(double dDegrees) {
    double dProduct = dDegrees * SEMICIRCLES_PER_DEGREE;
    // Outside the 64-bit range (and for NaN) the processor's conversion yields
    // 0x8000000000000000, whose low 32 bits are 0.
    if (!(dProduct > -9223372036854775808.0 && dProduct < 9223372036854775808.0)) {
        return 0;
    }
    auto nWhole = static_cast<int64_t>(dProduct);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(nWhole)));
}

double SemicirclesToDegrees(int32_t nSemicircles) {
    return static_cast<double>(nSemicircles) / SEMICIRCLES_PER_DEGREE;
}

std::string FormatDegrees(double dDegrees) {
    if (!std::isfinite(dDegrees)) {
        return std::isnan(dDegrees) ? (std::signbit(dDegrees) ? "-nan" : "nan")
                                    : (dDegrees < 0 ? "-inf" : "inf");
    }
    char text[400];  // the widest double in fixed notation has 309 digits before the point
    auto result = std::to_chars(text, text + sizeof text, dDegrees, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The sign a hemisphere letter gives on the axis: +1 or -1; 0 when the
// character is no hemisphere letter, or one of the other axis (2).
int HemisphereSign(char c, CoordinateAxis axis) {
    switch (c) {
        case 'N':
        case 'n':
            return axis == CoordinateAxis::Latitude ? 1 : 2;
        case 'S':
        case 's':
            return axis == CoordinateAxis::Latitude ? -1 : 2;
        case 'E':
        case 'e':
            return axis == CoordinateAxis::Longitude ? 1 : 2;
        case 'W':
        case 'w':
            return axis == CoordinateAxis::Longitude ? -1 : 2;
        default:
            return 0;
    }
}

// Everything but the plain decimal: blanks, a hemisphere letter, a degree sign,
// and what only strtod reads (a '+', hexadecimal, infinity, out of range).
double ParseCoordinateForms(std::string_view text, CoordinateAxis axis) {
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
    };
    skipBlanks();
    int nSign = i < text.size() ? HemisphereSign(text[i], axis) : 0;
    if (nSign != 0) {
        ++i;
        skipBlanks();
    }
    std::string number(text.substr(i));  // strtod needs the terminating NUL
    char* pAfter = nullptr;
    double dValue = strtod_l(number.c_str(), &pAfter, CLocale());
    if (pAfter == number.c_str()) {
        return 0.0;
    }
    bool bMinus = number[0] == '-';
    i += static_cast<size_t>(pAfter - number.c_str());
    skipBlanks();
    if (i < text.size() && text[i] == '\xB0') {
        ++i;
    } else if (i + 1 < text.size() && text[i] == '\xC2' && text[i + 1] == '\xB0') {
        i += 2;
    }
    skipBlanks();
    if (nSign == 0 && i < text.size() && HemisphereSign(text[i], axis) != 0) {
        nSign = HemisphereSign(text[i], axis);
        ++i;
        skipBlanks();
    }
    if (i != text.size() || nSign == 2 || (nSign != 0 && bMinus)) {
        return 0.0;
    }
    return nSign < 0 ? -dValue : dValue;
}

}  // namespace

// Plain decimal numbers, by far the most common, take the fast road, whose
// result strtod matches; every other form is read apart.
double ParseCoordinate(std::string_view text, CoordinateAxis axis) {
    const char* pStart = text.data();
    const char* pEnd = pStart + text.size();
    const char* pDigits = pStart != pEnd && *pStart == '-' ? pStart + 1 : pStart;
    bool bPlain =
        pDigits != pEnd &&
        (std::isdigit(static_cast<unsigned char>(*pDigits)) || *pDigits == '.') &&
        !(pDigits + 1 < pEnd && pDigits[0] == '0' && (pDigits[1] == 'x' || pDigits[1] == 'X'));
    double dValue = 0.0;
    if (bPlain) {
        auto result = std::from_chars(pStart, pEnd, dValue);
        if (result.ec == std::errc() && result.ptr == pEnd) {
            return dValue;
        }
    }
    return ParseCoordinateForms(text, axis);
}
