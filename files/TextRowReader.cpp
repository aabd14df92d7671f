#include "files/TextRowReader.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/PlatformFile.h"
#include "platform/Utf8.h"

namespace {

constexpr size_t BUFFER_SIZE = 1 << 17;  // twice the file's, so that reads skip its buffer
constexpr char TEXT_END = 0x1A;

const char* FindFirst(const char* pStart, const char* pEnd, char c) {
    return static_cast<const char*>(std::memchr(pStart, c, static_cast<size_t>(pEnd - pStart)));
}

constexpr size_t BLOCK_SIZE = 16;

// For each byte of a block, lowest first: a bit in nStops when it is the
// delimiter or a byte that ends a plain row's reading (a line end, a quote,
// NUL, 0x1A), and one in nBeyondAscii when it is not ASCII.
struct BlockBytes {
    uint32_t nStops = 0;
    uint32_t nBeyondAscii = 0;
};

BlockBytes ClassifyBlock(const char* p, char delimiter) {
    BlockBytes bytes;
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto equal = [&block](char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    __m128i stops = _mm_or_si128(_mm_or_si128(equal(delimiter), equal('\n')),
                                 _mm_or_si128(equal('\r'), equal('"')));
    stops = _mm_or_si128(stops, _mm_or_si128(equal('\0'), equal(TEXT_END)));
    bytes.nStops = static_cast<uint32_t>(_mm_movemask_epi8(stops));
    bytes.nBeyondAscii = static_cast<uint32_t>(_mm_movemask_epi8(block));
#else
    for (size_t i = 0; i < BLOCK_SIZE; ++i) {
        char c = p[i];
        bool bStop =
            c == delimiter || c == '\n' || c == '\r' || c == '"' || c == '\0' || c == TEXT_END;
        bytes.nStops |= static_cast<uint32_t>(bStop) << i;
        bytes.nBeyondAscii |= static_cast<uint32_t>(static_cast<unsigned char>(c) >= 0x80) << i;
    }
#endif
    return bytes;
}

}  // namespace

CTextRowReader::CTextRowReader(CPlatformFile& file, char delimiter)
    : m_file(file),
      m_delimiter(delimiter),
      m_bQuoting(delimiter != '\0' && delimiter != '"' && delimiter != '\n' && delimiter != '\r'),
      m_bPlainRows(m_bQuoting && delimiter != TEXT_END),
      m_buffer(BUFFER_SIZE) {
    for (char c : {'\n', '\r', TEXT_END, '\0', delimiter}) {
        m_classes[static_cast<unsigned char>(c)] |= PLAIN_STOP;
    }
    for (char c : {'\n', '\r', '\0', '"'}) {
        m_classes[static_cast<unsigned char>(c)] |= QUOTED_STOP;
    }
}

bool CTextRowReader::Start() {
    m_bStarted = true;
    m_nBufferOffset = m_file.GetPosition();
    Fill();
    if (m_file.HasFailed()) {
        return false;
    }
    if (m_nEnd >= 3 && std::memcmp(m_buffer.data(), "\xEF\xBB\xBF", 3) == 0) {
        m_nPos = 3;
    }
    ChooseLineEnd();
    return !m_file.HasFailed();
}

// CR ends the lines of a text that holds CR bytes but no LF. The rest of the
// file is looked at only when its first buffer holds no LF, and only as far as
// it can matter: with no CR in the first MAX_ROW_LENGTH bytes the first row is
// too long whatever ends it.
void CTextRowReader::ChooseLineEnd() {
    const char* pStart = m_buffer.data() + m_nPos;
    const char* pEnd = m_buffer.data() + m_nEnd;
    const char* pTextEnd = FindFirst(pStart, pEnd, TEXT_END);
    pEnd = pTextEnd != nullptr ? pTextEnd : pEnd;
    if (FindFirst(pStart, pEnd, '\n') != nullptr) {
        return;
    }
    bool bCr = FindFirst(pStart, pEnd, '\r') != nullptr;
    if (pTextEnd == nullptr && m_nEnd == m_buffer.size()) {
        uint64_t nResume = m_file.GetPosition();
        std::vector<char> chunk(BUFFER_SIZE);
        uint64_t nScanned = m_nEnd;
        for (size_t nRead; (bCr || nScanned <= MAX_ROW_LENGTH) &&
                           (nRead = m_file.Read(chunk.data(), chunk.size())) > 0;
             nScanned += nRead) {
            const char* pChunkEnd = chunk.data() + nRead;
            const char* pChunkTextEnd = FindFirst(chunk.data(), pChunkEnd, TEXT_END);
            pChunkEnd = pChunkTextEnd != nullptr ? pChunkTextEnd : pChunkEnd;
            if (FindFirst(chunk.data(), pChunkEnd, '\n') != nullptr) {
                bCr = false;
                break;
            }
            bCr = bCr || FindFirst(chunk.data(), pChunkEnd, '\r') != nullptr;
            if (pChunkTextEnd != nullptr) {
                break;
            }
        }
        if (!m_file.Seek(static_cast<int64_t>(nResume), CPlatformFile::SeekFrom::Begin)) {
            return;
        }
    }
    m_bCrEndsLines = bCr;
}

// Keeps the row being read and reads more after it, in a buffer grown when
// the row fills it; false when nothing more came.
bool CTextRowReader::Fill() {
    if (m_nRowPos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nRowPos, m_nEnd - m_nRowPos);
        m_nBufferOffset += m_nRowPos;
        m_nEnd -= m_nRowPos;
        m_nPos -= m_nRowPos;
        m_nRowPos = 0;
    }
    if (m_buffer.size() - m_nEnd < BUFFER_SIZE / 2) {
        m_buffer.resize(m_buffer.size() * 2);
    }
    size_t nRead = m_file.Read(m_buffer.data() + m_nEnd, m_buffer.size() - m_nEnd);
    m_nEnd += nRead;
    return nRead > 0;
}

void CTextRowReader::AddRun(Span& field, size_t nPos, size_t nLength) {
    size_t nStart = nPos - m_nRowPos;
    if (!field.bCopied && field.nLength == 0) {
        field.nStart = nStart;
    } else if (field.bCopied || field.nStart + field.nLength != nStart) {
        Copy(field);
        m_copies.append(m_buffer.data() + nPos, nLength);
    }
    field.nLength += nLength;
}

void CTextRowReader::AddCopied(Span& field, char c) {
    Copy(field);
    m_copies.push_back(c);
    ++field.nLength;
}

// Only the row's last field grows, so its copy is always at the end.
void CTextRowReader::Copy(Span& field) {
    if (!field.bCopied) {
        size_t nAt = m_copies.size();
        m_copies.append(m_buffer.data() + m_nRowPos + field.nStart, field.nLength);
        field.nStart = nAt;
        field.bCopied = true;
    }
}

void CTextRowReader::ViewFields(std::vector<std::string_view>& fields) const {
    fields.clear();
    for (const Span& span : m_spans) {
        const char* pBase = span.bCopied ? m_copies.data() : m_buffer.data() + m_nRowPos;
        fields.emplace_back(pBase + span.nStart, span.nLength);
    }
}

int CTextRowReader::PeekNext() {
    if (m_nPos + 1 >= m_nEnd && !Fill()) {
        return -1;
    }
    return static_cast<unsigned char>(m_buffer[m_nPos + 1]);
}

CTextRowReader::Result CTextRowReader::Next(std::vector<std::string_view>& fields) {
    if (ReadPlainRow(fields)) {
        return Result::Row;
    }
    Result result = ReadRow();
    ViewFields(fields);
    m_bRowAscii = std::all_of(fields.begin(), fields.end(), IsAscii);
    return result;
}

// Most rows are plain: the delimiter splits them and CR LF or LF ends them.
// Their stop bytes are found a block at a time; at the first that asks for
// more than a split, the row is left to ReadRow, as is one that the buffer
// does not hold to its line end. The last field, when empty, is no field.
bool CTextRowReader::ReadPlainRow(std::vector<std::string_view>& fields) {
    if (!m_bStarted || m_bEnded || m_bCrEndsLines || !m_bPlainRows) {
        return false;
    }
    size_t nFields = 0;  // fields keeps the views of the last row, to be overwritten
    auto addField = [&fields, &nFields](const char* pStart, const char* pStop) {
        std::string_view field(pStart, static_cast<size_t>(pStop - pStart));
        if (nFields < fields.size()) {
            fields[nFields] = field;
        } else {
            fields.push_back(field);
        }
        ++nFields;
    };
    const char* pRow = m_buffer.data() + m_nPos;
    const char* pEnd = m_buffer.data() + m_nEnd;
    const char* pField = pRow;
    uint32_t nBeyondAscii = 0;  // in the blocks before the current one
    for (const char* pBlock = pRow; pBlock < pEnd; pBlock += BLOCK_SIZE) {
        size_t nBytes = std::min(BLOCK_SIZE, static_cast<size_t>(pEnd - pBlock));
        BlockBytes block;
        if (nBytes == BLOCK_SIZE) {
            block = ClassifyBlock(pBlock, m_delimiter);
        } else {
            char last[BLOCK_SIZE] = {};
            std::memcpy(last, pBlock, nBytes);
            block = ClassifyBlock(last, m_delimiter);
            block.nStops &= (1u << nBytes) - 1;
        }
        for (uint32_t nStops = block.nStops; nStops != 0; nStops &= nStops - 1) {
            int nAt = __builtin_ctz(nStops);
            const char* pStop = pBlock + nAt;
            if (*pStop == m_delimiter) {
                addField(pField, pStop);
                pField = pStop + 1;
                continue;
            }
            size_t nLineEnd = *pStop == '\n'                                           ? 1
                              : *pStop == '\r' && pStop + 1 < pEnd && pStop[1] == '\n' ? 2
                                                                                       : 0;
            if (nLineEnd == 0 || static_cast<uint64_t>(pStop - pRow) > MAX_ROW_LENGTH) {
                return false;
            }
            if (pStop > pField) {
                addField(pField, pStop);
            }
            fields.erase(fields.begin() + static_cast<ptrdiff_t>(nFields), fields.end());
            m_nRowLine = m_nLine++;
            m_bRowAscii = (nBeyondAscii | (block.nBeyondAscii & ((1u << nAt) - 1))) == 0;
            m_nRowPos = m_nPos;
            m_nPos = static_cast<size_t>(pStop + nLineEnd - m_buffer.data());
            return true;
        }
        nBeyondAscii |= block.nBeyondAscii;
    }
    return false;
}

CTextRowReader::Result CTextRowReader::ReadRow() {
    m_spans.clear();
    m_copies.clear();
    if (!m_bStarted && !Start()) {
        return Result::Failed;
    }
    if (m_bEnded) {
        return Result::End;
    }
    m_nRowLine = m_nLine;
    m_nRowPos = m_nPos;
    const uint64_t nRowStart = Offset();
    bool bFieldOpen = false;  // the field being read has been added to m_spans
    bool bQuoted = false;     // inside a quoted field
    bool bCut = false;        // the field being read has had its NUL byte
    auto openField = [&] {
        if (!bFieldOpen) {
            m_spans.emplace_back();
            bFieldOpen = true;
            bCut = false;
        }
    };
    auto add = [&](size_t nPos, size_t nLength) {
        if (!bCut) {
            AddRun(m_spans.back(), nPos, nLength);
        }
    };
    auto endRow = [&](size_t nLineEndSize) {
        bool bTooLong = Offset() - nRowStart > MAX_ROW_LENGTH;  // its line end not counted
        m_nPos += nLineEndSize;
        ++m_nLine;
        return bTooLong ? Result::TooLong : Result::Row;
    };
    for (;;) {
        if (m_nPos == m_nEnd) {
            if (Offset() - nRowStart > MAX_ROW_LENGTH) {
                return Result::TooLong;
            }
            if (!Fill()) {
                m_bEnded = true;
                if (m_file.HasFailed()) {
                    return Result::Failed;
                }
                if (bQuoted) {
                    return Result::OpenQuote;
                }
                return Offset() > nRowStart ? Result::Row : Result::End;
            }
        }
        const unsigned char stop = bQuoted ? QUOTED_STOP : PLAIN_STOP;
        if (!bQuoted && !bFieldOpen && m_bQuoting && m_buffer[m_nPos] == '"') {
            openField();
            bQuoted = true;
            ++m_nPos;
            continue;
        }
        size_t nRun = m_nPos;
        while (nRun < m_nEnd && !(m_classes[static_cast<unsigned char>(m_buffer[nRun])] & stop)) {
            ++nRun;
        }
        if (nRun > m_nPos) {
            openField();
            add(m_nPos, nRun - m_nPos);
            m_nPos = nRun;
            continue;
        }
        char c = m_buffer[m_nPos];
        if (c == '\r' || c == '\n') {
            // Where CR ends lines, an LF (quoted, or after a 0x1A) is an ordinary byte.
            size_t nLineEnd = m_bCrEndsLines       ? (c == '\r' ? 1 : 0)
                              : c == '\n'          ? 1
                              : PeekNext() == '\n' ? 2
                                                   : 0;
            if (nLineEnd == 0) {
                openField();
                add(m_nPos, 1);
                ++m_nPos;
            } else if (bQuoted) {
                if (!bCut) {  // a line break inside the field, as text streams read it
                    AddCopied(m_spans.back(), '\n');
                }
                m_nPos += nLineEnd;
                ++m_nLine;
            } else {
                return endRow(nLineEnd);
            }
        } else if (c == '\0') {
            openField();
            bCut = true;
            ++m_nPos;
        } else if (bQuoted) {  // a quote: two stand for one, one closes the field
            if (PeekNext() == '"') {
                add(m_nPos, 1);
                m_nPos += 2;
            } else {
                bQuoted = false;
                ++m_nPos;
            }
        } else if (c == TEXT_END) {
            m_bEnded = true;
            return Offset() > nRowStart ? Result::Row : Result::End;
        } else {  // the delimiter
            openField();
            bFieldOpen = false;
            ++m_nPos;
        }
    }
}
