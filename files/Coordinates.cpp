#include "files/Coordinates.h"

#include <locale.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/DecimalDigits.h"

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

namespace {

constexpr int64_t MILLIONTHS_PER_DEGREE = 1000000;
// Below this magnitude the value in millionths, rounded, fits 64 bits with room to spare.
constexpr double FIXED_POINT_LIMIT = 1e12;

// The value in millionths, rounded as the decimal expansion of the exact
// binary value says (a tie to the even one), as to_chars rounds; |dDegrees|
// must be below FIXED_POINT_LIMIT.
uint64_t RoundedMillionths(double dDegrees) {
    uint64_t nBits = 0;
    std::memcpy(&nBits, &dDegrees, sizeof nBits);
    int nExponent = static_cast<int>((nBits >> 52) & 0x7FF);
    uint64_t nMantissa = nBits & ((uint64_t{1} << 52) - 1);
    if (nExponent != 0) {
        nMantissa |= uint64_t{1} << 52;
    }
    // |dDegrees| = nMantissa / 2^nShift; nShift is positive below 2^52.
    int nShift = 1075 - std::max(nExponent, 1);
    __extension__ using Wide = unsigned __int128;
    Wide nScaled = static_cast<Wide>(nMantissa) * MILLIONTHS_PER_DEGREE;  // below 2^73
    if (nShift > 100) {
        return 0;  // less than half a millionth
    }
    auto nWhole = static_cast<uint64_t>(nScaled >> nShift);
    Wide nRest = nScaled & ((Wide{1} << nShift) - 1);
    Wide nHalf = Wide{1} << (nShift - 1);
    if (nRest > nHalf || (nRest == nHalf && (nWhole & 1) != 0)) {
        ++nWhole;
    }
    return nWhole;
}

}  // namespace

void AppendDegrees(std::string& out, double dDegrees, bool bDecimalComma) {
    char text[400];  // the widest double in fixed notation has 309 digits before the point
    char* pEnd = text;
    if (!std::isfinite(dDegrees)) {
        const char* pWord = std::isnan(dDegrees) ? (std::signbit(dDegrees) ? "-nan" : "nan")
                                                 : (dDegrees < 0 ? "-inf" : "inf");
        out.append(pWord);
        return;
    }
    if (std::fabs(dDegrees) < FIXED_POINT_LIMIT) {
        uint64_t nMillionths = RoundedMillionths(dDegrees);
        if (std::signbit(dDegrees)) {
            *pEnd++ = '-';
        }
        pEnd = WriteDigits(pEnd, nMillionths / MILLIONTHS_PER_DEGREE, 1);
        *pEnd++ = '.';
        pEnd = WriteDigits(pEnd, nMillionths % MILLIONTHS_PER_DEGREE, 6);
    } else {
        pEnd = std::to_chars(text, text + sizeof text, dDegrees, std::chars_format::fixed, 6).ptr;
    }
    if (bDecimalComma) {
        pEnd[-7] = ',';
    }
    out.append(text, pEnd);
}

std::string FormatDegrees(double dDegrees, bool bDecimalComma) {
    std::string text;
    AppendDegrees(text, dDegrees, bDecimalComma);
    return text;
}

namespace {

constexpr int PACKED_DEGREE_DIGITS = 4;

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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

// Walks the text of one coordinate, part by part.
class CNotationReader {
public:
    explicit CNotationReader(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_i == m_text.size(); }
    void SkipBlanks() {
        while (m_i < m_text.size() && IsBlank(m_text[m_i])) {
            ++m_i;
        }
    }
    // Takes the character, or the first of the texts that follows, if any.
    bool Take(char c) {
        if (m_i < m_text.size() && m_text[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    bool TakeAny(std::initializer_list<std::string_view> marks) {
        for (std::string_view mark : marks) {
            if (m_text.substr(m_i, mark.size()) == mark) {
                m_i += mark.size();
                return true;
            }
        }
        return false;
    }
    int TakeHemisphere(CoordinateAxis axis) {
        int nSign = m_i < m_text.size() ? HemisphereSign(m_text[m_i], axis) : 0;
        m_i += nSign != 0;
        return nSign;
    }
    bool NextIs(std::string_view mark) const { return m_text.substr(m_i, mark.size()) == mark; }
    bool NextIsDigit() const { return m_i < m_text.size() && IsDigit(m_text[m_i]); }

    // Degrees as strtod reads them; bWhole when they are digits alone, and
    // nDigits their digits before any point.
    bool TakeDegrees(double& dValue, bool& bMinus, bool& bWhole, size_t& nDigits) {
        std::string number(m_text.substr(m_i));  // strtod needs the terminating NUL
        char* pAfter = nullptr;
        dValue = strtod_l(number.c_str(), &pAfter, CLocale());
        size_t nLength = static_cast<size_t>(pAfter - number.c_str());
        if (nLength == 0) {
            return false;
        }
        bMinus = number[0] == '-';
        size_t nSign = number[0] == '-' || number[0] == '+' ? 1 : 0;
        nDigits = 0;
        while (nSign + nDigits < nLength && IsDigit(number[nSign + nDigits])) {
            ++nDigits;
        }
        bWhole = nSign + nDigits == nLength;
        m_i += nLength;
        return true;
    }
    // Minutes or seconds: digits, and a fraction after a point.
    bool TakePart(double& dValue, bool& bWhole) {
        size_t nStart = m_i;
        while (NextIsDigit()) {
            ++m_i;
        }
        bWhole = !Take('.');
        if (!bWhole && !NextIsDigit()) {
            return false;
        }
        while (NextIsDigit()) {
            ++m_i;
        }
        auto result = std::from_chars(m_text.data() + nStart, m_text.data() + m_i, dValue);
        return result.ec == std::errc() && dValue < 60.0;
    }

private:
    std::string_view m_text;
    size_t m_i = 0;
};

const std::initializer_list<std::string_view> DEGREE_MARKS = {"\xC2\xB0", "\xC2\xBA", "d", "D"};
// Two apostrophes mark seconds, so one is taken for minutes only when no second follows.
const std::initializer_list<std::string_view> MINUTE_MARKS = {"\xE2\x80\xB2", "\xE2\x80\x99"};
const std::initializer_list<std::string_view> SECOND_MARKS = {"\"", "''", "\xE2\x80\xB3",
                                                              "\xE2\x80\x9D"};

enum class Next { None, Part, Dangling };

// Between two parts: the mark of the first, blanks or a colon. Dangling is a
// colon that no part follows.
Next TakeSeparator(CNotationReader& reader, std::initializer_list<std::string_view> marks,
                   bool bMinutes) {
    reader.SkipBlanks();
    if (!reader.TakeAny(marks) && bMinutes && !reader.NextIs("''")) {
        reader.Take('\'');
    }
    reader.SkipBlanks();
    bool bColon = reader.Take(':');
    reader.SkipBlanks();
    if (reader.NextIsDigit()) {
        return Next::Part;
    }
    return bColon ? Next::Dangling : Next::None;
}

// The minutes, and the seconds when the minutes are whole and a part follows
// them; next tells what follows the last part.
bool TakeMinutesAndSeconds(CNotationReader& reader, double& dMinutes, double& dSeconds,
                           Next& next) {
    bool bWhole = false;
    if (!reader.TakePart(dMinutes, bWhole)) {
        return false;
    }
    next = TakeSeparator(reader, MINUTE_MARKS, true);
    if (next != Next::Part) {
        return true;
    }
    if (!bWhole || !reader.TakePart(dSeconds, bWhole)) {
        return false;
    }
    next = TakeSeparator(reader, SECOND_MARKS, false);
    return true;
}

// Everything but the plain decimal: blanks, a hemisphere letter, marks,
// minutes and seconds, and what only strtod reads (a '+', hexadecimal,
// infinity, out of range).
double ParseCoordinateForms(std::string_view text, CoordinateAxis axis) {
    CNotationReader reader(text);
    reader.SkipBlanks();
    int nSign = reader.TakeHemisphere(axis);
    reader.SkipBlanks();
    double dDegrees = 0.0;
    bool bMinus = false;
    bool bWhole = false;
    size_t nDigits = 0;
    if (!reader.TakeDegrees(dDegrees, bMinus, bWhole, nDigits)) {
        return 0.0;
    }
    double dValue = dDegrees;
    Next next = TakeSeparator(reader, DEGREE_MARKS, false);
    if (next == Next::Part) {
        double dMinutes = 0.0;
        double dSeconds = 0.0;
        if (!bWhole || !TakeMinutesAndSeconds(reader, dMinutes, dSeconds, next)) {
            return 0.0;
        }
        dValue = std::fabs(dDegrees) + dMinutes / 60.0 + dSeconds / 3600.0;
        dValue = bMinus ? -dValue : dValue;
    }
    if (nSign == 0) {
        nSign = reader.TakeHemisphere(axis);
        reader.SkipBlanks();
    }
    // Degrees of four digits and more with a hemisphere letter are the packed
    // form of degrees and minutes (4007.38N), which is refused, not guessed.
    bool bPacked = nSign != 0 && nDigits >= PACKED_DEGREE_DIGITS;
    if (next != Next::None || !reader.AtEnd() || nSign == 2 || (nSign != 0 && bMinus) || bPacked) {
        return 0.0;
    }
    return nSign < 0 ? -dValue : dValue;
}

// Adds the digits from p on to nValue; returns where they end.
const char* AccumulateDigits(const char* p, const char* pEnd, uint64_t& nValue) {
    uint64_t nSum = nValue;  // kept apart from the text, which could otherwise alias it
    for (; p != pEnd; ++p) {
        unsigned nDigit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (nDigit > 9) {
            break;
        }
        nSum = nSum * 10 + nDigit;
    }
    nValue = nSum;
    return p;
}

// A decimal of at most 15 digits, a point among them or not: a whole number
// below 2^53 over a power of ten, both exact, so that the one division rounds
// as strtod rounds the text.
bool ReadShortDecimal(const char* p, const char* pEnd, double& dValue) {
    static constexpr double POWERS_OF_TEN[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr ptrdiff_t MAX_DIGITS = 15;
    bool bMinus = p != pEnd && *p == '-';
    const char* pWhole = p + (bMinus ? 1 : 0);
    uint64_t nDigitsValue = 0;  // past MAX_DIGITS it may wrap, and is not used
    p = AccumulateDigits(pWhole, pEnd, nDigitsValue);
    ptrdiff_t nWholeDigits = p - pWhole;
    ptrdiff_t nFractionDigits = 0;
    if (p != pEnd && *p == '.') {
        const char* pFraction = p + 1;
        p = AccumulateDigits(pFraction, pEnd, nDigitsValue);
        nFractionDigits = p - pFraction;
    }
    ptrdiff_t nDigits = nWholeDigits + nFractionDigits;
    if (p != pEnd || nDigits == 0 || nDigits > MAX_DIGITS) {
        return false;
    }
    double dMagnitude = static_cast<double>(nDigitsValue) / POWERS_OF_TEN[nFractionDigits];
    dValue = bMinus ? -dMagnitude : dMagnitude;
    return true;
}

}  // namespace

// Plain decimal numbers, by far the most common, take the fast road, whose
// result strtod matches; every other form is read apart.
double ParseCoordinate(std::string_view text, CoordinateAxis axis, bool bDecimalComma) {
    const char* pStart = text.data();
    const char* pEnd = pStart + text.size();
    double dValue = 0.0;
    if (ReadShortDecimal(pStart, pEnd, dValue)) {
        return dValue;
    }
    const char* pDigits = pStart != pEnd && *pStart == '-' ? pStart + 1 : pStart;
    bool bPlain =
        pDigits != pEnd &&
        (std::isdigit(static_cast<unsigned char>(*pDigits)) || *pDigits == '.') &&
        !(pDigits + 1 < pEnd && pDigits[0] == '0' && (pDigits[1] == 'x' || pDigits[1] == 'X'));
    if (bPlain) {
        auto result = std::from_chars(pStart, pEnd, dValue);
        if (result.ec == std::errc() && result.ptr == pEnd) {
            return dValue;
        }
    }
    if (bDecimalComma && text.find(',') != std::string_view::npos) {
        std::string withPoints(text);
        for (char& c : withPoints) {
            c = c == ',' ? '.' : c;
        }
        return ParseCoordinate(withPoints, axis, false);
    }
    return ParseCoordinateForms(text, axis);
}

namespace {

// The text with its blanks and a hemisphere letter at either end taken off.
std::string_view Core(std::string_view text, std::string& hemisphere) {
    auto isHemisphere = [](char c) {
        return std::string_view("NSEWnsew").find(c) != std::string_view::npos;
    };
    auto trim = [](std::string_view& part) {
        while (!part.empty() && IsBlank(part.front())) {
            part.remove_prefix(1);
        }
        while (!part.empty() && IsBlank(part.back())) {
            part.remove_suffix(1);
        }
    };
    trim(text);
    if (!text.empty() && isHemisphere(text.front())) {
        hemisphere = text.front();
        text.remove_prefix(1);
    } else if (!text.empty() && isHemisphere(text.back())) {
        hemisphere = text.back();
        text.remove_suffix(1);
    }
    trim(text);
    return text;
}

bool IsNumber(std::string_view text, size_t nMinimumWholeDigits) {
    size_t nWhole = 0;
    while (nWhole < text.size() && IsDigit(text[nWhole])) {
        ++nWhole;
    }
    std::string_view fraction = text.substr(nWhole);
    bool bFraction =
        fraction.empty() || (fraction.size() > 1 && fraction[0] == '.' &&
                             fraction.find_first_not_of("0123456789", 1) == std::string_view::npos);
    return nWhole >= nMinimumWholeDigits && bFraction;
}

// Degrees, minutes and seconds apart by points (27.15.45), written apart by blanks.
std::string DottedApart(std::string_view core) {
    size_t nFirst = core.find('.');
    size_t nSecond = nFirst == std::string_view::npos ? nFirst : core.find('.', nFirst + 1);
    if (nSecond == std::string_view::npos || !IsNumber(core.substr(0, nFirst), 1) ||
        !IsNumber(core.substr(nFirst + 1, nSecond - nFirst - 1), 1) ||
        !IsNumber(core.substr(nSecond + 1), 1)) {
        return std::string();
    }
    return std::string(core.substr(0, nFirst)) + " " +
           std::string(core.substr(nFirst + 1, nSecond - nFirst - 1)) + " " +
           std::string(core.substr(nSecond + 1));
}

// Degrees and minutes packed into one number (4007.38), written apart.
std::string PackedApart(std::string_view core) {
    if (!IsNumber(core, PACKED_DEGREE_DIGITS)) {
        return std::string();
    }
    size_t nWhole = std::min(core.find('.'), core.size());
    return std::string(core.substr(0, nWhole - 2)) + " " + std::string(core.substr(nWhole - 2));
}

}  // namespace

std::string DescribeRefusedNotation(std::string_view text) {
    std::string hemisphere;
    std::string_view core = Core(text, hemisphere);
    const std::string quoted = "\"" + std::string(text) + "\"";
    const std::string after = hemisphere.empty() ? "" : " " + hemisphere;
    if (std::string apart = DottedApart(core); !apart.empty()) {
        return quoted +
               " separates degrees, minutes and seconds with points, which is not "
               "read; write " +
               apart + after;
    }
    if (std::string apart = PackedApart(core); !hemisphere.empty() && !apart.empty()) {
        return quoted + " packs degrees and minutes together, which is not read; write " + apart +
               after;
    }
    return std::string();
}
