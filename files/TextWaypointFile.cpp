#include "files/TextWaypointFile.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/WaypointFeed.h"
#include "engine/WaypointTable.h"
#include "files/Coordinates.h"
#include "files/ReadQueue.h"
#include "files/TextFieldCodec.h"
#include "platform/Excerpt.h"
#include "platform/Utf8.h"

namespace {

// A row of a name, two coordinates of six decimals and a short comment,
// rather long: a guess too high costs memory, one too low only a regrowth.
constexpr uint64_t TYPICAL_ROW_BYTES = 48;

}  // namespace

Status CTextWaypointFile::ChooseTemplate(TemplateUse use) {
    if (m_layout) {
        m_template = *m_layout;
    } else {
        bool bEmpty = m_file.GetLength() == 0;
        if (m_pOwner == nullptr ||
            !m_pOwner->ChooseTextTemplate(m_template, m_file.GetFilePath(), bEmpty, use)) {
            return Status::Stopped();
        }
    }
    // Only templates damaged outside this program have such columns; writing
    // one would need a row of billions of columns.
    if (!m_template.HasValidColumns()) {
        return Status::Failed("Template \"" + Excerpt(m_template.Name()) +
                              "\" has a column index out of range");
    }
    return Status();
}

TextEncoding CTextWaypointFile::FindEncoding(bool& bTextEndMet) {
    bTextEndMet = false;
    const uint64_t nResume = m_file.GetPosition();
    if (!m_file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        return TextEncoding::Detect;
    }
    CUtf8Validator validator;
    std::vector<char> chunk(1 << 16);
    for (size_t nRead;
         !validator.HasFailed() && (nRead = m_file.Read(chunk.data(), chunk.size())) > 0;) {
        const void* pTextEnd = std::memchr(chunk.data(), '\x1A', nRead);
        size_t nText = pTextEnd != nullptr
                           ? static_cast<size_t>(static_cast<const char*>(pTextEnd) - chunk.data())
                           : nRead;
        validator.Feed(chunk.data(), nText);
        if (pTextEnd != nullptr) {
            bTextEndMet = true;
            break;
        }
    }
    if (m_file.HasFailed() ||
        !m_file.Seek(static_cast<int64_t>(nResume), CPlatformFile::SeekFrom::Begin)) {
        return TextEncoding::Detect;
    }
    return validator.IsValid() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

Status CTextWaypointFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    if (Status status = ChooseTemplate(TemplateUse::Read); !status.IsOk()) {
        return status;
    }
    if (!m_file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        return FileFailure("read");
    }
    table.ExpectWaypoints(m_file.GetLength() / TYPICAL_ROW_BYTES);
    CTextRowReader reader(m_file, m_template.delimiter);
    // Every row replaces all fields of the last, so one codec serves them all.
    // Plain ASCII rows read the same in either encoding, so a file's own is
    // looked for only once a row is not.
    CTextFieldCodec codec(
        &m_template,
        m_template.encoding == TextEncoding::Detect ? TextEncoding::Utf8 : m_template.encoding,
        m_template.encoding == TextEncoding::Utf8);
    CWaypointFeed feed(table);
    RowsEnd end;
    if (Status status = ReadAlongside(reader, codec, bFromTarget, feed, end); !status.IsOk()) {
        return status;
    }
    // Waypoints read before a fault of the file come first.
    if (Status status = feed.Flush(); !status.IsOk()) {
        return status;
    }
    switch (end.result) {
        case CTextRowReader::Result::Row:
        case CTextRowReader::Result::End:
            if (!bFromTarget) {
                table.Summary().nReplacedCharacters += codec.m_nReplaced;
            }
            return Status();
        case CTextRowReader::Result::TooLong:
            return Status::Failed(LineText(end.nLine) + " is longer than 1 MiB");
        case CTextRowReader::Result::OpenQuote:
            return Status::Failed(
                LineText(end.nLine) +
                " begins a quoted field that is not closed before the end of the file");
        case CTextRowReader::Result::Failed:
            break;
    }
    return FileFailure("read");
}

// Splitting and decoding the rows takes about as long as storing their
// waypoints: the rows are decoded on a thread of their own while this one
// stores the waypoints (without a thread, in turns). Ok unless the table
// refused a waypoint or was stopped.
Status CTextWaypointFile::ReadAlongside(CTextRowReader& reader, CTextFieldCodec& codec,
                                        bool bFromTarget, CWaypointFeed& feed, RowsEnd& end) {
    auto store = [&feed, this](DecodedRow& row) {
        const WaypointOrigin origin{WaypointOrigin::Unit::Line, row.nLine, m_file.GetFilePath()};
        return feed.Add(std::move(row.waypoint), origin, std::move(row.coordinateNote));
    };
    CReadQueue<DecodedRow> queue;
    std::exception_ptr failure;
    std::thread decoder;
    try {
        decoder = std::thread([&] {
            try {
                end = DecodeRows(reader, codec, bFromTarget, [&queue](DecodedRow&& row) {
                    size_t nBytes = row.waypoint.m_strName.size() +
                                    row.waypoint.m_strComment.size() + row.coordinateNote.size();
                    return queue.Push(std::move(row), nBytes);
                });
            } catch (...) {
                failure = std::current_exception();
            }
            queue.Finish();
        });
    } catch (const std::system_error&) {
        Status status;
        end = DecodeRows(reader, codec, bFromTarget, [&](DecodedRow&& row) {
            status = store(row);
            return status.IsOk();
        });
        return status;
    }
    Status status;
    {
        CJoinReader<DecodedRow> join(queue, decoder);
        std::vector<DecodedRow> batch;
        while (status.IsOk() && queue.Pop(batch)) {
            for (auto row = batch.begin(); row != batch.end() && status.IsOk(); ++row) {
                status = store(*row);
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return status;
}

template <typename Deliver>
CTextWaypointFile::RowsEnd CTextWaypointFile::DecodeRows(CTextRowReader& reader,
                                                         CTextFieldCodec& codec, bool bFromTarget,
                                                         Deliver deliver) {
    bool bEncodingUnknown = m_template.encoding == TextEncoding::Detect;
    for (uint64_t nRow = 1;; ++nRow) {
        CTextRowReader::Result result = reader.Next(codec.m_fieldsRead);
        if (result != CTextRowReader::Result::Row) {
            return {result, reader.RowLine()};
        }
        if (nRow < m_template.firstWaypointRow) {
            continue;
        }
        if (bEncodingUnknown && !reader.IsRowAscii()) {
            bool bTextEndMet = false;
            TextEncoding encoding = FindEncoding(bTextEndMet);
            if (encoding == TextEncoding::Detect) {
                return {CTextRowReader::Result::Failed, reader.RowLine()};
            }
            codec.SetEncoding(encoding, bTextEndMet);
            bEncodingUnknown = false;
        }
        DecodedRow row;
        codec.Decode(row.waypoint);
        row.waypoint.m_bFromTarget = bFromTarget;
        row.nLine = reader.RowLine();
        if (!IsValidLatitude(row.waypoint.m_dLatitude) ||
            !IsValidLongitude(row.waypoint.m_dLongitude)) {
            row.coordinateNote = RefusedNotation(row.waypoint, codec);
        }
        if (!deliver(std::move(row))) {
            return {CTextRowReader::Result::Row, reader.RowLine()};
        }
    }
}

// Called for an invalid coordinate only, so plain rows pay nothing.
std::string CTextWaypointFile::RefusedNotation(const CWaypoint& waypoint,
                                               const CTextFieldCodec& codec) {
    int nField = IsValidLatitude(waypoint.m_dLatitude) ? CTextFieldCodec::LONGITUDE_FIELD
                                                       : CTextFieldCodec::LATITUDE_FIELD;
    return DescribeRefusedNotation(codec.FieldRead(nField));
}

std::string CTextWaypointFile::LineText(uint64_t nLine) const {
    return "Line " + std::to_string(nLine) + " of file \"" + m_file.GetFilePath() + "\"";
}

TextEncoding CTextWaypointFile::EncodingForWriting() {
    if (m_template.encoding != TextEncoding::Detect) {
        return m_template.encoding;
    }
    bool bTextEndMet = false;
    return m_file.GetPosition() == 0 ? TextEncoding::Utf8 : FindEncoding(bTextEndMet);
}

Status CTextWaypointFile::BeginWriting() {
    if (Status status = ChooseTemplate(TemplateUse::Write); !status.IsOk()) {
        return status;
    }
    TextEncoding encoding = EncodingForWriting();
    if (encoding == TextEncoding::Detect) {
        return FileFailure("read");
    }
    m_writeCodec.emplace(&m_template, encoding);
    m_quotedBytes.fill(false);
    for (char c : {'"', '\r', '\n', '\x1A', m_template.delimiter}) {
        m_quotedBytes[static_cast<unsigned char>(c)] = true;
    }
    if (m_file.GetPosition() == 0) {
        CTextFieldCodec header(&m_template);
        header.SetHeader();
        WriteRow(header);
    }
    return Status();
}

void CTextWaypointFile::WriteWaypoint(const WaypointView& waypoint) {
    m_writeCodec->m_nReplaced = 0;
    m_writeCodec->Encode(waypoint);
    m_nReplacedCharacters += m_writeCodec->m_nReplaced;
    WriteRow(*m_writeCodec);
}

// Columns are joined with the template's delimiter (a comma for a template
// without one), so that the file reads back with the template that wrote it:
// an append never mixes commas into a file of tabs. With a delimiter, a field
// that holds it, a quote, a line break or the text's end byte is quoted.
void CTextWaypointFile::WriteRow(const CTextFieldCodec& codec) {
    const char separator = m_template.delimiter != '\0' ? m_template.delimiter : ',';
    if (WritePlainRow(codec, separator)) {
        return;
    }
    m_row.clear();
    for (size_t i = 0; i < codec.m_fields.size(); ++i) {
        if (i > 0) {
            m_row.push_back(separator);
        }
        const std::string& field = codec.m_fields[i];
        if (m_template.delimiter == '\0' || !NeedsQuotes(field)) {
            m_row.append(field);
            continue;
        }
        m_row.push_back('"');
        for (char c : field) {
            m_row.append(c == '"' ? 2 : 1, c);
        }
        m_row.push_back('"');
    }
    m_file.WriteLine(m_row);
}

// Most rows need no quotes and hold no line end: they go straight into the
// file's buffer. False, with nothing written, for any other row.
bool CTextWaypointFile::WritePlainRow(const CTextFieldCodec& codec, char separator) {
    size_t nBytes = codec.m_fields.size() + 1;  // the separators and CR LF
    for (const std::string& field : codec.m_fields) {
        if (NeedsQuotes(field)) {
            return false;
        }
        nBytes += field.size();
    }
    char* p = m_file.WriteSpace(nBytes);
    if (p == nullptr) {
        return false;
    }
    for (size_t i = 0; i < codec.m_fields.size(); ++i) {
        if (i > 0) {
            *p++ = separator;
        }
        const std::string& field = codec.m_fields[i];
        std::memcpy(p, field.data(), field.size());
        p += field.size();
    }
    std::memcpy(p, "\r\n", 2);
    return true;
}

bool CTextWaypointFile::NeedsQuotes(const std::string& field) const {
    bool bQuoted = false;
    for (char c : field) {
        bQuoted |= m_quotedBytes[static_cast<unsigned char>(c)];
    }
    return bQuoted;
}