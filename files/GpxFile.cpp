#include "files/GpxFile.h"

#include <algorithm>

#include "files/GpxFieldCodec.h"
#include "files/GpxFormat.h"

namespace {

// No more blanks than this are taken for the indentation of an element.
constexpr uint64_t MAX_INDENT = 256;

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// How far into a file its first line end is looked for.
constexpr size_t LINE_END_WINDOW = 4096;

// Ends each line with CR LF instead of LF.
void UseCrLf(std::string& text) {
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 2)) {
        text.insert(i, 1, '\r');
    }
}

}  // namespace

Status CGpxFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    return Read(&table, bFromTarget);
}

Status CGpxFile::Read(CWaypointTable* pTable, bool bFromTarget) {
    const std::string file = "File " + Quoted(m_file.GetFilePath());
    switch (m_reader.Read(m_file, pTable, bFromTarget)) {
        case CGpxReader::Result::Done:
            return Status();
        case CGpxReader::Result::Stopped:
            return m_reader.TableStatus();
        case CGpxReader::Result::Failed:
            return FileFailure("read");
        case CGpxReader::Result::NotGpx:
            return Status::Failed(file + " is not a GPX file: at line " +
                                  std::to_string(m_reader.ProblemLine()) + " " +
                                  m_reader.Problem());
        case CGpxReader::Result::NotRead:
            break;
    }
    return Status::Failed(file + " cannot be read as GPX at line " +
                          std::to_string(m_reader.ProblemLine()) + ": " + m_reader.Problem());
}

Status CGpxFile::CanInsert() const {
    const CGpxReader::Structure& structure = m_reader.GetStructure();
    const std::string file = "File " + Quoted(m_file.GetFilePath());
    if (structure.bUtf16) {
        return Status::Failed(file +
                              " is in UTF-16: waypoints can be added only to a GPX file in UTF-8 "
                              "or another encoding that writes ASCII as it is");
    }
    if (structure.bHasEntities) {
        return Status::Failed(file +
                              " declares entities of its own: waypoints cannot be added to it");
    }
    return Status();
}

Status CGpxFile::BeginWriting() {
    m_tail.clear();
    uint64_t nLength = m_file.GetLength();
    if (m_file.HasFailed()) {
        return FileFailure("write");
    }
    if (nLength == 0) {
        m_elements = CGpxElementWriter();
        m_bCrLf = false;
        m_file.Write(GPX_HEADER.data(), GPX_HEADER.size());
        m_tail = GPX_FOOTER;
        return Status();
    }
    if (Status status = Read(nullptr, true); !status.IsOk()) {
        return status;
    }
    if (Status status = CanInsert(); !status.IsOk()) {
        return status;
    }
    const CGpxReader::Structure& structure = m_reader.GetStructure();
    m_elements = CGpxElementWriter(structure.prefix, !structure.bUtf8);
    if (Status status = FindLineEnds(nLength); !status.IsOk()) {
        return status;
    }
    uint64_t nInsertAt = structure.nInsertAt;
    if (!m_file.Seek(static_cast<int64_t>(nInsertAt), CPlatformFile::SeekFrom::Begin)) {
        return FileFailure("read");
    }
    m_tail.resize(nLength - nInsertAt);
    if (m_file.Read(m_tail.data(), m_tail.size()) != m_tail.size()) {
        return FileFailure("read");
    }
    std::string lead;
    if (structure.bEmptyRoot) {
        // "<gpx .../>" becomes "<gpx ...>", the new waypoints and the end tag.
        lead = ">\n";
        m_tail = "</" + m_elements.Prefix() + "gpx>" + m_tail.substr(2);
    } else if (Status status = StartLine(nInsertAt, lead); !status.IsOk()) {
        return status;
    }
    if (!m_file.Seek(static_cast<int64_t>(nInsertAt), CPlatformFile::SeekFrom::Begin)) {
        return FileFailure("write");
    }
    if (m_bCrLf) {
        UseCrLf(lead);
    }
    m_file.Write(lead.data(), lead.size());
    return Status();
}

// New lines end as the file's first line does.
Status CGpxFile::FindLineEnds(uint64_t nLength) {
    std::string head(static_cast<size_t>(std::min<uint64_t>(nLength, LINE_END_WINDOW)), '\0');
    if (!m_file.Seek(0, CPlatformFile::SeekFrom::Begin) ||
        m_file.Read(head.data(), head.size()) != head.size()) {
        return FileFailure("read");
    }
    size_t nLineEnd = head.find('\n');
    m_bCrLf = nLineEnd != std::string::npos && nLineEnd > 0 && head[nLineEnd - 1] == '\r';
    return Status();
}

// Moves the insertion point to the start of a line: back over the blanks
// that indent the element it stands before, or past the line end after the
// element it follows; else the new waypoints begin with a line end of their own.
Status CGpxFile::StartLine(uint64_t& nInsertAt, std::string& lead) {
    size_t nBefore = static_cast<size_t>(std::min<uint64_t>(nInsertAt, MAX_INDENT));
    std::string before(nBefore, '\0');
    if (!m_file.Seek(static_cast<int64_t>(nInsertAt - nBefore), CPlatformFile::SeekFrom::Begin) ||
        m_file.Read(before.data(), nBefore) != nBefore) {
        return FileFailure("read");
    }
    size_t nIndent = 0;
    while (nIndent < nBefore && IsBlank(before[nBefore - 1 - nIndent])) {
        ++nIndent;
    }
    if (nIndent == nBefore || before[nBefore - 1 - nIndent] == '\n') {
        m_tail.insert(0, before, nBefore - nIndent, nIndent);
        nInsertAt -= nIndent;
        return Status();
    }
    size_t nBlanks = 0;
    while (nBlanks < m_tail.size() && IsBlank(m_tail[nBlanks])) {
        ++nBlanks;
    }
    size_t nLineEnd = m_tail.compare(nBlanks, 1, "\n") == 0     ? 1
                      : m_tail.compare(nBlanks, 2, "\r\n") == 0 ? 2
                                                                : 0;
    if (nLineEnd == 0) {
        lead = "\n";
        return Status();
    }
    nInsertAt += nBlanks + nLineEnd;
    m_tail.erase(0, nBlanks + nLineEnd);
    return Status();
}

void CGpxFile::WriteWaypoint(const WaypointView& waypoint) {
    m_element.clear();
    m_elements.Append(m_element, waypoint);
    if (m_bCrLf) {
        UseCrLf(m_element);
    }
    m_file.Write(m_element.data(), m_element.size());
}

void CGpxFile::EndWriting() {
    m_file.Write(m_tail.data(), m_tail.size());
    m_tail.clear();
    m_tail.shrink_to_fit();
}
