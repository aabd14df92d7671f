#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/gui/ModalDriver.h"
#include "ui/DialogFont.h"
#include "ui/MessageBox.h"
#include "ui/TemplateDialog.h"

namespace {

const DialogTemplate SAMPLE = {
    900,
    "Sample",
    200,
    100,
    true,
    {
        {1, ControlKind::PushButton, "OK", 140, 10, 50, 14, STYLE_TAB_STOP | STYLE_DEFAULT},
        {2, ControlKind::PushButton, "Cancel", 140, 30, 50, 14, STYLE_TAB_STOP},
        {1010, ControlKind::Edit, "", 10, 10, 60, 14, STYLE_TAB_STOP | STYLE_UPPER_CASE},
        {1014, ControlKind::Edit, "", 10, 30, 60, 14, STYLE_TAB_STOP | STYLE_NUMBER},
        {1000, ControlKind::RadioButton, "Comma", 10, 50, 50, 10, STYLE_GROUP},
        {1001, ControlKind::RadioButton, "Tab", 10, 62, 50, 10, STYLE_NONE},
        {1004, ControlKind::CheckBox, "Box", 10, 80, 50, 10, STYLE_DISABLED},
        {IDC_STATIC, ControlKind::Label, "Label", 80, 50, 50, 8, STYLE_NONE},
    },
};

}  // namespace

class TemplateDialogTest : public QObject {
    Q_OBJECT
private slots:
    void placesControlsInDialogUnits() {
        const CDialogFont& font = CDialogFont::Instance();
        CTemplateDialog dialog(SAMPLE);
        QCOMPARE(dialog.size(), QSize(font.ToPixelsX(200), font.ToPixelsY(100)));
        QCOMPARE(dialog.Control(1014)->geometry(), font.ToPixels(10, 30, 60, 14));
        QVERIFY(dialog.Control(IDC_STATIC) == nullptr);
        QVERIFY(!dialog.CheckBox(1004)->isEnabled());
    }

    void measuresTheDialogFontAsWindowsDoes() {
        // MS Sans Serif 8 pt at 96 dots per inch has base units of 6 by 13 pixels.
        const CDialogFont& font = CDialogFont::Instance();
        if (font.Font().family() != QStringLiteral("MS Sans Serif")) {
            QSKIP("MS Sans Serif is not installed");
        }
        QCOMPARE(font.BaseUnitX(), 6);
        QCOMPARE(font.BaseUnitY(), 13);
        QCOMPARE(font.ToPixels(29, 39, 124, 14), QRect(44, 63, 186, 23));
    }

    void movesTheDefaultRoleBetweenButtons() {
        CTemplateDialog dialog(SAMPLE);
        QVERIFY(dialog.Button(1)->isDefault());
        dialog.SetDefaultButton(2, true);
        QVERIFY(dialog.Button(2)->isDefault());
        QVERIFY(!dialog.Button(1)->isDefault());
        // Focus alone does not make a button the default.
        dialog.show();
        dialog.Button(1)->setFocus();
        QVERIFY(!dialog.Button(1)->isDefault());
    }

    void enterPressesTheFocusedButtonElseTheDefaultOne() {
        CTemplateDialog dialog(SAMPLE);
        dialog.show();
        QStringList pressed;
        for (int nId : {1, 2}) {
            connect(dialog.Button(nId), &QPushButton::clicked, this,
                    [&pressed, nId] { pressed << QString::number(nId); });
        }
        dialog.Button(2)->setFocus();
        QTest::keyClick(dialog.Button(2), Qt::Key_Return);
        dialog.Edit(1010)->setFocus();
        QTest::keyClick(dialog.Edit(1010), Qt::Key_Return);
        QCOMPARE(pressed, QStringList({"2", "1"}));
    }

    void editsHoldTheirStyle() {
        CTemplateDialog dialog(SAMPLE);
        dialog.show();
        QTest::keyClicks(dialog.Edit(1010), "ab1");
        QCOMPARE(dialog.Edit(1010)->text(), QStringLiteral("AB1"));
        QTest::keyClicks(dialog.Edit(1014), "1x2");
        QCOMPARE(dialog.Edit(1014)->text(), QStringLiteral("12"));
    }

    void optionButtonsOfAGroupExcludeEachOther() {
        CTemplateDialog dialog(SAMPLE);
        QVERIFY(!dialog.RadioButton(1000)->isChecked() && !dialog.RadioButton(1001)->isChecked());
        dialog.RadioButton(1000)->click();
        dialog.RadioButton(1001)->click();
        QVERIFY(!dialog.RadioButton(1000)->isChecked());
    }

    void theDriverAnswersAModalDialogAndTheWatchdogClosesAForgottenOne() {
        CModalDriver driver(300);
        driver.Then<CTemplateDialog>([](CTemplateDialog& dialog) { dialog.accept(); });
        CTemplateDialog answered(SAMPLE);
        QCOMPARE(answered.exec(), int(QDialog::Accepted));
        CTemplateDialog forgotten(SAMPLE);
        QCOMPARE(forgotten.exec(), int(QDialog::Rejected));
        QCOMPARE(driver.Unanswered(), QStringList{QStringLiteral("Sample")});
    }
};

QTEST_MAIN(TemplateDialogTest)
#include "TemplateDialogTest.moc"
