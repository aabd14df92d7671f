#include "files/GpxFieldCodec.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "files/Coordinates.h"
#include "files/GarminSymbols.h"
#include "platform/Utf8.h"

namespace {

// The shortest fixed-point text that reads back as the same double, so a
// coordinate from MapSource semicircles survives the way through GPX.
std::string FormatDecimal(double dValue) {
    char text[400];  // the widest double in fixed notation has 309 digits before the point
    auto result = std::to_chars(text, text + sizeof text, dValue, std::chars_format::fixed);
    return std::string(text, result.ptr);
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
bool IsPlainText(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E || c == '&' || c == '<' || c == '>') {
            return false;
        }
    }
    return true;
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

void AppendChild(std::string& out, std::string_view prefix, const char* pName,
                 std::string_view utf8, bool bAsciiOnly) {
    out.append("    <").append(prefix).append(pName).push_back('>');
    AppendContent(out, utf8, bAsciiOnly);
    out.append("</").append(prefix).append(pName).append(">\n");
}

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
std::string UpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

double CoordinateOf(const std::string& text) {
    double dValue = 0.0;
    return ParseXmlDecimal(text, dValue) ? dValue : 0.0;
}

}  // namespace

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

void CGpxFieldCodec::Encode(const CWaypoint& waypoint) {
    m_strLatitude = FormatDecimal(OnItsSemicircle(waypoint.m_dLatitude));
    m_strLongitude = FormatDecimal(OnItsSemicircle(GpxLongitude(waypoint.m_dLongitude)));
    m_bHasElevation = waypoint.m_bHasElevation;
    m_strElevation = m_bHasElevation ? FormatDecimal(waypoint.m_dElevation) : std::string();
    m_strName = UpToNul(waypoint.m_strName);
    m_strComment = UpToNul(waypoint.m_strComment);
    m_strDescription = m_strComment;
    m_bHasComment = !m_strComment.empty();
    m_bHasSymbol = waypoint.m_bHasSymbol;
    m_strSymbol = m_bHasSymbol ? std::string(SymbolName(waypoint.m_nSymbol)) : std::string();
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

void CGpxFieldCodec::AppendElement(std::string& out, std::string_view prefix,
                                   bool bAsciiOnly) const {
    out.append("  <").append(prefix).append("wpt lat=\"").append(m_strLatitude);
    out.append("\" lon=\"").append(m_strLongitude).append("\">\n");
    if (m_bHasElevation) {
        AppendChild(out, prefix, "ele", m_strElevation, bAsciiOnly);
    }
    AppendChild(out, prefix, "name", m_strName, bAsciiOnly);
    if (m_bHasComment) {
        AppendChild(out, prefix, "cmt", m_strComment, bAsciiOnly);
        AppendChild(out, prefix, "desc", m_strDescription, bAsciiOnly);
    }
    if (m_bHasSymbol) {
        AppendChild(out, prefix, "sym", m_strSymbol, bAsciiOnly);
    }
    out.append("  </").append(prefix).append("wpt>\n");
}
