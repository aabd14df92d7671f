#include "files/TextWaypointFile.h"

#include <cstdint>

#include "engine/WaypointTable.h"
#include "files/TextFieldCodec.h"
#include "files/TextRowReader.h"
#include "platform/Excerpt.h"

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

Status CTextWaypointFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    if (Status status = ChooseTemplate(TemplateUse::Read); !status.IsOk()) {
        return status;
    }
    if (!m_file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        return FileFailure("read");
    }
    CTextRowReader reader(m_file, m_template.delimiter);
    // Every row replaces all fields of the last, so one codec serves them all.
    CTextFieldCodec codec(&m_template);
    for (uint64_t nRow = 1;; ++nRow) {
        switch (reader.Next(codec.m_fields)) {
            case CTextRowReader::Result::Row:
                break;
            case CTextRowReader::Result::End:
                return Status();
            case CTextRowReader::Result::TooLong:
                return Status::Failed(LineText(reader.RowLine()) + " is longer than 1 MiB");
            case CTextRowReader::Result::OpenQuote:
                return Status::Failed(
                    LineText(reader.RowLine()) +
                    " begins a quoted field that is not closed before the end of the file");
            case CTextRowReader::Result::Failed:
                return FileFailure("read");
        }
        if (nRow < m_template.firstWaypointRow) {
            continue;
        }
        CWaypoint waypoint;
        codec.Decode(waypoint);
        waypoint.m_bFromTarget = bFromTarget;
        const WaypointOrigin origin{WaypointOrigin::Unit::Line, reader.RowLine(),
                                    m_file.GetFilePath()};
        if (Status status = table.AddWaypoint(waypoint, origin); !status.IsOk()) {
            return status;
        }
    }
}

std::string CTextWaypointFile::LineText(uint64_t nLine) const {
    return "Line " + std::to_string(nLine) + " of file \"" + m_file.GetFilePath() + "\"";
}

Status CTextWaypointFile::BeginWriting() {
    if (Status status = ChooseTemplate(TemplateUse::Write); !status.IsOk()) {
        return status;
    }
    if (m_file.GetPosition() == 0) {
        CTextFieldCodec header(&m_template);
        header.SetHeader();
        WriteRow(header);
    }
    return Status();
}

void CTextWaypointFile::WriteWaypoint(const CWaypoint& waypoint) {
    CTextFieldCodec codec(&m_template);
    codec.Encode(waypoint);
    WriteRow(codec);
}

// Columns are joined with the template's delimiter (a comma for a template
// without one), so that the file reads back with the template that wrote it:
// an append never mixes commas into a file of tabs. With a delimiter, a field
// that holds it, a quote, a line break or the text's end byte is quoted.
void CTextWaypointFile::WriteRow(const CTextFieldCodec& codec) {
    const char separator = m_template.delimiter != '\0' ? m_template.delimiter : ',';
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

bool CTextWaypointFile::NeedsQuotes(const std::string& field) const {
    for (char c : field) {
        if (c == '"' || c == '\r' || c == '\n' || c == '\x1A' || c == m_template.delimiter) {
            return true;
        }
    }
    return false;
}
