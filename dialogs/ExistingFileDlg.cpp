#include "dialogs/ExistingFileDlg.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

const DialogTemplate& CExistingFileDlg::Template() {
    static const DialogTemplate dialogTemplate = {
        "Pathfolio - Existing File",
        200,
        137,
        true,
        {
            {ID_PATH, ControlKind::Edit, "", 27, 17, 135, 17, STYLE_READ_ONLY | STYLE_TAB_STOP},
            {ID_REPLACE, ControlKind::RadioButton, "&Replace existing data", 27, 68, 84, 8,
             STYLE_GROUP | STYLE_TAB_STOP},
            {ID_APPEND, ControlKind::RadioButton, "&Append new data to existing data", 27, 84, 121,
             8, STYLE_TAB_STOP},
            {ID_ABORT, ControlKind::PushButton, "Abort", 74, 106, 50, 14, STYLE_TAB_STOP},
            {IDC_STATIC, ControlKind::Label, "This file already exists, would you like to:", 27, 51,
             128, 8},
        },
    };
    return dialogTemplate;
}

CExistingFileDlg::CExistingFileDlg(const std::string& path, QWidget* pOwner)
    : CTemplateDialog(Template(), pOwner) {
    // A path is shown the way the file system spells it, not as waypoint text.
    Edit(ID_PATH)->setText(QFile::decodeName(QByteArray::fromStdString(path)));
    Edit(ID_PATH)->setCursorPosition(0);
    connect(RadioButton(ID_REPLACE), &QRadioButton::clicked, this,
            [this] { Choose(ExistingFileChoice::Replace); });
    connect(RadioButton(ID_APPEND), &QRadioButton::clicked, this,
            [this] { Choose(ExistingFileChoice::Append); });
    connect(Button(ID_ABORT), &QPushButton::clicked, this,
            [this] { Choose(ExistingFileChoice::Abort); });
}

void CExistingFileDlg::Choose(ExistingFileChoice choice) {
    m_choice = choice;
    accept();
}
