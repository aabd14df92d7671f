#pragma once

#include <QDialog>
#include <map>

#include "ui/DialogTemplate.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// A modal dialog built from a DialogTemplate: every control is placed by the
// dialog font's units and found again by its ID, as the dialogs and their tests
// address them.
//
// Push buttons never take the default role by merely having the focus: the
// dialog moves that role itself with SetDefaultButton. Enter presses the
// focused push button, or else the default one.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTemplateDialog(const DialogTemplate& dialogTemplate, QWidget* pParent = nullptr);

    // The control with this ID, or null.
    QWidget* Control(int nId) const;
    QPushButton* Button(int nId) const;
    QLineEdit* Edit(int nId) const;
    QLabel* Label(int nId) const;
    QCheckBox* CheckBox(int nId) const;
    QRadioButton* RadioButton(int nId) const;
    QComboBox* ComboBox(int nId) const;
    QTableWidget* ListView(int nId) const;

    void EnableControl(int nId, bool bEnable);
    void SetControlText(int nId, const QString& text);
    // Gives the push button the default role or takes it away.
    void SetDefaultButton(int nId, bool bDefault);

protected:
    // Enter presses the push button that has the focus, else the default button.
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    QWidget* CreateControl(const ControlTemplate& control);
    void PlaceControls(const DialogTemplate& dialogTemplate);

    std::map<int, QWidget*> m_controls;
};
