#include "files/TextWaypointFile.h"

#include <algorithm>
#include <cstdint>

#include "engine/WaypointTable.h"
#include "files/TextFieldCodec.h"

void CTextWaypointFile::GetFilter(const char*& pFilter, std::string& defaultExtension) const {
    pFilter = "Text Files (*.txt;*.csv)|*.txt; *.csv|All Files (*.*)|*.*||";
    defaultExtension = "csv";
}

bool CTextWaypointFile::ChooseTemplate(bool bOwned) {
    if (m_pOwner == nullptr) {
        return false;
    }
    bool bEmpty = m_file.GetLength() == 0;
    if (!m_pOwner->ChooseTextTemplate(m_template, m_file.GetFilePath(), bEmpty, bOwned)) {
        return false;
    }
    // Only templates damaged outside this program have such columns; writing
    // one would need a row of billions of columns.
    if (!m_template.HasValidColumns()) {
        ShowMessage("Template \"" + std::string(m_template.Name()) +
                    "\" has a column index out of range");
        return false;
    }
    return true;
}

bool CTextWaypointFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    if (!ChooseTemplate(true)) {
        return false;
    }
    if (!m_file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        return ReportFailure("read");
    }
    std::string line;
    for (uint64_t nLine = 1; m_file.ReadLine(line); ++nLine) {
        if (nLine < m_template.firstWaypointRow) {
            continue;
        }
        CTextFieldCodec codec(&m_template);
        SplitLine(line, m_template.delimiter, codec);
        CWaypoint waypoint;
        codec.Decode(waypoint);
        waypoint.m_bFromTarget = bFromTarget;
        if (!table.AddWaypoint(waypoint)) {
            return false;
        }
    }
    return !m_file.HasFailed() || ReportFailure("read");
}

void CTextWaypointFile::SplitLine(const std::string& line, char delimiter, CTextFieldCodec& codec) {
    if (delimiter == '\0') {
        if (!line.empty()) {
            codec.m_fields.push_back(line);
        }
        return;
    }
    codec.m_fields.reserve(static_cast<size_t>(std::count(line.begin(), line.end(), delimiter)) +
                           1);
    size_t nStart = 0;
    while (nStart < line.size()) {
        size_t nEnd = line.find(delimiter, nStart);
        if (nEnd == std::string::npos) {
            nEnd = line.size();
        }
        codec.m_fields.emplace_back(line, nStart, nEnd - nStart);
        nStart = nEnd + 1;
    }
}

bool CTextWaypointFile::BeginWriting() {
    if (!ChooseTemplate(false)) {
        return false;
    }
    if (m_file.GetPosition() == 0) {
        CTextFieldCodec header(&m_template);
        header.SetHeader();
        WriteRow(header);
    }
    return true;
}

void CTextWaypointFile::WriteWaypoint(const CWaypoint& waypoint) {
    CTextFieldCodec codec(&m_template);
    codec.Encode(waypoint);
    WriteRow(codec);
}

// Columns are joined with a comma whatever the template's delimiter, as they are.
void CTextWaypointFile::WriteRow(const CTextFieldCodec& codec) {
    m_row.clear();
    for (size_t i = 0; i < codec.m_fields.size(); ++i) {
        if (i > 0) {
            m_row.push_back(',');
        }
        m_row.append(codec.m_fields[i]);
    }
    m_file.WriteLine(m_row);
}
