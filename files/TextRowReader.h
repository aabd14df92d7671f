#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CPlatformFile;

// Reads a delimited text file row by row, as spreadsheet programs save one.
// A row is a line; CR LF and LF end it, or CR alone in a file that holds no LF
// at all; a 0x1A byte ends the text; a UTF-8 byte order mark at the start is
// skipped. A field that begins with a double quote is a quoted field: up to the
// next lone quote, delimiters and line breaks belong to it, two quotes stand
// for one, and what follows the closing quote up to the delimiter is added as
// it is. A quote elsewhere is an ordinary character, and with no delimiter
// nothing is quoted. A field ends at its first NUL byte.
class CTextRowReader {
public:
    enum class Result { Row, End, TooLong, OpenQuote, Failed };
    // A row, quoted line breaks included but not its line end, may have this many bytes.
    static constexpr uint64_t MAX_ROW_LENGTH = 1 << 20;

    // Reads the file from its current position, which must be its start.
    CTextRowReader(CPlatformFile& file, char delimiter);

    // Row: fields holds the row's fields (none for an empty line), valid until
    // the next call; most are views of the reader's buffer. End: the
    // text ended. TooLong: the row has more than MAX_ROW_LENGTH bytes, of which
    // no more than the limit and a buffer were read. OpenQuote: the file ended
    // inside a quoted field. Failed: the system failed to read.
    Result Next(std::vector<std::string_view>& fields);
    // The line, counted from 1, on which the last row began.
    uint64_t RowLine() const { return m_nRowLine; }
    // The last row's fields are plain ASCII.
    bool IsRowAscii() const { return m_bRowAscii; }

private:
    enum ByteClass : unsigned char { PLAIN_STOP = 1, QUOTED_STOP = 2 };

    // A field within the row: a run of its bytes in the buffer, from the row's
    // start, or, once it is more than one such run, a copy in m_copies.
    struct Span {
        size_t nStart = 0;
        size_t nLength = 0;
        bool bCopied = false;
    };

    // A row with no quote, NUL, lone CR or 0x1A, whose line end is in the
    // buffer, straight to its fields; false, having read nothing, for any other.
    bool ReadPlainRow(std::vector<std::string_view>& fields);
    Result ReadRow();
    bool Start();
    void AddRun(Span& field, size_t nPos, size_t nLength);
    void AddCopied(Span& field, char c);
    void Copy(Span& field);
    void ViewFields(std::vector<std::string_view>& fields) const;
    void ChooseLineEnd();
    bool Fill();
    // The byte after the current one, or -1 at the end of the file.
    int PeekNext();
    uint64_t Offset() const { return m_nBufferOffset + m_nPos; }

    CPlatformFile& m_file;
    char m_delimiter;
    bool m_bQuoting;
    bool m_bPlainRows;  // the delimiter is none of the bytes that end a plain row
    bool m_bCrEndsLines = false;
    bool m_bStarted = false;
    bool m_bEnded = false;
    bool m_bRowAscii = true;
    unsigned char m_classes[256] = {};
    std::vector<char> m_buffer;  // grows to hold the longest row
    std::vector<Span> m_spans;
    std::string m_copies;
    size_t m_nRowPos = 0;  // where the row being read begins in m_buffer
    size_t m_nPos = 0;
    size_t m_nEnd = 0;
    uint64_t m_nBufferOffset = 0;  // file offset of m_buffer[0]
    uint64_t m_nLine = 1;
    uint64_t m_nRowLine = 1;
};
