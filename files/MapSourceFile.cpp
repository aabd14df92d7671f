#include "files/MapSourceFile.h"

#include <cstring>

#include "engine/WaypointTable.h"
#include "files/MapSourceFieldCodec.h"

namespace {

// A body of 256 bytes or more never matches the one-byte length field, so a
// longer string cannot belong to a record that will be taken.
constexpr size_t MAX_STRING_READ = 256;
constexpr char MPS_END_TYPE = 'V';

}  // namespace

void CMapSourceFile::GetFilter(const char*& pFilter, std::string& defaultExtension) const {
    pFilter = "MapSource Files (*.mps)|*.mps|All Files (*.*)|*.*||";
    defaultExtension = "mps";
}

bool CMapSourceFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    m_lastReadEnd = ReadEnd::None;
    if (!m_file.Seek(MPS_HEADER_SIZE, CPlatformFile::SeekFrom::Begin)) {
        m_lastReadEnd = ReadEnd::Failed;
        return ReportFailure("read");
    }
    for (;;) {
        CMapSourceFieldCodec codec;
        ReadEnd end = ReadRecord(codec);
        if (end == ReadEnd::Failed) {
            m_lastReadEnd = end;
            return ReportFailure("read");
        }
        if (end != ReadEnd::None) {
            m_lastReadEnd = end;
            return true;
        }
        CWaypoint waypoint;
        codec.Decode(waypoint);
        waypoint.m_bFromTarget = bFromTarget;
        if (!table.AddWaypoint(waypoint)) {
            m_lastReadEnd = ReadEnd::Stopped;
            return false;
        }
    }
}

CMapSourceFile::ReadEnd CMapSourceFile::ReadRecord(CMapSourceFieldCodec& codec) {
    ReadEnd end = ReadRecordBlocks(codec);
    return m_file.HasFailed() ? ReadEnd::Failed : end;
}

CMapSourceFile::ReadEnd CMapSourceFile::ReadRecordBlocks(CMapSourceFieldCodec& codec) {
    if (!ReadBlock(codec.m_record.lead, MPS_LEAD_SIZE)) {
        return ReadEnd::FileEnded;
    }
    if (codec.TypeLetter() != MPS_WAYPOINT_TYPE) {
        return codec.TypeLetter() == MPS_END_TYPE ? ReadEnd::EndRecord : ReadEnd::OtherRecordType;
    }
    ReadEnd end = ReadString(codec.m_strName);
    if (end != ReadEnd::None) {
        return end;
    }
    if (!ReadBlock(codec.m_record.middle, MPS_MIDDLE_SIZE)) {
        return ReadEnd::FileEnded;
    }
    end = ReadString(codec.m_strComment);
    if (end != ReadEnd::None) {
        return end;
    }
    if (!ReadBlock(codec.m_record.tail, MPS_TAIL_SIZE)) {
        return ReadEnd::FileEnded;
    }
    return codec.ExpectedLength() == codec.LengthByte() ? ReadEnd::None
                                                        : ReadEnd::OtherRecordLength;
}

bool CMapSourceFile::ReadBlock(unsigned char* pBlock, size_t nSize) {
    return m_file.Read(pBlock, nSize) == nSize;
}

CMapSourceFile::ReadEnd CMapSourceFile::ReadString(std::string& text) {
    if (m_file.ReadUntil('\0', text, MAX_STRING_READ)) {
        return ReadEnd::None;
    }
    // Either the file ended or the string is too long for any record.
    return m_file.GetPosition() < m_file.GetLength() ? ReadEnd::OtherRecordLength
                                                     : ReadEnd::FileEnded;
}

bool CMapSourceFile::BeginWriting() {
    if (m_file.GetLength() == 0) {
        m_file.Write(MPS_HEADER, MPS_HEADER_SIZE);
        return true;
    }
    return MoveToAppendPoint();
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

void CMapSourceFile::WriteWaypoint(const CWaypoint& waypoint) {
    CMapSourceFieldCodec codec;
    codec.Encode(waypoint);
    m_file.Write(codec.m_record.lead, MPS_LEAD_SIZE);
    m_file.Write(codec.m_strName.data(), codec.m_strName.size());
    m_file.Write(codec.m_record.middle, MPS_MIDDLE_SIZE);
    m_file.Write(codec.m_strComment.data(), codec.m_strComment.size());
    m_file.Write(codec.m_record.tail, MPS_TAIL_SIZE);
}

void CMapSourceFile::EndWriting() {
    m_file.Write(MPS_TRAILER, MPS_TRAILER_SIZE);
}
