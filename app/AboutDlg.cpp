#include "app/AboutDlg.h"

#include <QPushButton>

const DialogTemplate& CAboutDlg::Template() {
    static const DialogTemplate dialogTemplate = {
        "About Pathfolio",
        235,
        57,
        true,
        {
            {IDC_STATIC, ControlKind::Icon, "", 11, 17, 21, 20},
            {IDC_STATIC, ControlKind::Label, "Pathfolio Version 1.0", 40, 10, 119, 8},
            {IDC_STATIC, ControlKind::Label, "Copyright (C) 2026 The Pathfolio developers", 40, 25,
             160, 8},
            {IDC_STATIC, ControlKind::Label, "Free software under the MIT License", 40, 38, 160, 8},
            {IDOK, ControlKind::PushButton, "OK", 178, 7, 50, 14,
             STYLE_DEFAULT | STYLE_GROUP | STYLE_TAB_STOP},
        },
    };
    return dialogTemplate;
}

CAboutDlg::CAboutDlg(QWidget* pOwner) : CTemplateDialog(Template(), pOwner) {
    connect(Button(IDOK), &QPushButton::clicked, this, &CAboutDlg::accept);
}
