#include "dialogs/TextFilePreview.h"

#include "engine/WaypointTable.h"
#include "files/TextWaypointFile.h"

CTextFilePreview::CTextFilePreview(const std::string& path, const CTextTemplate& layout,
                                   size_t nMaxRows)
    : m_layout(layout), m_nMaxRows(nMaxRows) {
    CTextWaypointFile file(this);
    if (!file.File().Open(path, OPEN_SOURCE)) {
        m_message = "Fail to open file \"" + path + "\" (" + file.File().ErrorText() + ")";
        return;
    }
    CWaypointTable table(this);
    table.SetStopFlag(&m_bFull);
    m_pTable = &table;
    file.ReadWaypoints(table, false);
    m_pTable = nullptr;
    file.Close();
}

// The table shows its counter once for every waypoint it stores.
void CTextFilePreview::SetControlText(int nId, std::string_view) {
    if (nId == IDC_COUNTER) {
        AddRow(WaypointError::None);
    }
}

void CTextFilePreview::ResolveInvalidWaypoint(std::string&, ResolutionPolicy& policy,
                                              const CWaypointTable&, int, WaypointError error) {
    AddRow(error);
    policy = {Resolution::Discard, false};
}

bool CTextFilePreview::ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string&, bool,
                                          bool) {
    chosenTemplate = m_layout;
    return true;
}

void CTextFilePreview::AddRow(WaypointError error) {
    const CWaypoint* pWaypoint = m_pTable != nullptr ? m_pTable->PendingWaypoint() : nullptr;
    if (pWaypoint == nullptr || m_rows.size() >= m_nMaxRows) {
        return;
    }
    m_rows.push_back({m_pTable->PendingOrigin().nNumber, *pWaypoint, error});
    m_bFull = m_rows.size() >= m_nMaxRows;
}
