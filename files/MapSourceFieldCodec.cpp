#include "files/MapSourceFieldCodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "files/Coordinates.h"
#include "platform/LittleEndian.h"
#include "platform/Windows1252.h"

namespace {

// The bytes written around the four fields; every record of a layout has the
// same ones. Version 3: the block between the name and the latitude.
// clang-format off
constexpr unsigned char V3_AFTER_NAME[] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0x00};
// Versions 4 and 5: class 0, an empty country, the block of class 0.
constexpr unsigned char V4_AFTER_NAME[] = {
    0x00, 0x00, 0x00, 0x00,                                                  // class
    0x00,                                                                    // country
    0x00, 0x00, 0x00, 0x00,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0x00, 0x00,
    0xFF, 0xFF, 0xFF, 0xFF};
// After the comment: no proximity, display 1, colour 0, symbol 18 (or the
// waypoint's own), empty city, state and facility, one byte, no depth; then
// the version's tail.
constexpr unsigned char V3_AFTER_COMMENT[] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                   // proximity
    0x01, 0x00, 0x00, 0x00,                                                  // display
    0x00, 0x00, 0x00, 0x00,                                                  // colour
    0x12, 0x00, 0x00, 0x00,                                                  // symbol
    0x00, 0x00, 0x00,                                                        // city, state, facility
    0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                   // depth
    0x00, 0x00};                                                             // tail
constexpr unsigned char V4_AFTER_COMMENT[] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00,
    0x12, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00,
    0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                                     // tail
    0x00};                                                                   // note
// clang-format on

// Field sizes of the parts a reader skips.
constexpr size_t CLASS_SIZE = 4;
constexpr size_t FIXED_BLOCK_SIZE = 22;
constexpr size_t OPTIONAL_DOUBLE_SIZE = 9;  // a flag byte and a double
constexpr size_t DISPLAY_COLOUR_SIZE = 8;
// Where the symbol stands in the bytes after the comment (proximity, display, colour).
constexpr size_t SYMBOL_AFTER_COMMENT = OPTIONAL_DOUBLE_SIZE + DISPLAY_COLOUR_SIZE;
constexpr size_t V3_TAIL_SIZE = 2;
constexpr size_t V4_TAIL_SIZE = 6;

// True when the text has no NUL byte and no byte beyond ASCII; eight bytes
// at a time, a word having a zero byte when (word - ONES) & ~word has a high bit.
bool IsPlainAscii(std::string_view text) {
    constexpr uint64_t ONES = 0x0101010101010101ULL;
    constexpr uint64_t HIGH_BITS = 0x8080808080808080ULL;
    const char* p = text.data();
    size_t n = text.size();
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t nWord = 0;
        std::memcpy(&nWord, p, 8);
        if ((((nWord - ONES) & ~nWord) | nWord) & HIGH_BITS) {
            return false;
        }
    }
    for (; n > 0; ++p, --n) {
        if (*p == '\0' || static_cast<unsigned char>(*p) >= 0x80) {
            return false;
        }
    }
    return true;
}

// RecordText of a text that holds a NUL byte or a byte beyond ASCII, kept out
// of line so that the common case is inlined where it is used.
[[gnu::noinline]] std::string_view CutOrConvertedText(std::string_view text, std::string& converted,
                                                      int& nReplaced) {
    text = text.substr(0, text.find('\0'));
    if (IsAscii(text)) {
        return text;
    }
    converted.clear();
    ConvertToWindows1252(text, converted, nReplaced);
    return converted;
}

// The record's text: Windows-1252, up to the first NUL byte. Plain ASCII, by
// far the most common, is already that and is not copied.
std::string_view RecordText(std::string_view text, std::string& converted, int& nReplaced) {
    return IsPlainAscii(text) ? text : CutOrConvertedText(text, converted, nReplaced);
}

// Writes a record's fields one after another.
class CRecordWriter {
public:
    explicit CRecordWriter(char* pOut) : m_p(pOut) {}

    void Bytes(const void* pBytes, size_t nCount) {
        std::memcpy(m_p, pBytes, nCount);
        m_p += nCount;
    }
    template <size_t N>
    void Bytes(const unsigned char (&bytes)[N]) {
        Bytes(bytes, N);
    }
    void Byte(char c) { *m_p++ = c; }
    void Int32(uint32_t nValue) {
        StoreLittleEndian(reinterpret_cast<unsigned char*>(m_p), nValue, 4);
        m_p += 4;
    }
    void String(std::string_view text) {
        Bytes(text.data(), text.size());
        Byte('\0');
    }
    // A flag byte (1: present) and a little-endian double; all zero when absent.
    void OptionalDouble(bool bPresent, double dValue) {
        uint64_t nBits = 0;
        if (bPresent) {
            std::memcpy(&nBits, &dValue, sizeof nBits);
        }
        Byte(bPresent ? 1 : 0);
        Int32(static_cast<uint32_t>(nBits));
        Int32(static_cast<uint32_t>(nBits >> 32));
    }
    char* Position() const { return m_p; }

private:
    char* m_p;
};

// Reads the fields of a body in order; every step fails once a field would
// reach past the end.
class CBodyCursor {
public:
    CBodyCursor(const unsigned char* pBody, size_t nSize) : m_p(pBody), m_nLeft(nSize) {}

    bool Skip(size_t nCount) {
        if (nCount > m_nLeft) {
            return false;
        }
        m_p += nCount;
        m_nLeft -= nCount;
        return true;
    }
    bool String(std::string_view* pText) {
        size_t nLength = 0;  // strings are short: a loop beats a call to memchr
        while (nLength < m_nLeft && m_p[nLength] != 0) {
            ++nLength;
        }
        if (nLength == m_nLeft) {
            return false;
        }
        if (pText != nullptr) {
            *pText = std::string_view(reinterpret_cast<const char*>(m_p), nLength);
        }
        return Skip(nLength + 1);
    }
    bool Int32(int32_t& nValue) {
        if (m_nLeft < 4) {
            return false;
        }
        nValue = static_cast<int32_t>(LoadLittleEndian(m_p, 4));
        return Skip(4);
    }
    bool OptionalDouble(bool& bPresent, double& dValue) {
        if (m_nLeft < OPTIONAL_DOUBLE_SIZE) {
            return false;
        }
        uint64_t nBits = (static_cast<uint64_t>(LoadLittleEndian(m_p + 5, 4)) << 32) |
                         LoadLittleEndian(m_p + 1, 4);
        bPresent = m_p[0] != 0;
        std::memcpy(&dValue, &nBits, sizeof dValue);
        return Skip(OPTIONAL_DOUBLE_SIZE);
    }

private:
    const unsigned char* m_p;
    size_t m_nLeft;
};

}  // namespace

void CMapSourceFieldCodec::Encode(const WaypointView& waypoint) {
    m_name = RecordText(waypoint.name, m_convertedName, m_nReplaced);
    m_comment = RecordText(waypoint.comment, m_convertedComment, m_nReplaced);
    m_nLatitude = DegreesToSemicircles(waypoint.dLatitude);
    m_nLongitude = DegreesToSemicircles(waypoint.dLongitude);
    m_bHasAltitude = waypoint.bHasElevation;
    m_dAltitude = waypoint.dElevation;
    m_nSymbol = waypoint.bHasSymbol ? waypoint.nSymbol : PLAIN_WAYPOINT_SYMBOL;
}

void CMapSourceFieldCodec::Decode(CWaypoint& waypoint) {
    waypoint.m_strName = Windows1252ToUtf8(m_name);
    waypoint.m_strComment = Windows1252ToUtf8(m_comment);
    waypoint.m_dLatitude = SemicirclesToDegrees(m_nLatitude);
    waypoint.m_dLongitude = SemicirclesToDegrees(m_nLongitude);
    // A flagged altitude that is no number is taken for none: the file gives no elevation.
    if (m_bHasAltitude && std::isfinite(m_dAltitude)) {
        waypoint.SetElevation(m_dAltitude);
    }
    waypoint.SetSymbol(m_nSymbol);
}

bool CMapSourceFieldCodec::ParseBody(const unsigned char* pBody, size_t nSize,
                                     MapSourceLayout layout) {
    bool bVersion4 = layout == MapSourceLayout::Version4;
    CBodyCursor body(pBody, nSize);
    return body.String(&m_name) &&
           (!bVersion4 || (body.Skip(CLASS_SIZE) && body.String(nullptr))) &&
           body.Skip(FIXED_BLOCK_SIZE) && body.Int32(m_nLatitude) && body.Int32(m_nLongitude) &&
           body.OptionalDouble(m_bHasAltitude, m_dAltitude) && body.String(&m_comment) &&
           body.Skip(OPTIONAL_DOUBLE_SIZE + DISPLAY_COLOUR_SIZE) && body.Int32(m_nSymbol) &&
           body.String(nullptr) && body.String(nullptr) && body.String(nullptr) &&
           body.Skip(1 + OPTIONAL_DOUBLE_SIZE) &&
           (bVersion4 ? body.Skip(V4_TAIL_SIZE) && body.String(nullptr) : body.Skip(V3_TAIL_SIZE));
}

size_t CMapSourceFieldCodec::RecordSize(MapSourceLayout layout) const {
    size_t nFixed = layout == MapSourceLayout::Version4
                        ? sizeof V4_AFTER_NAME + sizeof V4_AFTER_COMMENT
                        : sizeof V3_AFTER_NAME + sizeof V3_AFTER_COMMENT;
    return MPS_RECORD_HEAD_SIZE + m_name.size() + 1 + 8 + OPTIONAL_DOUBLE_SIZE + m_comment.size() +
           1 + nFixed;
}

void CMapSourceFieldCodec::StoreRecord(char* pOut, MapSourceLayout layout) const {
    bool bVersion4 = layout == MapSourceLayout::Version4;
    CRecordWriter record(pOut);
    record.Int32(static_cast<uint32_t>(RecordSize(layout) - MPS_RECORD_HEAD_SIZE));
    record.Byte(MPS_WAYPOINT_TYPE);
    record.String(m_name);
    if (bVersion4) {
        record.Bytes(V4_AFTER_NAME);
    } else {
        record.Bytes(V3_AFTER_NAME);
    }
    record.Int32(static_cast<uint32_t>(m_nLatitude));
    record.Int32(static_cast<uint32_t>(m_nLongitude));
    record.OptionalDouble(m_bHasAltitude, m_dAltitude);
    record.String(m_comment);
    char* pAfterComment = record.Position();
    if (bVersion4) {
        record.Bytes(V4_AFTER_COMMENT);
    } else {
        record.Bytes(V3_AFTER_COMMENT);
    }
    StoreLittleEndian(reinterpret_cast<unsigned char*>(pAfterComment + SYMBOL_AFTER_COMMENT),
                      static_cast<uint32_t>(m_nSymbol), 4);
}
