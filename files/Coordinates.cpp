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

// Plain decimal numbers, by far the most common, take the fast road; anything
// else (leading blanks, a '+', hexadecimal, a number out of range) is left to
// strtod, whose result the fast road matches where both apply.
double ParseDegrees(const std::string& text) {
    const char* pStart = text.data();
    const char* pEnd = pStart + text.size();
    const char* pDigits = pStart != pEnd && *pStart == '-' ? pStart + 1 : pStart;
    bool bPlain =
        pDigits != pEnd &&
        (std::isdigit(static_cast<unsigned char>(*pDigits)) || *pDigits == '.') &&
        !(pDigits + 1 < pEnd && pDigits[0] == '0' && (pDigits[1] == 'x' || pDigits[1] == 'X'));
    double dValue = 0.0;
    if (bPlain && std::from_chars(pStart, pEnd, dValue).ec == std::errc()) {
        return dValue;
    }
    return strtod_l(text.c_str(), nullptr, CLocale());
}
