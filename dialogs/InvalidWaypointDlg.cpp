#include "dialogs/InvalidWaypointDlg.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
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
    {Dlg::ID_TRUNCATE, Resolution::Truncate},    {Dlg::ID_CLEAN, Resolution::Clean},
};

// "Line 12 of the source file in.csv": the file by its name, the place by its unit.
QString DescribeOrigin(const WaypointOrigin& origin, bool bFromTarget) {
    const QByteArray path(origin.filePath.data(), static_cast<qsizetype>(origin.filePath.size()));
    const QString file = QFileInfo(QFile::decodeName(path)).fileName();
    const QString role = bFromTarget ? QStringLiteral("target") : QStringLiteral("source");
    switch (origin.unit) {
        case WaypointOrigin::Unit::Line:
            return QStringLiteral("Line %1 of the %2 file %3").arg(origin.nNumber).arg(role, file);
        case WaypointOrigin::Unit::Record:
            return QStringLiteral("Waypoint record %1 of the %2 file %3")
                .arg(origin.nNumber)
                .arg(role, file);
        case WaypointOrigin::Unit::Unknown:
            break;
    }
    return QString();
}

QString Degrees(double dDegrees) {
    return QString::number(dDegrees, 'f', 6);
}

constexpr unsigned TAB = STYLE_TAB_STOP;
constexpr unsigned OFF = STYLE_DISABLED;

}  // namespace

const DialogTemplate& CInvalidWaypointDlg::Template() {
    static const DialogTemplate dialogTemplate = {
        "Pathfolio - Invalid Waypoint",
        300,
        236,
        false,
        {
            {ID_MESSAGE, ControlKind::Label, "", 30, 37, 172, 25},
            {ID_NAME, ControlKind::Edit, "", 32, 15, 190, 14, TAB | OFF},
            {ID_QUESTION, ControlKind::Label, "Would you like to:", 32, 75, 88, 8},
            {ID_ADD_SUFFIX, ControlKind::RadioButton,
             "&Add Suffix (automaticiclly generate unique name)", 32, 86, 185, 10,
             TAB | STYLE_GROUP | OFF},
            {ID_OVERWRITE, ControlKind::RadioButton,
             "&Overwrite (accept and overwrite existing waypoint data)", 32, 99, 190, 10,
             TAB | OFF},
            {ID_DISCARD, ControlKind::RadioButton, "&Discard (reject the new waypoint)", 32, 112,
             121, 10, TAB},
            {ID_EDIT, ControlKind::RadioButton, "&Edit (manually change the name)", 32, 125, 119,
             10, TAB | OFF},
            {ID_APPLY_TO_ALL, ControlKind::CheckBox, "A&pply to all waypoints with same error", 32,
             166, 155, 10, TAB},
            {IDOK, ControlKind::PushButton, "OK", 236, 15, 50, 14, TAB | STYLE_DEFAULT | OFF},
            {ID_ABORT, ControlKind::PushButton, "Abort", 236, 32, 50, 14, TAB},
            {ID_CHANGE_NAME, ControlKind::Label, "Please change this name", 32, 64, 88, 8, OFF},
            {ID_TRUNCATE, ControlKind::RadioButton,
             "&Truncate (cut the name to the appropriate length)", 32, 138, 184, 10, TAB | OFF},
            {ID_CLEAN, ControlKind::RadioButton,
             "&Clean (accents to plain letters, other characters dropped)", 32, 151, 200, 10,
             TAB | OFF},
            {IDC_STATIC, ControlKind::GroupBox, "Waypoint", 26, 182, 260, 48},
            {ID_ORIGIN, ControlKind::Label, "", 32, 194, 248, 8},
            {ID_COORDINATES, ControlKind::Label, "", 32, 205, 248, 8},
            {ID_COMMENT, ControlKind::Label, "", 32, 216, 248, 8},
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
    ShowWaypoint(table);
    Edit(ID_NAME)->setText(ToQString(m_strName));
    Edit(ID_NAME)->setCursorPosition(0);
    Edit(ID_NAME)->setToolTip(ToQString(m_strName));
    MakeOkDefault(false);
    if (m_policy.resolution == Resolution::Edit && m_policy.applyToAll) {
        EnterForcedEditMode();
    }
}

void CInvalidWaypointDlg::ShowWaypoint(const CWaypointTable& table) {
    const CWaypoint* pWaypoint = table.PendingWaypoint();
    if (pWaypoint == nullptr) {
        return;
    }
    SetDetail(ID_ORIGIN, DescribeOrigin(table.PendingOrigin(), pWaypoint->m_bFromTarget));
    SetDetail(ID_COORDINATES,
              QStringLiteral("Latitude %1, longitude %2")
                  .arg(Degrees(pWaypoint->m_dLatitude), Degrees(pWaypoint->m_dLongitude)));
    SetDetail(ID_COMMENT, QStringLiteral("Comment: ") + ToQString(pWaypoint->m_strComment));
}

void CInvalidWaypointDlg::SetDetail(int nId, const QString& text) {
    QLabel* pLabel = Label(nId);
    const QString shown = pLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, pLabel->width());
    pLabel->setText(shown);
    pLabel->setToolTip(shown != text ? text : QString());
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

// A name with other characters is offered cleaned, ready to accept or change.
void CInvalidWaypointDlg::ChooseEdit() {
    m_policy.resolution = Resolution::Edit;
    EnableControl(ID_NAME, true);
    Edit(ID_NAME)->setFocus();
    MakeOkDefault(false);
    if (m_fault == WaypointError::NameNotAlphanumeric &&
        ToBytes(Edit(ID_NAME)->text()) == m_strName) {
        Edit(ID_NAME)->setText(ToQString(CleanName(m_strName)));
    }
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
