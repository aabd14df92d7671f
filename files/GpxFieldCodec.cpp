#include "files/GpxFieldCodec.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "files/Coordinates.h"
#include "files/GarminSymbols.h"
#include "platform/DecimalDigits.h"
#include "platform/Utf8.h"

namespace {

// The shortest fixed-point text that reads back as the same double, so a
// coordinate from MapSource semicircles survives the way through GPX.
class DecimalText {
public:
    explicit DecimalText(double dValue) : m_pEnd(WriteXmlDecimal(m_text, dValue)) {}
    std::string_view View() const {
        return std::string_view(m_text, static_cast<size_t>(m_pEnd - m_text));
    }

private:
    char m_text[XML_DECIMAL_SIZE];
    char* m_pEnd;
};

__extension__ using Uint128 = unsigned __int128;

constexpr uint64_t POWERS_OF_TEN[] = {1,
                                      10,
                                      100,
                                      1000,
                                      10000,
                                      100000,
                                      1000000,
                                      10000000,
                                      100000000,
                                      1000000000,
                                      10000000000,
                                      100000000000,
                                      1000000000000,
                                      10000000000000,
                                      100000000000000,
                                      1000000000000000,
                                      10000000000000000,
                                      100000000000000000,
                                      1000000000000000000,
                                      10000000000000000000u};

// The number / 2^shift and what is left over, for 0 < shift < 64 and a
// quotient below 2^64.
uint64_t ShiftDown(Uint128 nNumber, int nShift, uint64_t& nRest) {
    auto nLow = static_cast<uint64_t>(nNumber);
    auto nHigh = static_cast<uint64_t>(nNumber >> 64);
    nRest = nLow & ((uint64_t{1} << nShift) - 1);
    return (nLow >> nShift) | (nHigh << (64 - nShift));
}

// Writes the number as twenty digits, zeros first, in chains of divisions
// that do not wait for one another.
void WriteTwentyDigits(char* pOut, uint64_t nNumber) {
    auto writeFour = [](char* p, uint32_t nFour) {
        WriteTwoDigits(p, nFour / 100);
        WriteTwoDigits(p + 2, nFour % 100);
    };
    auto writeEight = [&](char* p, uint32_t nEight) {
        writeFour(p, nEight / 10000);
        writeFour(p + 4, nEight % 10000);
    };
    writeFour(pOut, static_cast<uint32_t>(nNumber / 10000000000000000));
    writeEight(pOut + 4, static_cast<uint32_t>(nNumber / 100000000 % 100000000));
    writeEight(pOut + 12, static_cast<uint32_t>(nNumber % 100000000));
}

// The shortest decimal that reads back as the double (what std::to_chars
// writes) in exact integer arithmetic, twice as fast, for the coordinates and
// elevations most files hold: at least 1/64 and below 2^32 in magnitude, and
// no power of two (whose neighbour below is nearer than the one above). Null
// for any other value.
//
// The value is mantissa / 2^shift. Reading a decimal gives the value when the
// decimal lies within half a unit in its last place on either side, the half
// included for an even mantissa. With p places, 19 digits in all (17 or more
// of them significant, which always read back), both bounds times 10^p are
// exact in 128 bits; the shortest decimal drops trailing digits while a
// multiple of ten of what is left still lies between the bounds, and is the
// nearest such multiple to the value (the even one on a tie).
char* WriteCommonDecimal(char* pOut, double dValue) {
    uint64_t nBits = 0;
    std::memcpy(&nBits, &dValue, sizeof nBits);
    uint64_t nFraction = nBits & ((uint64_t{1} << 52) - 1);
    int nShift = 1075 - static_cast<int>((nBits >> 52) & 0x7FF);
    if (nFraction == 0 || nShift < 21 || nShift > 58) {
        return nullptr;
    }
    uint64_t nMantissa = nFraction | (uint64_t{1} << 52);
    double dMagnitude = std::abs(dValue);
    int nWholeDigits = 0;
    while (dMagnitude >= static_cast<double>(POWERS_OF_TEN[nWholeDigits])) {
        ++nWholeDigits;
    }
    int nPlaces = 19 - nWholeDigits;
    uint64_t nPower = POWERS_OF_TEN[nPlaces];
    // The bounds and the value times 10^p, in units of 2^-(shift + 1).
    Uint128 nLowScaled = static_cast<Uint128>(2 * nMantissa - 1) * nPower;
    uint64_t nLowRest = 0;
    uint64_t nHighRest = 0;
    uint64_t nRest = 0;
    uint64_t nLow = ShiftDown(nLowScaled, nShift + 1, nLowRest);
    uint64_t nHigh =
        ShiftDown(nLowScaled + 2 * static_cast<Uint128>(nPower), nShift + 1, nHighRest);
    uint64_t nValue = ShiftDown(nLowScaled + nPower, nShift + 1, nRest);
    bool bInclusive = nMantissa % 2 == 0;
    uint64_t nGreatest = nHigh - (nHighRest == 0 && !bInclusive ? 1 : 0);
    uint64_t nBelowLeast = nLow - (nLowRest == 0 && bInclusive ? 1 : 0);
    bool bExact = nRest == 0;  // nothing but zeros dropped so far
    unsigned nLastDropped = 0;
    int nDropped = 0;
    while (nDropped < nPlaces && nGreatest / 10 > nBelowLeast / 10) {
        nGreatest /= 10;
        nBelowLeast /= 10;
        bExact = bExact && nLastDropped == 0;
        nLastDropped = static_cast<unsigned>(nValue % 10);
        nValue /= 10;
        ++nDropped;
    }
    bool bUp = false;
    if (nDropped == 0) {
        uint64_t nHalf = uint64_t{1} << nShift;
        bUp = nRest > nHalf || (nRest == nHalf && nValue % 2 == 1);
    } else {
        bUp = nLastDropped > 5 || (nLastDropped == 5 && (!bExact || nValue % 2 == 1));
    }
    uint64_t nDigits = nValue + (bUp ? 1 : 0);
    nPlaces -= nDropped;
    char digits[20];
    WriteTwentyDigits(digits, nDigits);
    bool bCarried = nDigits >= POWERS_OF_TEN[nWholeDigits + nPlaces];  // 9.99... became 10
    int nWhole = std::max(nWholeDigits + (bCarried ? 1 : 0), 1);
    const char* pDigits = digits + sizeof digits - nPlaces - nWhole;
    if (nBits >> 63 != 0) {
        *pOut++ = '-';
    }
    std::memcpy(pOut, pDigits, static_cast<size_t>(nWhole));
    pOut += nWhole;
    if (nPlaces > 0) {
        *pOut++ = '.';
        std::memcpy(pOut, pDigits + nWhole, static_cast<size_t>(nPlaces));
        pOut += nPlaces;
    }
    return pOut;
}

// A coordinate within a millionth of a MapSource semicircle is taken for that
// semicircle, as read from a MapSource file. A MapSource writer truncates
// toward zero, and the double nearest a semicircle may lie just short of it;
// the coordinate moves by the few units in the last place that put it at or
// just beyond it, so that the way through GPX gives back the same semicircle.
double OnItsSemicircle(double dDegrees) {
    double dProduct = dDegrees * SEMICIRCLES_PER_DEGREE;
    double dNearest = std::nearbyint(dProduct);
    if (!(std::abs(dProduct - dNearest) < 1e-6 && std::abs(dNearest) < 2147483648.0)) {
        return dDegrees;
    }
    auto nSemicircle = static_cast<int32_t>(dNearest);
    double dAway = dDegrees < 0 ? -HUGE_VAL : HUGE_VAL;
    double dMoved = dDegrees;
    for (int i = 0; i < 8 && DegreesToSemicircles(dMoved) != nSemicircle; ++i) {
        dMoved = std::nextafter(dMoved, dAway);
    }
    return DegreesToSemicircles(dMoved) == nSemicircle ? dMoved : dDegrees;
}

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view TrimXmlBlanks(std::string_view text) {
    while (!text.empty() && IsXmlBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsXmlBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// XML cannot hold the control characters other than tab, line feed and CR at
// all; they travel as the pictures of control characters (U+2401 for 0x01).
constexpr char32_t CONTROL_PICTURES = 0x2400;
// Nor these two, written as the replacement character.
constexpr char32_t NOT_CHARACTERS[] = {0xFFFE, 0xFFFF};
constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

bool IsForbiddenControl(char32_t c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Printable ASCII without markup characters: most text, which passes as it is.
constexpr std::array<bool, 256> PlainBytes() {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c <= 0x7E; ++c) {
        plain[static_cast<size_t>(c)] = c != '&' && c != '<' && c != '>';
    }
    return plain;
}

constexpr std::array<bool, 256> PLAIN_BYTES = PlainBytes();

bool IsPlainText(std::string_view text) {
    bool bPlain = true;
    for (char c : text) {
        bPlain &= PLAIN_BYTES[static_cast<unsigned char>(c)];
    }
    return bPlain;
}

// Appends text as element content: markup characters escaped, a CR kept as a
// reference (a reader would turn a raw one into a line feed).
void AppendContent(std::string& out, std::string_view utf8, bool bAsciiOnly) {
    if (IsPlainText(utf8)) {
        out.append(utf8);
        return;
    }
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = NextCharacter(utf8, i);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                if (IsForbiddenControl(c)) {
                    c += CONTROL_PICTURES;
                } else if (c == NOT_CHARACTERS[0] || c == NOT_CHARACTERS[1]) {
                    c = REPLACEMENT_CHARACTER;
                }
                if (c >= 0x80 && bAsciiOnly) {
                    out += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
                } else {
                    AppendUtf8(out, c);
                }
        }
    }
}

// The element's text of a field: the field itself when it needs no escaping,
// else its escaped text in scratch.
std::string_view ContentOf(std::string_view utf8, bool bAsciiOnly, std::string& scratch) {
    if (IsPlainText(utf8)) {
        return utf8;
    }
    scratch.clear();
    AppendContent(scratch, utf8, bAsciiOnly);
    return scratch;
}

// Writes pieces one after another into a string grown ahead for the bytes
// they are expected to take (and further should they take more); Finish cuts
// it to what was written.
class CPieceWriter {
public:
    CPieceWriter(std::string& out, size_t nExpected) : m_out(out) {
        size_t nStart = out.size();
        out.resize(nStart + nExpected);
        m_pAt = out.data() + nStart;
    }
    CPieceWriter& operator<<(std::string_view piece) {
        if (piece.size() > static_cast<size_t>(m_out.data() + m_out.size() - m_pAt)) {
            Grow(piece.size());
        }
        std::memcpy(m_pAt, piece.data(), piece.size());
        m_pAt += piece.size();
        return *this;
    }
    void Finish() { m_out.resize(Written()); }

private:
    size_t Written() const { return static_cast<size_t>(m_pAt - m_out.data()); }
    void Grow(size_t nMore) {
        size_t nWritten = Written();
        m_out.resize(std::max(2 * m_out.size(), nWritten + nMore));
        m_pAt = m_out.data() + nWritten;
    }

    std::string& m_out;
    char* m_pAt;
};

// The waypoint's text of an element's text: the pictures of the control
// characters stand for them again.
std::string TextOf(std::string_view utf8) {
    if (IsPlainText(utf8)) {
        return std::string(utf8);
    }
    std::string text;
    text.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = NextCharacter(utf8, i);
        // The picture of NUL stays a character: a NUL would end the text.
        char32_t control = c - CONTROL_PICTURES;
        AppendUtf8(text, c >= CONTROL_PICTURES && control != 0 && IsForbiddenControl(control)
                             ? control
                             : c);
    }
    return text;
}

// Text up to its first NUL byte, which ends it in every kind of file.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

double CoordinateOf(const std::string& text) {
    double dValue = 0.0;
    return ParseXmlDecimal(text, dValue) ? dValue : 0.0;
}

}  // namespace

char* WriteXmlDecimal(char* pOut, double dValue) {
    if (char* pEnd = WriteCommonDecimal(pOut, dValue)) {
        return pEnd;
    }
    return std::to_chars(pOut, pOut + XML_DECIMAL_SIZE, dValue, std::chars_format::fixed).ptr;
}

double GpxLongitude(double dLongitude) {
    return dLongitude == 180.0 ? -180.0 : dLongitude;
}

bool ParseXmlDecimal(std::string_view text, double& dValue) {
    text = TrimXmlBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    bool bDigit = false;
    bool bPoint = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            bDigit = true;
        } else if (c == '.' && !bPoint) {
            bPoint = true;
        } else if (!(c == '-' && i == 0)) {
            return false;
        }
    }
    if (!bDigit) {
        return false;
    }
    auto result =
        std::from_chars(text.data(), text.data() + text.size(), dValue, std::chars_format::fixed);
    // A number past the range of a double is no number a file should hold.
    return result.ec == std::errc() && std::isfinite(dValue);
}

void CGpxFieldCodec::Decode(CWaypoint& waypoint) {
    waypoint.m_strName = TextOf(m_strName);
    waypoint.m_strComment = TextOf(m_bHasComment ? m_strComment : m_strDescription);
    waypoint.m_dLatitude = CoordinateOf(m_strLatitude);
    waypoint.m_dLongitude = CoordinateOf(m_strLongitude);
    if (m_bHasElevation) {
        double dElevation = 0.0;
        bool bNumber = ParseXmlDecimal(m_strElevation, dElevation);
        waypoint.SetElevation(bNumber ? dElevation : std::numeric_limits<double>::quiet_NaN());
    }
    if (m_bHasSymbol) {
        waypoint.SetSymbol(SymbolNumber(TrimXmlBlanks(m_strSymbol)));
    }
}

void CGpxFieldCodec::Clear() {
    for (std::string* pField : {&m_strLatitude, &m_strLongitude, &m_strElevation, &m_strName,
                                &m_strComment, &m_strDescription, &m_strSymbol}) {
        pField->clear();
    }
    m_bHasElevation = false;
    m_bHasComment = false;
    m_bHasSymbol = false;
}

CGpxElementWriter::CGpxElementWriter(std::string_view prefix, bool bAsciiOnly)
    : m_prefix(prefix),
      m_bAsciiOnly(bAsciiOnly),
      m_waypointStart("  <" + m_prefix + "wpt lat=\""),
      m_waypointEnd("  </" + m_prefix + "wpt>\n") {
    static constexpr std::string_view NAMES[CHILD_COUNT] = {"ele", "name", "cmt", "desc", "sym"};
    for (int i = 0; i < CHILD_COUNT; ++i) {
        m_childStart[i] = "    <" + m_prefix + std::string(NAMES[i]) + ">";
        m_childEnd[i] = "</" + m_prefix + std::string(NAMES[i]) + ">\n";
    }
}

void CGpxElementWriter::Append(std::string& out, const WaypointView& waypoint) {
    DecimalText latitude(OnItsSemicircle(waypoint.dLatitude));
    DecimalText longitude(OnItsSemicircle(GpxLongitude(waypoint.dLongitude)));
    DecimalText elevation(waypoint.bHasElevation ? waypoint.dElevation : 0.0);
    struct Element {
        Child child;
        std::string_view content;
    };
    Element children[CHILD_COUNT];
    size_t nChildren = 0;
    if (waypoint.bHasElevation) {
        children[nChildren++] = Element{ELEVATION, elevation.View()};
    }
    children[nChildren++] =
        Element{NAME, ContentOf(UpToNul(waypoint.name), m_bAsciiOnly, m_escaped[0])};
    if (std::string_view comment = UpToNul(waypoint.comment); !comment.empty()) {
        comment = ContentOf(comment, m_bAsciiOnly, m_escaped[1]);
        children[nChildren++] = Element{COMMENT, comment};
        children[nChildren++] = Element{DESCRIPTION, comment};
    }
    if (waypoint.bHasSymbol) {
        children[nChildren++] =
            Element{SYMBOL, ContentOf(SymbolName(waypoint.nSymbol), m_bAsciiOnly, m_escaped[2])};
    }
    constexpr std::string_view BETWEEN_COORDINATES = "\" lon=\"";
    constexpr std::string_view AFTER_COORDINATES = "\">\n";
    size_t nBytes = m_waypointStart.size() + latitude.View().size() + BETWEEN_COORDINATES.size() +
                    longitude.View().size() + AFTER_COORDINATES.size() + m_waypointEnd.size();
    for (size_t i = 0; i < nChildren; ++i) {
        nBytes += m_childStart[children[i].child].size() + children[i].content.size() +
                  m_childEnd[children[i].child].size();
    }
    CPieceWriter writer(out, nBytes);
    writer << m_waypointStart << latitude.View() << BETWEEN_COORDINATES << longitude.View()
           << AFTER_COORDINATES;
    for (size_t i = 0; i < nChildren; ++i) {
        writer << m_childStart[children[i].child] << children[i].content
               << m_childEnd[children[i].child];
    }
    writer << m_waypointEnd;
    writer.Finish();
}
