#include "files/GpxFieldCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "files/Coordinates.h"
#include "files/GarminSymbols.h"
#include "platform/Utf8.h"

namespace {

// The shortest fixed-point text that reads back as the same double, so a
// coordinate from MapSource semicircles survives the way through GPX.
void AssignDecimal(std::string& out, double dValue) {
    char text[400];  // the widest double in fixed notation has 309 digits before the point
    auto result = std::to_chars(text, text + sizeof text, dValue, std::chars_format::fixed);
    out.assign(text, result.ptr);
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
void AssignUpToNul(std::string& out, std::string_view text) {
    out.assign(text.substr(0, text.find('\0')));
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

void CGpxFieldCodec::Encode(const WaypointView& waypoint) {
    Clear();
    AssignDecimal(m_strLatitude, OnItsSemicircle(waypoint.dLatitude));
    AssignDecimal(m_strLongitude, OnItsSemicircle(GpxLongitude(waypoint.dLongitude)));
    m_bHasElevation = waypoint.bHasElevation;
    if (m_bHasElevation) {
        AssignDecimal(m_strElevation, waypoint.dElevation);
    }
    AssignUpToNul(m_strName, waypoint.name);
    AssignUpToNul(m_strComment, waypoint.comment);
    m_strDescription = m_strComment;
    m_bHasComment = !m_strComment.empty();
    m_bHasSymbol = waypoint.bHasSymbol;
    if (m_bHasSymbol) {
        m_strSymbol = SymbolName(waypoint.nSymbol);
    }
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
    struct Child {
        std::string_view name;
        std::string_view content;
    };
    Child children[5];
    size_t nChildren = 0;
    auto add = [&](std::string_view name, const std::string& field, std::string& scratch) {
        children[nChildren++] = Child{name, ContentOf(field, bAsciiOnly, scratch)};
    };
    std::string scratch[5];
    if (m_bHasElevation) {
        add("ele", m_strElevation, scratch[0]);
    }
    add("name", m_strName, scratch[1]);
    if (m_bHasComment) {
        add("cmt", m_strComment, scratch[2]);
        add("desc", m_strDescription, scratch[3]);
    }
    if (m_bHasSymbol) {
        add("sym", m_strSymbol, scratch[4]);
    }
    // What the pieces below take: "  <wpt lat=\"\" lon=\"\">\n", "  </wpt>\n", and for each child
    // "    <name>", "</name>\n", each name with the prefix.
    size_t nBytes = 31 + 2 * prefix.size() + m_strLatitude.size() + m_strLongitude.size();
    for (size_t i = 0; i < nChildren; ++i) {
        nBytes += 10 + 2 * (prefix.size() + children[i].name.size()) + children[i].content.size();
    }
    CPieceWriter writer(out, nBytes);
    writer << "  <" << prefix << "wpt lat=\"" << m_strLatitude << "\" lon=\"" << m_strLongitude
           << "\">\n";
    for (size_t i = 0; i < nChildren; ++i) {
        writer << "    <" << prefix << children[i].name << ">" << children[i].content << "</"
               << prefix << children[i].name << ">\n";
    }
    writer << "  </" << prefix << "wpt>\n";
    writer.Finish();
}
