#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ui/DialogFont.h"
#include "ui/TemplateDialog.h"

namespace {

const DialogTemplate SAMPLE = {
    "Sample",
    200,
    100,
    true,
    {{1, ControlKind::PushButton, "OK", 140, 10, 50, 14, STYLE_TAB_STOP | STYLE_DEFAULT},
     {2, ControlKind::PushButton, "Cancel", 140, 30, 50, 14, STYLE_TAB_STOP},
     {1010, ControlKind::Edit, "", 10, 10, 60, 14, STYLE_TAB_STOP | STYLE_UPPER_CASE},
     {1014, ControlKind::Edit, "", 10, 30, 60, 14, STYLE_TAB_STOP | STYLE_NUMBER},
     {1000, ControlKind::RadioButton, "Comma", 10, 50, 50, 10, STYLE_GROUP},
     {1001, ControlKind::RadioButton, "Tab", 10, 62, 50, 10, STYLE_NONE}}};

}  // namespace

class TemplateDialogTest : public QObject {
    Q_OBJECT
private slots:
    void buildsTheControlsInDialogUnitsWithTheirStyles() {
        const CDialogFont& font = CDialogFont::Instance();
        CTemplateDialog dialog(SAMPLE);
        dialog.show();
        QCOMPARE(dialog.size(), QSize(font.ToPixelsX(200), font.ToPixelsY(100)));
        QCOMPARE(dialog.Control(1014)->geometry(), font.ToPixels(10, 30, 60, 14));
        QTest::keyClicks(dialog.Edit(1010), "ab1");
        QTest::keyClicks(dialog.Edit(1014), "1x2");
        QCOMPARE(dialog.Edit(1010)->text() + dialog.Edit(1014)->text(), QStringLiteral("AB112"));
        QVERIFY(!dialog.RadioButton(1000)->isChecked() && !dialog.RadioButton(1001)->isChecked());
        dialog.RadioButton(1000)->click();
        dialog.RadioButton(1001)->click();
        QVERIFY(!dialog.RadioButton(1000)->isChecked());
    }

    // Enter presses the focused button, else the default one; focus alone does not move
    // the default role.
    void enterPressesTheFocusedButtonElseTheDefaultOne() {
        CTemplateDialog dialog(SAMPLE);
        dialog.show();
        QStringList pressed;
        for (int nId : {1, 2}) {
            connect(dialog.Button(nId), &QPushButton::clicked, this,
                    [&pressed, nId] { pressed << QString::number(nId); });
        }
        QVERIFY(dialog.Button(1)->isDefault());
        dialog.SetDefaultButton(2, true);
        dialog.Button(1)->setFocus();
        QVERIFY(dialog.Button(2)->isDefault() && !dialog.Button(1)->isDefault());
        QTest::keyClick(dialog.Button(1), Qt::Key_Return);
        dialog.Edit(1010)->setFocus();
        QTest::keyClick(dialog.Edit(1010), Qt::Key_Return);
        QCOMPARE(pressed, QStringList({"1", "2"}));
    }
};

QTEST_MAIN(TemplateDialogTest)
#include "TemplateDialogTest.moc"
