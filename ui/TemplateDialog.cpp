#include "ui/TemplateDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTableWidget>

#include "ui/ApplicationIcon.h"
#include "ui/DialogFont.h"
#include "ui/QtText.h"

namespace {

bool Has(const ControlTemplate& control, ControlStyle style) {
    return (control.style & style) != 0;
}

// Turns typed letters into capitals, as an upper-case edit does.
class CUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*position*/) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

QWidget* CreatePushButton(const ControlTemplate& control, QWidget* pParent) {
    auto* pButton = new QPushButton(ToQString(control.text), pParent);
    pButton->setAutoDefault(false);
    pButton->setDefault(Has(control, STYLE_DEFAULT));
    return pButton;
}

QWidget* CreateGroupBox(const ControlTemplate& control, QWidget* pParent) {
    // Only a frame with a title: the controls inside it are its siblings, as
    // in a dialog template, so it must neither hide them nor take their clicks.
    auto* pGroup = new QGroupBox(ToQString(control.text), pParent);
    pGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    pGroup->setFocusPolicy(Qt::NoFocus);
    return pGroup;
}

QWidget* CreateLabel(const ControlTemplate& control, QWidget* pParent) {
    auto* pLabel = new QLabel(pParent);
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setText(ToQString(control.text));
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pLabel->setWordWrap(control.cy > 10 && !Has(control, STYLE_BORDER));
    if (Has(control, STYLE_BORDER)) {
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return pLabel;
}

QWidget* CreateEdit(const ControlTemplate& control, QWidget* pParent) {
    auto* pEdit = new QLineEdit(ToQString(control.text), pParent);
    pEdit->setReadOnly(Has(control, STYLE_READ_ONLY));
    if (Has(control, STYLE_UPPER_CASE)) {
        pEdit->setValidator(new CUpperCaseValidator(pEdit));
    } else if (Has(control, STYLE_NUMBER)) {
        pEdit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pEdit));
    }
    return pEdit;
}

QWidget* CreateCheckBox(const ControlTemplate& control, QWidget* pParent, bool bTriState) {
    auto* pCheckBox = new QCheckBox(ToQString(control.text), pParent);
    pCheckBox->setTristate(bTriState);
    return pCheckBox;
}

QWidget* CreateComboBox(const ControlTemplate& /*control*/, QWidget* pParent) {
    auto* pCombo = new QComboBox(pParent);
    pCombo->setEditable(true);
    pCombo->setInsertPolicy(QComboBox::NoInsert);
    pCombo->setMaxVisibleItems(12);
    return pCombo;
}

QWidget* CreateIcon(const ControlTemplate& control, QWidget* pParent) {
    auto* pLabel = new QLabel(pParent);
    const CDialogFont& font = CDialogFont::Instance();
    const int nSize = std::min(font.ToPixelsX(control.cx), font.ToPixelsY(control.cy));
    pLabel->setPixmap(ApplicationIcon().pixmap(nSize, nSize));
    return pLabel;
}

QWidget* CreateListView(QWidget* pParent) {
    auto* pTable = new QTableWidget(pParent);
    pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pTable->setSelectionMode(QAbstractItemView::NoSelection);
    pTable->verticalHeader()->hide();
    pTable->verticalHeader()->setDefaultSectionSize(CDialogFont::Instance().ToPixelsY(10));
    pTable->horizontalHeader()->setStretchLastSection(true);
    pTable->setWordWrap(false);
    return pTable;
}

Qt::FocusPolicy FocusPolicyOf(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::GroupBox:
        case ControlKind::Label:
        case ControlKind::Icon:
            return Qt::NoFocus;
        default:
            return Has(control, STYLE_TAB_STOP) ? Qt::StrongFocus : Qt::ClickFocus;
    }
}

}  // namespace

CTemplateDialog::CTemplateDialog(const DialogTemplate& dialogTemplate, QWidget* pParent)
    : QDialog(pParent) {
    setWindowTitle(ToQString(dialogTemplate.title));
    setWindowIcon(ApplicationIcon());
    setFont(CDialogFont::Instance().Font());
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (dialogTemplate.bSystemMenu) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    setWindowFlags(flags);
    PlaceControls(dialogTemplate);
    const CDialogFont& font = CDialogFont::Instance();
    setFixedSize(font.ToPixelsX(dialogTemplate.cx), font.ToPixelsY(dialogTemplate.cy));
}

void CTemplateDialog::PlaceControls(const DialogTemplate& dialogTemplate) {
    const CDialogFont& font = CDialogFont::Instance();
    QWidget* pPreviousTabStop = nullptr;
    QButtonGroup* pRadioGroup = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* pWidget = CreateControl(control);
        pWidget->setGeometry(font.ToPixels(control.x, control.y, control.cx, control.cy));
        pWidget->setEnabled(!Has(control, STYLE_DISABLED));
        pWidget->setFocusPolicy(FocusPolicyOf(control));
        if (control.kind == ControlKind::GroupBox) {
            pWidget->lower();
        }
        if (control.kind == ControlKind::RadioButton) {
            if (pRadioGroup == nullptr || Has(control, STYLE_GROUP)) {
                pRadioGroup = new QButtonGroup(this);
            }
            pRadioGroup->addButton(static_cast<QRadioButton*>(pWidget));
        }
        if (pWidget->focusPolicy() != Qt::NoFocus) {
            if (pPreviousTabStop != nullptr) {
                setTabOrder(pPreviousTabStop, pWidget);
            }
            pPreviousTabStop = pWidget;
        }
        if (control.nId != IDC_STATIC) {
            m_controls[control.nId] = pWidget;
        }
    }
}

QWidget* CTemplateDialog::CreateControl(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::PushButton:
            return CreatePushButton(control, this);
        case ControlKind::GroupBox:
            return CreateGroupBox(control, this);
        case ControlKind::Label:
            return CreateLabel(control, this);
        case ControlKind::Edit:
            return CreateEdit(control, this);
        case ControlKind::CheckBox:
            return CreateCheckBox(control, this, false);
        case ControlKind::TriStateCheckBox:
            return CreateCheckBox(control, this, true);
        case ControlKind::RadioButton:
            return new QRadioButton(ToQString(control.text), this);
        case ControlKind::ComboBox:
            return CreateComboBox(control, this);
        case ControlKind::Icon:
            return CreateIcon(control, this);
        case ControlKind::ListView:
            return CreateListView(this);
    }
    return new QWidget(this);
}

QWidget* CTemplateDialog::Control(int nId) const {
    const auto found = m_controls.find(nId);
    return found == m_controls.end() ? nullptr : found->second;
}

QPushButton* CTemplateDialog::Button(int nId) const {
    return qobject_cast<QPushButton*>(Control(nId));
}

QLineEdit* CTemplateDialog::Edit(int nId) const {
    return qobject_cast<QLineEdit*>(Control(nId));
}

QLabel* CTemplateDialog::Label(int nId) const {
    return qobject_cast<QLabel*>(Control(nId));
}

QCheckBox* CTemplateDialog::CheckBox(int nId) const {
    return qobject_cast<QCheckBox*>(Control(nId));
}

QRadioButton* CTemplateDialog::RadioButton(int nId) const {
    return qobject_cast<QRadioButton*>(Control(nId));
}

QComboBox* CTemplateDialog::ComboBox(int nId) const {
    return qobject_cast<QComboBox*>(Control(nId));
}

QTableWidget* CTemplateDialog::ListView(int nId) const {
    return qobject_cast<QTableWidget*>(Control(nId));
}

void CTemplateDialog::EnableControl(int nId, bool bEnable) {
    if (QWidget* pControl = Control(nId)) {
        pControl->setEnabled(bEnable);
    }
}

void CTemplateDialog::SetControlText(int nId, const QString& text) {
    QWidget* pControl = Control(nId);
    if (auto* pLabel = qobject_cast<QLabel*>(pControl)) {
        pLabel->setText(text);
    } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
        pEdit->setText(text);
    } else if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) {
        pButton->setText(text);
    } else if (auto* pCombo = qobject_cast<QComboBox*>(pControl)) {
        pCombo->setEditText(text);
    }
}

void CTemplateDialog::SetDefaultButton(int nId, bool bDefault) {
    if (QPushButton* pButton = Button(nId)) {
        pButton->setDefault(bDefault);
    }
}

void CTemplateDialog::keyPressEvent(QKeyEvent* pEvent) {
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    auto* pFocused = qobject_cast<QPushButton*>(focusWidget());
    if (bEnter && pEvent->modifiers() == Qt::NoModifier && pFocused != nullptr &&
        pFocused->isEnabled()) {
        pFocused->click();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}
