#include "dialogs/InvalidWaypointDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace {

using Dlg = CInvalidWaypointDlg;

// The option buttons and the answer each one writes.
struct Option {
    int nId;
    Resolution resolution;
};
constexpr Option OPTIONS[] = {
    {Dlg::ID_ADD_SUFFIX, Resolution::AddSuffix}, {Dlg::ID_OVERWRITE, Resolution::Overwrite},
    {Dlg::ID_DISCARD, Resolution::Discard},      {Dlg::ID_EDIT, Resolution::Edit},
    {Dlg::ID_TRUNCATE, Resolution::Truncate},
};

constexpr unsigned TAB = STYLE_TAB_STOP;
constexpr unsigned OFF = STYLE_DISABLED;

}  // namespace

const DialogTemplate& CInvalidWaypointDlg::Template() {
    static const DialogTemplate dialogTemplate = {
        "Pathfolio - Invalid Waypoint",
        300,
        191,
        false,
        {
            {ID_MESSAGE, ControlKind::Label, "", 30, 37, 172, 25},
            {ID_NAME, ControlKind::Edit, "", 32, 15, 87, 14, TAB | OFF},
            {ID_QUESTION, ControlKind::Label, "Would you like to:", 32, 75, 88, 8},
            {ID_ADD_SUFFIX, ControlKind::RadioButton,
             "Add Suffix (automaticiclly generate unique name)", 32, 86, 185, 10,
             TAB | STYLE_GROUP | OFF},
            {ID_OVERWRITE, ControlKind::RadioButton,
             "Overwrite (accept and overwrite existing waypoint data)", 32, 99, 190, 10, TAB | OFF},
            {ID_DISCARD, ControlKind::RadioButton, "Discard (reject the new waypoint)", 32, 112,
             121, 10, TAB},
            {ID_EDIT, ControlKind::RadioButton, "Edit (manually change the name)", 32, 125, 119, 10,
             TAB | OFF},
            {ID_APPLY_TO_ALL, ControlKind::CheckBox, "Apply to all waypoints with same error", 32,
             166, 155, 10, TAB},
            {IDOK, ControlKind::PushButton, "OK", 236, 15, 50, 14, TAB | STYLE_DEFAULT | OFF},
            {ID_ABORT, ControlKind::PushButton, "Abort", 236, 32, 50, 14, TAB},
            {ID_CHANGE_NAME, ControlKind::Label, "Please change this name", 32, 64, 88, 8, OFF},
            {ID_TRUNCATE, ControlKind::RadioButton,
             "Truncate (cut the name to the appropriate length)", 32, 138, 184, 10, TAB | OFF},
        },
    };
    return dialogTemplate;
}

CInvalidWaypointDlg::CInvalidWaypointDlg(std::string& name, ResolutionPolicy& policy,
                                         const CWaypointTable& table, int nMaxNameLength,
                                         WaypointError error, QWidget* pOwner)
    : CTemplateDialog(Template(), pOwner),
      m_strName(name),
      m_policy(policy),
      m_table(table),
      m_nMaxNameLength(nMaxNameLength),
      m_fault(error) {
    for (const Option& option : OPTIONS) {
        const Resolution resolution = option.resolution;
        connect(RadioButton(option.nId), &QRadioButton::clicked, this, [this, resolution] {
            resolution == Resolution::Edit ? ChooseEdit() : ChooseOption(resolution);
        });
    }
    connect(CheckBox(ID_APPLY_TO_ALL), &QCheckBox::toggled, this,
            [this](bool bTicked) { m_policy.applyToAll = bTicked; });
    connect(Edit(ID_NAME), &QLineEdit::textChanged, this, &CInvalidWaypointDlg::OnTextChanged);
    connect(Button(IDOK), &QPushButton::clicked, this, &CInvalidWaypointDlg::OnOk);
    connect(Button(ID_ABORT), &QPushButton::clicked, this, &CInvalidWaypointDlg::reject);

    EnableOptionsFor(error);
    ShowFault(error);
    if (m_policy.resolution == Resolution::Edit && m_policy.applyToAll) {
        EnterForcedEditMode();
    }
    Edit(ID_NAME)->setText(ToQString(m_strName));
    Edit(ID_NAME)->setCursorPosition(0);
    MakeOkDefault(false);
}

void CInvalidWaypointDlg::EnableOptionsFor(WaypointError error) {
    for (const Option& option : OPTIONS) {
        if (option.nId != ID_DISCARD) {
            EnableControl(option.nId, IsOffered(option.resolution, error));
        }
    }
}

// The standing answer for this fault is Edit for all: only a new name, Abort
// or Escape lead out, and the options are greyed.
void CInvalidWaypointDlg::EnterForcedEditMode() {
    ChooseEdit();
    for (const Option& option : OPTIONS) {
        EnableControl(option.nId, false);
    }
    EnableControl(ID_APPLY_TO_ALL, false);
    EnableControl(ID_QUESTION, false);
    EnableControl(ID_CHANGE_NAME, true);
}

void CInvalidWaypointDlg::ChooseOption(Resolution resolution) {
    m_policy.resolution = resolution;
    Edit(ID_NAME)->setText(ToQString(m_strName));
    Edit(ID_NAME)->setCursorPosition(0);
    EnableControl(ID_NAME, false);
    MakeOkDefault(true);
}

void CInvalidWaypointDlg::ChooseEdit() {
    m_policy.resolution = Resolution::Edit;
    EnableControl(ID_NAME, true);
    MakeOkDefault(false);
}

void CInvalidWaypointDlg::OnTextChanged() {
    if (m_policy.resolution == Resolution::Edit) {
        MakeOkDefault(true);
    }
}

void CInvalidWaypointDlg::OnOk() {
    WaypointError fault = WaypointError::None;
    if (m_policy.resolution == Resolution::Edit) {
        const std::string typed = ToBytes(Edit(ID_NAME)->text());
        fault = m_table.Contains(typed) ? WaypointError::NameExists
                                        : ValidateName(typed, m_nMaxNameLength);
        if (fault != WaypointError::None) {
            ShowMessageBox(this, QStringLiteral("Invalid waypoint name, please try again !"));
            ShowFault(fault);
        } else {
            m_strName = typed;
        }
    }
    MakeOkDefault(false);
    if (fault == WaypointError::None) {
        accept();
    } else {
        Edit(ID_NAME)->setFocus();
    }
}

void CInvalidWaypointDlg::reject() {
    m_policy.resolution = Resolution::Abort;
    CTemplateDialog::reject();
}

void CInvalidWaypointDlg::ShowFault(WaypointError error) {
    m_fault = error;
    SetControlText(ID_MESSAGE,
                   ToQString(WaypointErrorMessage(static_cast<int>(error), m_nMaxNameLength)));
}

void CInvalidWaypointDlg::MakeOkDefault(bool bOk) {
    EnableControl(IDOK, bOk);
    SetDefaultButton(IDOK, bOk);
    SetDefaultButton(ID_ABORT, !bOk);
}
