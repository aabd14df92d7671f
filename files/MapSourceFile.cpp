#include "files/MapSourceFile.h"

#include <cstring>

#include "engine/WaypointTable.h"
#include "files/MapSourceFieldCodec.h"

namespace {

// A body of 256 bytes or more never matches the one-byte length field, so a
// longer string cannot belong to a record that will be taken.
constexpr size_t MAX_STRING_READ = 256;

}  // namespace

void CMapSourceFile::GetFilter(const char*& pFilter, std::string& defaultExtension) const {
    pFilter = "MapSource Files (*.mps)|*.mps|All Files (*.*)|*.*||";
    defaultExtension = "mps";
}

bool CMapSourceFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    if (!m_file.Seek(MPS_HEADER_SIZE, CPlatformFile::SeekFrom::Begin)) {
        return ReportFailure("read");
    }
    for (;;) {
        CMapSourceFieldCodec codec;
        switch (ReadRecord(codec)) {
            case ReadResult::Failed:
                return ReportFailure("read");
            case ReadResult::End:
                return true;
            case ReadResult::Record:
                break;
        }
        CWaypoint waypoint;
        codec.Decode(waypoint);
        waypoint.m_bFromTarget = bFromTarget;
        if (!table.AddWaypoint(waypoint)) {
            return false;
        }
    }
}

CMapSourceFile::ReadResult CMapSourceFile::ReadRecord(CMapSourceFieldCodec& codec) {
    bool bComplete = ReadBlock(codec.m_record.lead, MPS_LEAD_SIZE) && ReadString(codec.m_strName) &&
                     ReadBlock(codec.m_record.middle, MPS_MIDDLE_SIZE) &&
                     ReadString(codec.m_strComment) &&
                     ReadBlock(codec.m_record.tail, MPS_TAIL_SIZE);
    if (m_file.HasFailed()) {
        return ReadResult::Failed;
    }
    if (!bComplete || codec.TypeLetter() != MPS_WAYPOINT_TYPE ||
        codec.ExpectedLength() != codec.LengthByte()) {
        return ReadResult::End;
    }
    return ReadResult::Record;
}

bool CMapSourceFile::ReadBlock(unsigned char* pBlock, size_t nSize) {
    return m_file.Read(pBlock, nSize) == nSize;
}

bool CMapSourceFile::ReadString(std::string& text) {
    return m_file.ReadUntil('\0', text, MAX_STRING_READ);
}

bool CMapSourceFile::WriteWaypoints(CWaypointTable& table) {
    if (m_file.GetLength() == 0) {
        m_file.Write(MPS_HEADER, MPS_HEADER_SIZE);
    } else if (!MoveToAppendPoint()) {
        return false;
    }
    for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
        if (table.StopRequested()) {
            return false;
        }
        CWaypoint waypoint = table.TakeNext(position);
        if (!waypoint.m_bFromTarget) {
            CMapSourceFieldCodec codec;
            codec.Encode(waypoint);
            WriteRecord(codec);
        }
    }
    m_file.Write(MPS_TRAILER, MPS_TRAILER_SIZE);
    return true;
}

// Appending overwrites the file's closing eight bytes, so they must be the
// trailer this program writes; anything else would be corrupted.
bool CMapSourceFile::MoveToAppendPoint() {
    unsigned char trailer[MPS_TRAILER_SIZE] = {};
    bool bEndsWithTrailer =
        m_file.GetLength() >= MPS_HEADER_SIZE + MPS_TRAILER_SIZE &&
        m_file.Seek(-static_cast<int64_t>(MPS_TRAILER_SIZE), CPlatformFile::SeekFrom::End) &&
        m_file.Read(trailer, MPS_TRAILER_SIZE) == MPS_TRAILER_SIZE &&
        std::memcmp(trailer, MPS_TRAILER, MPS_TRAILER_SIZE) == 0;
    if (m_file.HasFailed()) {
        return ReportFailure("read");
    }
    if (!bEndsWithTrailer) {
        ShowMessage("Cannot append to file \"" + m_file.GetFilePath() +
                    "\": it does not end like a MapSource waypoint file");
        return false;
    }
    return m_file.Seek(-static_cast<int64_t>(MPS_TRAILER_SIZE), CPlatformFile::SeekFrom::End) ||
           ReportFailure("write");
}

void CMapSourceFile::WriteRecord(const CMapSourceFieldCodec& codec) {
    m_file.Write(codec.m_record.lead, MPS_LEAD_SIZE);
    m_file.Write(codec.m_strName.data(), codec.m_strName.size());
    m_file.Write(codec.m_record.middle, MPS_MIDDLE_SIZE);
    m_file.Write(codec.m_strComment.data(), codec.m_strComment.size());
    m_file.Write(codec.m_record.tail, MPS_TAIL_SIZE);
}
