#pragma once

#include <string>

#include "engine/Waypoint.h"
#include "engine/WaypointTable.h"
#include "ui/TemplateDialog.h"

// Puts a waypoint that cannot enter the table as it is before the person, who
// settles it: add a suffix, overwrite, discard, edit the name (a name with
// other characters is proposed cleaned), truncate it, clean it, or abort the
// conversion, optionally for every later fault of the same kind. Below the
// choices it shows the waypoint: where it was read, its coordinates and its
// comment.
//
// Every choice is written into the policy at once; an accepted edited name is
// written into the name. The modal result carries nothing. Escape (or any
// other way of closing the dialog without OK) writes Abort.
class CInvalidWaypointDlg : public CTemplateDialog {
    Q_OBJECT
public:
    enum ControlId : int {
        ID_NAME = 1003,
        ID_APPLY_TO_ALL = 1004,
        ID_ADD_SUFFIX = 1013,
        ID_OVERWRITE = 1014,
        ID_DISCARD = 1015,
        ID_EDIT = 1016,
        ID_ABORT = 1018,
        ID_CHANGE_NAME = 1019,
        ID_TRUNCATE = 1020,
        ID_MESSAGE = 1021,
        ID_QUESTION = 1022,
        ID_CLEAN = 1025,
        // Where the waypoint was read, its coordinates and its comment.
        ID_ORIGIN = 1030,
        ID_COORDINATES = 1031,
        ID_COMMENT = 1032,
    };

    static const DialogTemplate& Template();

    CInvalidWaypointDlg(std::string& name, ResolutionPolicy& policy, const CWaypointTable& table,
                        int nMaxNameLength, WaypointError error, QWidget* pOwner = nullptr);

    // The fault the dialog shows now: the one it opened with, or the fault of
    // the last edited name it refused.
    WaypointError Fault() const { return m_fault; }

    void reject() override;

private:
    void EnableOptionsFor(WaypointError error);
    void ShowWaypoint(const CWaypointTable& table);
    // The text in the label, cut with "..." to fit; the whole text in its tooltip.
    void SetDetail(int nId, const QString& text);
    void EnterForcedEditMode();
    void ChooseOption(Resolution resolution);
    void ChooseEdit();
    void OnTextChanged();
    void OnOk();
    void ShowFault(WaypointError error);
    // Gives the default role to OK (and enables it) or to Abort (disabling OK).
    void MakeOkDefault(bool bOk);

    std::string& m_strName;
    ResolutionPolicy& m_policy;
    const CWaypointTable& m_table;
    const int m_nMaxNameLength;
    WaypointError m_fault;
};
