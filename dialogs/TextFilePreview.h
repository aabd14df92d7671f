#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Waypoint.h"
#include "files/WaypointFileUserInterface.h"

class CWaypointTable;

// The first waypoint rows of a text file as a template reads them, each with
// the fault that a conversion would put before the person: what the templates
// dialog shows while a template is chosen or defined. The file is read by the
// reader of a conversion into a table of its own, so names taken by an earlier
// row count too; nothing is asked and nothing is written.
class CTextFilePreview : private CWaypointFileUserInterface {
public:
    struct Row {
        uint64_t nLine = 0;  // where the row begins, counted from 1
        CWaypoint waypoint;  // as the table takes it: name and comment lowered
        WaypointError error = WaypointError::None;
    };

    // Reads at most nMaxRows waypoint rows of the file, laid out by the template.
    CTextFilePreview(const std::string& path, const CTextTemplate& layout, size_t nMaxRows);

    const std::vector<Row>& Rows() const { return m_rows; }
    // Why the reading ended before the file or the rows did (a row refused, a
    // file that cannot be read); empty otherwise.
    const std::string& Message() const { return m_message; }

private:
    // The table shows its progress once for every waypoint it stores.
    void ShowProgress(int) override { AddRow(WaypointError::None); }
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    // Never asked: the file is given its layout.
    bool ChooseTextTemplate(CTextTemplate&, const std::string&, bool, TemplateUse) override {
        return false;
    }
    // Adds the waypoint that the table handles now.
    void AddRow(WaypointError error);

    const size_t m_nMaxRows;
    const CWaypointTable* m_pTable = nullptr;
    std::atomic<bool> m_bFull{false};  // stops the reading once the rows are there
    std::vector<Row> m_rows;
    std::string m_message;
};
