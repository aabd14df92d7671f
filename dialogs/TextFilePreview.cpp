#include "dialogs/TextFilePreview.h"

#include "engine/WaypointTable.h"
#include "files/TextWaypointFile.h"

CTextFilePreview::CTextFilePreview(const std::string& path, const CTextTemplate& layout,
                                   size_t nMaxRows)
    : m_nMaxRows(nMaxRows) {
    CTextWaypointFile file(this, WaypointFileOptions{layout});
    Status status = file.OpenSource(path);
    if (status.IsOk()) {
        CWaypointTable table(this);
        table.SetStopFlag(&m_bFull);
        m_pTable = &table;
        status = file.ReadWaypoints(table, false);
        m_pTable = nullptr;
        file.Close();
    }
    m_message = status.Message();
}

void CTextFilePreview::ResolveInvalidWaypoint(std::string&, ResolutionPolicy& policy,
                                              const CWaypointTable&, int, WaypointError error) {
    AddRow(error);
    policy = {Resolution::Discard, false};
}

void CTextFilePreview::AddRow(WaypointError error) {
    const CWaypoint* pWaypoint = m_pTable != nullptr ? m_pTable->PendingWaypoint() : nullptr;
    if (pWaypoint == nullptr || m_rows.size() >= m_nMaxRows) {
        return;
    }
    m_rows.push_back({m_pTable->PendingOrigin().nNumber, *pWaypoint, error});
    m_bFull = m_rows.size() >= m_nMaxRows;
}
