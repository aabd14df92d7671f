#pragma once

#include "ui/TemplateDialog.h"

// The about box: the icon, the version and the rights notice; OK closes it.
class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    static const DialogTemplate& Template();

    explicit CAboutDlg(QWidget* pOwner = nullptr);
};
