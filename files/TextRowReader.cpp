#include "files/TextRowReader.h"

#include <cstring>

#include "platform/PlatformFile.h"

namespace {

constexpr size_t BUFFER_SIZE = 1 << 16;
constexpr char TEXT_END = 0x1A;

const char* FindFirst(const char* pStart, const char* pEnd, char c) {
    return static_cast<const char*>(std::memchr(pStart, c, static_cast<size_t>(pEnd - pStart)));
}

}  // namespace

CTextRowReader::CTextRowReader(CPlatformFile& file, char delimiter)
    : m_file(file),
      m_bQuoting(delimiter != '\0' && delimiter != '"' && delimiter != '\n' && delimiter != '\r'),
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

// Keeps the unread bytes and reads more after them; false when nothing more came.
bool CTextRowReader::Fill() {
    if (m_nPos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nPos, m_nEnd - m_nPos);
        m_nBufferOffset += m_nPos;
        m_nEnd -= m_nPos;
        m_nPos = 0;
    }
    size_t nRead = m_file.Read(m_buffer.data() + m_nEnd, m_buffer.size() - m_nEnd);
    m_nEnd += nRead;
    return nRead > 0;
}

int CTextRowReader::PeekNext() {
    if (m_nPos + 1 >= m_nEnd && !Fill()) {
        return -1;
    }
    return static_cast<unsigned char>(m_buffer[m_nPos + 1]);
}

CTextRowReader::Result CTextRowReader::Next(std::vector<std::string>& fields) {
    fields.clear();
    if (!m_bStarted && !Start()) {
        return Result::Failed;
    }
    if (m_bEnded) {
        return Result::End;
    }
    m_nRowLine = m_nLine;
    const uint64_t nRowStart = Offset();
    bool bFieldOpen = false;  // the field being read has been added to fields
    bool bQuoted = false;     // inside a quoted field
    bool bCut = false;        // the field being read has had its NUL byte
    auto openField = [&] {
        if (!bFieldOpen) {
            fields.emplace_back();
            bFieldOpen = true;
            bCut = false;
        }
    };
    auto add = [&](const char* p, size_t n) {
        if (!bCut) {
            fields.back().append(p, n);
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
            add(m_buffer.data() + m_nPos, nRun - m_nPos);
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
                add(&c, 1);
                ++m_nPos;
            } else if (bQuoted) {
                add("\n", 1);  // a line break inside the field, as text streams read it
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
                add("\"", 1);
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
