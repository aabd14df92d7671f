#include "files/WaypointFile.h"

#include "engine/WaypointTable.h"

Status CWaypointFile::OpenSource(const std::string& path) {
    return m_pFile->Open(path, OPEN_SOURCE) ? Status() : FileFailure("open");
}

Status CWaypointFile::OpenTarget(const std::string& path, unsigned nOpenFlags) {
    return m_pFile->OpenStaged(path, nOpenFlags) ? Status() : FileFailure("open");
}

Status CWaypointFile::Export(CWaypointTable& table) {
    if (!m_pFile->Seek(0, CPlatformFile::SeekFrom::End)) {
        return FileFailure("write");
    }
    if (Status status = BeginWriting(); !status.IsOk()) {
        return status;
    }
    m_nReplacedCharacters = 0;
    for (auto position = table.GetStartPosition();
         position != CWaypointTable::END_POSITION && !m_pFile->HasFailed();) {
        if (table.StopRequested()) {
            return Status::Stopped();
        }
        WaypointView waypoint = table.ViewAt(position);
        if (!waypoint.bFromTarget) {
            WriteWaypoint(waypoint);
        }
        table.DropNext(position, waypoint);
    }
    EndWriting();
    table.Summary().nReplacedCharacters += m_nReplacedCharacters;
    return m_pFile->Flush() ? Status() : FileFailure("write");
}

Status CWaypointFile::Commit() {
    return m_pFile->Commit() ? Status() : FileFailure("write");
}

void CWaypointFile::Close() {
    if (m_pFile->IsOpen()) {
        m_pFile->Close();
    }
}

Status CWaypointFile::FileFailure(const char* pWhat) const {
    if (m_pFile->WasStopped()) {
        return Status::Stopped();  // as by an Abort: nothing to report
    }
    return Status::Failed("Fail to " + std::string(pWhat) + " file \"" + m_pFile->GetFilePath() +
                          "\" (" + m_pFile->ErrorText() + ")");
}
