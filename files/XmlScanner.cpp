#include "files/XmlScanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/AsciiCase.h"
#include "platform/PlatformFile.h"
#include "platform/Utf8.h"

namespace {

// Deeper nesting than any GPX file has is left to the general parser, which
// also bounds the markup that brings it to the scanner's nesting.
constexpr size_t MAX_DEPTH = 64;
// Each attribute is compared with those before it: an element with more than
// this many is left to the general parser, which hashes them.
constexpr size_t MAX_ATTRIBUTES = 32;
// A reference longer than this (leading zeros) is left to the general parser.
constexpr size_t MAX_REFERENCE = 32;

enum ByteClass : unsigned char {
    NAME_START = 1,   // may begin a name
    NAME = 2,         // may go on with a name
    PLAIN_TEXT = 4,   // character data that needs no second look
    PLAIN_VALUE = 8,  // an attribute value's byte that needs no second look
    BLANK = 16,       // white space between markup
};

constexpr std::array<unsigned char, 256> ByteClasses() {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        unsigned char cls = 0;
        bool bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (bLetter || c == '_' || c == ':') {
            cls |= NAME_START | NAME;
        }
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') {
            cls |= NAME;
        }
        if ((c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != ']') || c == '\t' || c == '\n') {
            cls |= PLAIN_TEXT;
        }
        if (c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != '"' && c != '\'') {
            cls |= PLAIN_VALUE;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            cls |= BLANK;
        }
        classes[static_cast<size_t>(c)] = cls;
    }
    return classes;
}

constexpr std::array<unsigned char, 256> BYTE_CLASSES = ByteClasses();

bool Is(unsigned char c, ByteClass cls) {
    return (BYTE_CLASSES[c] & cls) != 0;
}

// The length of the UTF-8 character at p that XML allows; 0 when it is not
// one, -1 when the bytes at hand end inside it.
int CharacterLength(const unsigned char* p, const unsigned char* pEnd) {
    auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    unsigned char c = p[0];
    if (c < 0x80) {
        return c >= 0x20 || Is(c, BLANK) ? 1 : 0;
    }
    int nLength = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
    if (nLength == 0) {
        return 0;
    }
    for (int i = 1; i < nLength; ++i) {
        if (p + i == pEnd) {
            return -1;
        }
        if (!continuation(p[i])) {
            return 0;
        }
    }
    unsigned char c1 = p[1];
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F) || (c == 0xEF && c1 == 0xBF && p[2] > 0xBD)) {
        return 0;  // too long a form, a surrogate, past U+10FFFF, U+FFFE or U+FFFF
    }
    return nLength;
}

bool IsXmlCharacter(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The character a reference between '&' and ';' stands for; false for one
// the general parser must judge.
bool ReferencedCharacter(std::string_view reference, std::string& text) {
    static constexpr std::pair<std::string_view, char> PREDEFINED[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, character] : PREDEFINED) {
        if (reference == name) {
            text.assign(1, character);
            return true;
        }
    }
    if (reference.size() < 2 || reference[0] != '#') {
        return false;
    }
    bool bHex = reference[1] == 'x';
    std::string_view digits = reference.substr(bHex ? 2 : 1);
    if (digits.empty()) {
        return false;
    }
    uint32_t nCode = 0;
    for (char c : digits) {
        int nDigit = c >= '0' && c <= '9'           ? c - '0'
                     : bHex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                     : bHex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
        if (nDigit < 0) {
            return false;
        }
        nCode = nCode * (bHex ? 16 : 10) + static_cast<uint32_t>(nDigit);
        if (nCode > 0x10FFFF) {
            return false;
        }
    }
    if (!IsXmlCharacter(nCode)) {
        return false;
    }
    text.clear();
    AppendUtf8(text, static_cast<char32_t>(nCode));
    return true;
}

// Lines are counted for every waypoint: sixteen bytes at a time where the
// processor can.
uint64_t CountLineFeeds(const unsigned char* p, const unsigned char* pEnd) {
    uint64_t nFeeds = 0;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    while (pEnd - p >= 16) {
        // Up to 255 blocks, each match adding one to its byte, then summed.
        __m128i counts = _mm_setzero_si128();
        for (int nBlocks = 0; nBlocks < 255 && pEnd - p >= 16; ++nBlocks, p += 16) {
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(block, feed));
        }
        __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        nFeeds += static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
                  static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    for (; p < pEnd; ++p) {
        nFeeds += *p == '\n';
    }
    return nFeeds;
}

bool StartsWith(const unsigned char* p, const unsigned char* pEnd, std::string_view text) {
    return static_cast<size_t>(pEnd - p) >= text.size() &&
           std::memcmp(p, text.data(), text.size()) == 0;
}

// Moves p past the blanks there; false when the bytes at hand end in them.
bool PassBlanks(const unsigned char*& p, const unsigned char* pEnd) {
    while (p < pEnd && Is(*p, BLANK)) {
        ++p;
    }
    return p < pEnd;
}

// Reads the name at p, which begins with a name's first byte; p then follows
// it. False when the bytes at hand end within it.
bool TakeName(const unsigned char*& p, const unsigned char* pEnd, std::string_view& name) {
    const unsigned char* pStart = p;
    while (p < pEnd && Is(*p, NAME)) {
        ++p;
    }
    name = std::string_view(reinterpret_cast<const char*>(pStart), static_cast<size_t>(p - pStart));
    return p < pEnd;
}

}  // namespace

CXmlScanner::CXmlScanner(Events& events, size_t nBufferSize)
    : m_events(events), m_nBufferSize(nBufferSize) {}

CXmlScanner::~CXmlScanner() = default;

CXmlScanner::Outcome CXmlScanner::Scan(CPlatformFile& file) {
    m_pFile = &file;
    m_pBuffer = std::make_unique<unsigned char[]>(m_nBufferSize);
    if (!Refill()) {
        return Outcome::Failed;
    }
    for (Step step = DocumentStart();; step = NextPiece()) {
        switch (step) {
            case Step::Next:
                break;
            case Step::NeedMore:
                if (m_bAtEnd || (m_nPos == 0 && m_nFilled == m_nBufferSize)) {
                    HandOverHere();  // cut off, or too large a piece
                    return Outcome::HandOver;
                }
                if (!Refill()) {
                    return Outcome::Failed;
                }
                break;
            case Step::HandOver:
                return Outcome::HandOver;
            case Step::Stop:
                return Outcome::Stopped;
            case Step::End:
                return Outcome::Done;
        }
    }
}

// Keeps the bytes from m_nPos on and reads the file after them.
bool CXmlScanner::Refill() {
    LineAt(Offset(m_nPos));  // the bytes before are about to go
    m_nFilled -= m_nPos;
    std::memmove(m_pBuffer.get(), At(m_nPos), m_nFilled);
    m_nBufferOffset += m_nPos;
    m_nPos = 0;
    size_t nWanted = m_nBufferSize - m_nFilled;
    size_t nRead = m_pFile->Read(m_pBuffer.get() + m_nFilled, nWanted);
    if (m_pFile->HasFailed()) {
        return false;
    }
    m_nFilled += nRead;
    m_bAtEnd = nRead < nWanted;
    return true;
}

CXmlScanner::Step CXmlScanner::HandOverHere() {
    m_resume.nOffset = Offset(m_nPos);
    m_resume.bFromStart = m_phase == Phase::Prolog;
    if (m_resume.bFromStart) {
        m_resume.nOffset = 0;
        return Step::HandOver;
    }
    m_resume.nLine = LineAt(m_resume.nOffset);
    m_resume.context.clear();
    for (const std::string& name : m_open) {
        m_resume.context += "<" + name + ">";
    }
    if (m_phase == Phase::Epilog) {
        m_resume.context = "<x/>";
    }
    return Step::HandOver;
}

// A line ends at LF, at CR LF and at a CR of its own.
uint64_t CXmlScanner::LineAt(uint64_t nOffset) {
    if (nOffset <= m_nCountedTo) {
        return m_nLine;
    }
    const unsigned char* p = At(static_cast<size_t>(m_nCountedTo - m_nBufferOffset));
    const unsigned char* pEnd = At(static_cast<size_t>(nOffset - m_nBufferOffset));
    uint64_t nLines = CountLineFeeds(p, pEnd);
    if (m_chBeforeCounted == '\r' || std::memchr(p, '\r', static_cast<size_t>(pEnd - p))) {
        unsigned char chBefore = m_chBeforeCounted;
        for (const unsigned char* q = p; q < pEnd; chBefore = *q++) {
            if (*q == '\r') {
                ++nLines;
            } else if (*q == '\n' && chBefore == '\r') {
                --nLines;
            }
        }
    }
    m_chBeforeCounted = pEnd[-1];
    m_nLine += nLines;
    m_nCountedTo = nOffset;
    return m_nLine;
}

CXmlScanner::Step CXmlScanner::NextPiece() {
    switch (m_phase) {
        case Phase::Prolog:
            return PrologPiece();
        case Phase::Content:
            return ContentPiece();
        case Phase::Epilog:
            return EpilogPiece();
    }
    return Step::HandOver;
}

// Only blanks and comments may come between the declaration and the root:
// anything else (a document type above all) is read by the general parser
// from the start.
CXmlScanner::Step CXmlScanner::PrologPiece() {
    const unsigned char* p = At(m_nPos);
    const unsigned char* pEnd = End();
    if (p == pEnd) {
        return m_bAtEnd ? HandOverHere() : Step::NeedMore;
    }
    if (Is(*p, BLANK)) {
        return Blanks();
    }
    if (pEnd - p < 4) {
        return m_bAtEnd ? HandOverHere() : Step::NeedMore;
    }
    if (StartsWith(p, pEnd, "<!--")) {
        return Comment();
    }
    if (p[0] == '<' && Is(p[1], NAME_START)) {
        return StartTag();
    }
    return HandOverHere();
}

// A byte order mark and an XML declaration, which the first bytes read hold whole if there is one.
CXmlScanner::Step CXmlScanner::DocumentStart() {
    if (StartsWith(At(0), End(), "\xEF\xBB\xBF")) {
        m_nPos = 3;
    }
    return StartsWith(At(m_nPos), End(), "<?xml") ? XmlDeclaration() : Step::Next;
}

// version 1.0, an encoding of UTF-8 if any, and a standalone yes or no.
CXmlScanner::Step CXmlScanner::XmlDeclaration() {
    const unsigned char* p = At(m_nPos) + 5;
    const unsigned char* pEnd = End();
    const unsigned char* pClose = nullptr;
    for (const unsigned char* q = p; q + 1 < pEnd; ++q) {
        if (q[0] == '?' && q[1] == '>') {
            pClose = q;
            break;
        }
    }
    if (pClose == nullptr) {
        return HandOverHere();
    }
    std::string_view declaration(reinterpret_cast<const char*>(p), static_cast<size_t>(pClose - p));
    auto skipBlanks = [&declaration] {
        size_t nBlanks = 0;
        while (nBlanks < declaration.size() &&
               Is(static_cast<unsigned char>(declaration[nBlanks]), BLANK)) {
            ++nBlanks;
        }
        declaration.remove_prefix(nBlanks);
        return nBlanks > 0;
    };
    // Takes ' name="value"' (either quote, blanks around '='), if its value is one of those given.
    auto take = [&](std::string_view name, std::initializer_list<std::string_view> values,
                    bool bIgnoreCase) {
        std::string_view rest = declaration;
        if (!skipBlanks() || declaration.substr(0, name.size()) != name) {
            declaration = rest;
            return false;
        }
        declaration.remove_prefix(name.size());
        skipBlanks();
        if (declaration.empty() || declaration[0] != '=') {
            return false;
        }
        declaration.remove_prefix(1);
        skipBlanks();
        if (declaration.empty() || (declaration[0] != '"' && declaration[0] != '\'')) {
            return false;
        }
        size_t nClose = declaration.find(declaration[0], 1);
        if (nClose == std::string_view::npos) {
            return false;
        }
        std::string_view value = declaration.substr(1, nClose - 1);
        declaration.remove_prefix(nClose + 1);
        for (std::string_view allowed : values) {
            if (bIgnoreCase ? EqualIgnoringCase(value, allowed) : value == allowed) {
                return true;
            }
        }
        return false;
    };
    std::string_view start = declaration;
    if (!take("version", {"1.0"}, false)) {
        return HandOverHere();
    }
    start = declaration;
    if (!take("encoding", {"UTF-8"}, true) && declaration != start) {
        return HandOverHere();
    }
    start = declaration;
    if (!take("standalone", {"yes", "no"}, false) && declaration != start) {
        return HandOverHere();
    }
    skipBlanks();
    if (!declaration.empty()) {
        return HandOverHere();
    }
    m_nPos = PosOf(pClose + 2);
    return Step::Next;
}

CXmlScanner::Step CXmlScanner::EpilogPiece() {
    const unsigned char* p = At(m_nPos);
    const unsigned char* pEnd = End();
    if (p == pEnd) {
        return m_bAtEnd ? Step::End : Step::NeedMore;
    }
    if (Is(*p, BLANK)) {
        return Blanks();
    }
    if (pEnd - p < 4 && !m_bAtEnd) {
        return Step::NeedMore;
    }
    return StartsWith(p, pEnd, "<!--") ? Comment() : HandOverHere();
}

CXmlScanner::Step CXmlScanner::ContentPiece() {
    const unsigned char* p = At(m_nPos);
    const unsigned char* pEnd = End();
    if (p == pEnd) {
        return Step::NeedMore;
    }
    if (*p == '&') {
        return Reference();
    }
    if (*p != '<') {
        return Text();
    }
    if (pEnd - p < 9 && !m_bAtEnd) {
        return Step::NeedMore;  // enough to tell the kinds of markup apart
    }
    if (pEnd - p >= 2 && Is(p[1], NAME_START)) {
        return StartTag();
    }
    if (pEnd - p >= 2 && p[1] == '/') {
        return EndTag();
    }
    if (StartsWith(p, pEnd, "<!--")) {
        return Comment();
    }
    if (StartsWith(p, pEnd, "<![CDATA[")) {
        return CData();
    }
    return HandOverHere();
}

CXmlScanner::Step CXmlScanner::Blanks() {
    const unsigned char* p = At(m_nPos);
    const unsigned char* pEnd = End();
    PassBlanks(p, pEnd);
    m_nPos = PosOf(p);
    return Step::Next;
}

// "--" may stand only before the closing '>'.
CXmlScanner::Step CXmlScanner::Comment() {
    const unsigned char* pEnd = End();
    for (const unsigned char* p = At(m_nPos) + 4; p < pEnd;) {
        unsigned char c = *p;
        if (c == '-') {
            if (pEnd - p < 3) {
                return Step::NeedMore;
            }
            if (p[1] != '-') {
                ++p;
                continue;
            }
            if (p[2] != '>') {
                return HandOverHere();
            }
            m_nPos = PosOf(p + 3);
            return Step::Next;
        }
        int nLength = CharacterLength(p, pEnd);
        if (nLength <= 0) {
            return nLength < 0 ? Step::NeedMore : HandOverHere();
        }
        p += nLength;
    }
    return Step::NeedMore;
}

// A CDATA section's text is character data as it stands, but for its line ends.
CXmlScanner::Step CXmlScanner::CData() {
    const unsigned char* pStart = At(m_nPos) + 9;
    const unsigned char* pEnd = End();
    const unsigned char* p = pStart;
    while (p < pEnd) {
        unsigned char c = *p;
        if (c == ']' && pEnd - p >= 3 && p[1] == ']' && p[2] == '>') {
            break;
        }
        int nLength = CharacterLength(p, pEnd);
        if (nLength <= 0) {
            return nLength < 0 ? Step::NeedMore : HandOverHere();
        }
        p += nLength;
    }
    if (p == pEnd) {
        return Step::NeedMore;
    }
    // Reported in pieces that end before each CR, as a line end of their own.
    m_nEventStart = Offset(m_nPos);
    m_nEventLength = static_cast<uint64_t>(p + 3 - At(m_nPos));
    size_t nAfter = PosOf(p + 3);
    for (const unsigned char* q = pStart; q < p;) {
        auto* pCr =
            static_cast<const unsigned char*>(std::memchr(q, '\r', static_cast<size_t>(p - q)));
        const unsigned char* pPieceEnd = pCr != nullptr ? pCr : p;
        if (pPieceEnd > q) {
            m_events.OnText(std::string_view(reinterpret_cast<const char*>(q),
                                             static_cast<size_t>(pPieceEnd - q)));
        }
        if (pCr == nullptr) {
            break;
        }
        m_events.OnText("\n");
        q = pCr + 1 < p && pCr[1] == '\n' ? pCr + 2 : pCr + 1;
    }
    m_nPos = nAfter;
    return m_bStopped ? Step::Stop : Step::Next;
}

// Character data up to the next markup or reference. A CR (alone or before an
// LF) is reported as an LF of its own.
CXmlScanner::Step CXmlScanner::Text() {
    const unsigned char* p = At(m_nPos);
    const unsigned char* pEnd = End();
    for (;;) {
        while (p < pEnd && Is(*p, PLAIN_TEXT)) {
            ++p;
        }
        if (p == pEnd) {
            return ReportText(p);
        }
        unsigned char c = *p;
        if (c == '<' || c == '&') {
            return ReportText(p);
        }
        if (c == '\r') {
            if (pEnd - p < 2 && (!m_bAtEnd || p > At(m_nPos))) {
                return ReportText(p);
            }
            if (pEnd - p < 2) {
                // A CR that ends a cut-off file: expat names the line of the
                // fault as it counts such a CR.
                return HandOverHere();
            }
            if (p > At(m_nPos)) {
                return ReportText(p);  // the CR comes next
            }
            size_t nAfter = PosOf(pEnd - p >= 2 && p[1] == '\n' ? p + 2 : p + 1);
            return Report("\n", 1, nAfter);
        }
        if (c == ']') {
            if (pEnd - p < 3) {
                return m_bAtEnd ? HandOverHere() : ReportText(p);
            }
            if (p[1] == ']' && p[2] == '>') {
                return HandOverHere();
            }
            ++p;
            continue;
        }
        int nLength = CharacterLength(p, pEnd);  // not ASCII, or a control character
        if (nLength == 0) {
            return HandOverHere();
        }
        if (nLength < 0) {
            return ReportText(p);
        }
        p += nLength;
    }
}

CXmlScanner::Step CXmlScanner::ReportText(const unsigned char* pEnd) {
    const unsigned char* p = At(m_nPos);
    if (pEnd == p) {
        return Step::NeedMore;
    }
    return Report(reinterpret_cast<const char*>(p), static_cast<size_t>(pEnd - p), PosOf(pEnd));
}

// Reports text that stands from m_nPos up to nEnd in the buffer.
CXmlScanner::Step CXmlScanner::Report(const char* pText, size_t nLength, size_t nEnd) {
    if (!m_events.WantsText()) {
        m_nPos = nEnd;
        return Step::Next;
    }
    m_nEventStart = Offset(m_nPos);
    m_nEventLength = nEnd - m_nPos;
    m_nPos = nEnd;
    m_events.OnText(std::string_view(pText, nLength));
    return m_bStopped ? Step::Stop : Step::Next;
}

void CXmlScanner::SkipUnwantedBlanks() {
    if (m_phase != Phase::Content || m_events.WantsText()) {
        return;
    }
    const unsigned char* p = At(m_nPos);
    const unsigned char* pEnd = End();
    PassBlanks(p, pEnd);
    // Only blanks before markup: elsewhere the text reading goes on as it
    // would, and a fault found there keeps its place.
    if (p < pEnd && *p == '<') {
        m_nPos = PosOf(p);
    }
}

CXmlScanner::Step CXmlScanner::Reference() {
    const unsigned char* p = At(m_nPos) + 1;
    const unsigned char* pEnd = End();
    auto* pSemicolon = static_cast<const unsigned char*>(
        std::memchr(p, ';', std::min<size_t>(static_cast<size_t>(pEnd - p), MAX_REFERENCE)));
    if (pSemicolon == nullptr) {
        return static_cast<size_t>(pEnd - p) < MAX_REFERENCE ? Step::NeedMore : HandOverHere();
    }
    std::string_view reference(reinterpret_cast<const char*>(p),
                               static_cast<size_t>(pSemicolon - p));
    if (!ReferencedCharacter(reference, m_reference)) {
        return HandOverHere();
    }
    return Report(m_reference.data(), m_reference.size(), PosOf(pSemicolon + 1));
}

CXmlScanner::Step CXmlScanner::StartTag() {
    const unsigned char* p = At(m_nPos) + 1;
    const unsigned char* pEnd = End();
    std::string_view name;
    if (!TakeName(p, pEnd, name)) {
        return Step::NeedMore;
    }
    m_pending.clear();
    m_values.clear();
    bool bEmpty = false;
    for (;;) {
        if (p == pEnd) {
            return Step::NeedMore;
        }
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (pEnd - p < 2) {
                return Step::NeedMore;
            }
            if (p[1] != '>') {
                return HandOverHere();
            }
            p += 2;
            bEmpty = true;
            break;
        }
        if (!Is(*p, BLANK)) {
            return HandOverHere();  // a name that is not ASCII, or no blank before an attribute
        }
        if (!PassBlanks(p, pEnd)) {
            return Step::NeedMore;
        }
        if (*p == '>' || *p == '/') {
            continue;
        }
        if (!Is(*p, NAME_START)) {
            return HandOverHere();
        }
        PendingAttribute attribute{};
        if (!TakeName(p, pEnd, attribute.name)) {
            return Step::NeedMore;
        }
        if (!PassBlanks(p, pEnd)) {
            return Step::NeedMore;
        }
        if (*p != '=') {
            return HandOverHere();
        }
        ++p;
        if (!PassBlanks(p, pEnd)) {
            return Step::NeedMore;
        }
        if (Step step = AttributeValue(p, attribute); step != Step::Next) {
            return step;
        }
        if (m_pending.size() == MAX_ATTRIBUTES) {
            return HandOverHere();
        }
        for (const PendingAttribute& earlier : m_pending) {
            if (earlier.name == attribute.name) {
                return HandOverHere();
            }
        }
        m_pending.push_back(attribute);
    }
    if (m_open.size() == MAX_DEPTH) {
        return HandOverHere();
    }
    m_attributes.clear();
    for (const PendingAttribute& attribute : m_pending) {
        const char* pValue = attribute.bReplaced ? m_values.data() + attribute.nAt
                                                 : reinterpret_cast<const char*>(At(attribute.nAt));
        m_attributes.push_back({attribute.name, std::string_view(pValue, attribute.nLength)});
    }
    m_nEventStart = Offset(m_nPos);
    m_nEventLength = static_cast<uint64_t>(p - At(m_nPos));
    size_t nAfter = PosOf(p);
    m_open.emplace_back(name);
    m_phase = Phase::Content;
    m_events.OnStart(name, m_attributes);
    m_nPos = nAfter;
    if (bEmpty && !m_bStopped) {
        m_nEventLength = 0;
        ReportEnd();
    }
    return AfterTag();
}

// The value's bytes stay where they are unless a reference or a blank other
// than a space is to be replaced: then the value is copied into m_values.
CXmlScanner::Step CXmlScanner::AttributeValue(const unsigned char*& p,
                                              PendingAttribute& attribute) {
    const unsigned char* pEnd = End();
    unsigned char quote = *p;
    if (quote != '"' && quote != '\'') {
        return HandOverHere();
    }
    const unsigned char* pStart = ++p;
    attribute.bReplaced = false;
    attribute.nAt = PosOf(pStart);
    auto replace = [&] {
        if (!attribute.bReplaced) {
            attribute.bReplaced = true;
            attribute.nAt = m_values.size();
            m_values.append(reinterpret_cast<const char*>(pStart), static_cast<size_t>(p - pStart));
        }
    };
    for (;;) {
        const unsigned char* pRun = p;
        while (p < pEnd && Is(*p, PLAIN_VALUE)) {
            ++p;
        }
        if (attribute.bReplaced) {
            m_values.append(reinterpret_cast<const char*>(pRun), static_cast<size_t>(p - pRun));
        }
        if (p == pEnd) {
            return Step::NeedMore;
        }
        unsigned char c = *p;
        if (c == quote) {
            break;
        }
        if (c == '"' || c == '\'') {
            if (attribute.bReplaced) {
                m_values += static_cast<char>(c);
            }
            ++p;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            if (c == '\r' && pEnd - p < 2) {
                return Step::NeedMore;
            }
            replace();
            m_values += ' ';
            p += c == '\r' && p[1] == '\n' ? 2 : 1;
        } else if (c == '&') {
            auto* pSemicolon = static_cast<const unsigned char*>(std::memchr(
                p, ';', std::min<size_t>(static_cast<size_t>(pEnd - p), MAX_REFERENCE)));
            if (pSemicolon == nullptr) {
                return static_cast<size_t>(pEnd - p) < MAX_REFERENCE ? Step::NeedMore
                                                                     : HandOverHere();
            }
            std::string_view reference(reinterpret_cast<const char*>(p + 1),
                                       static_cast<size_t>(pSemicolon - p - 1));
            if (!ReferencedCharacter(reference, m_reference)) {
                return HandOverHere();
            }
            replace();
            m_values += m_reference;
            p = pSemicolon + 1;
        } else if (c >= 0x80) {
            int nLength = CharacterLength(p, pEnd);
            if (nLength <= 0) {
                return nLength < 0 ? Step::NeedMore : HandOverHere();
            }
            if (attribute.bReplaced) {
                m_values.append(reinterpret_cast<const char*>(p), static_cast<size_t>(nLength));
            }
            p += nLength;
        } else {
            return HandOverHere();  // '<' or a control character
        }
    }
    attribute.nLength =
        attribute.bReplaced ? m_values.size() - attribute.nAt : static_cast<size_t>(p - pStart);
    ++p;
    return Step::Next;
}

CXmlScanner::Step CXmlScanner::EndTag() {
    const unsigned char* p = At(m_nPos) + 2;
    const unsigned char* pEnd = End();
    const std::string& open = m_open.back();
    if (static_cast<size_t>(pEnd - p) <= open.size()) {
        return Step::NeedMore;
    }
    if (std::memcmp(p, open.data(), open.size()) != 0) {
        return HandOverHere();
    }
    p += open.size();
    if (!PassBlanks(p, pEnd)) {
        return Step::NeedMore;
    }
    if (*p != '>') {
        return HandOverHere();
    }
    m_nEventStart = Offset(m_nPos);
    m_nEventLength = static_cast<uint64_t>(p + 1 - At(m_nPos));
    m_nPos = PosOf(p + 1);
    ReportEnd();
    return AfterTag();
}

// The innermost open element ends; after the root's end comes the epilog.
void CXmlScanner::ReportEnd() {
    m_open.pop_back();
    m_events.OnEnd();
    if (m_open.empty()) {
        m_phase = Phase::Epilog;
    }
}

CXmlScanner::Step CXmlScanner::AfterTag() {
    if (m_bStopped) {
        return Step::Stop;
    }
    SkipUnwantedBlanks();
    return Step::Next;
}
