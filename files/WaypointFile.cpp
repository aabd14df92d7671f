#include "files/WaypointFile.h"

#include "engine/WaypointTable.h"

bool CWaypointFile::Export(CWaypointTable& table) {
    if (!m_pFile->Seek(0, CPlatformFile::SeekFrom::End)) {
        return ReportFailure("write");
    }
    if (!BeginWriting()) {
        return false;
    }
    m_nReplacedCharacters = 0;
    for (auto position = table.GetStartPosition();
         position != CWaypointTable::END_POSITION && !m_pFile->HasFailed();) {
        if (table.StopRequested()) {
            return false;
        }
        CWaypoint waypoint = table.TakeNext(position);
        if (!waypoint.m_bFromTarget) {
            WriteWaypoint(waypoint);
        }
    }
    EndWriting();
    table.Summary().nReplacedCharacters += m_nReplacedCharacters;
    return m_pFile->Flush() || ReportFailure("write");
}

bool CWaypointFile::Commit() {
    return m_pFile->Commit() || ReportFailure("write");
}

void CWaypointFile::Close() {
    if (m_pFile->IsOpen()) {
        m_pFile->Close();
    }
}

bool CWaypointFile::ReportFailure(const char* pWhat) {
    if (m_pFile->WasStopped()) {
        return false;  // the job was stopped, as by an Abort: nothing to report
    }
    ShowMessage("Fail to " + std::string(pWhat) + " file \"" + m_pFile->GetFilePath() + "\" (" +
                m_pFile->ErrorText() + ")");
    return false;
}

void CWaypointFile::ShowMessage(const std::string& text) {
    if (m_pOwner != nullptr) {
        m_pOwner->ShowMessage(text);
    }
}
