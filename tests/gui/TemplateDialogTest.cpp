#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "tests/gui/ModalDriver.h"
#include "ui/DialogFont.h"
#include "ui/DialogStyle.h"
#include "ui/MessageBox.h"
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

// How tall the ink of the text is, in pixels of a screen of that device pixel ratio.
int InkHeight(const QFont& font, const QString& text, double dRatio) {
    const int nWidth = QFontMetrics(font).horizontalAdvance(text) + 20;
    QImage image(QSize(nWidth, 40) * dRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(dRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(10, 25), text);
    painter.end();
    int nTop = image.height(), nBottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                nTop = std::min(nTop, y);
                nBottom = std::max(nBottom, y);
            }
        }
    }
    return nBottom - nTop + 1;
}

// Whether the button is drawn inside a dark frame (the default button's).
bool HasDarkFrame(QPushButton* pButton) {
    const QImage image = pButton->grab().toImage();
    return qGray(image.pixel(0, image.height() / 2)) < 64 &&
           qGray(image.pixel(image.width() / 2, image.height() - 1)) < 64;
}

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

    // The default button is framed wherever the role goes; the focus neither
    // takes the frame nor gets one.
    void onlyTheDefaultButtonIsFramed() {
        UseDialogStyle();
        CTemplateDialog dialog(SAMPLE);
        dialog.show();
        QVERIFY(HasDarkFrame(dialog.Button(1)) && !HasDarkFrame(dialog.Button(2)));
        dialog.SetDefaultButton(2, true);
        dialog.Button(1)->setFocus();
        QVERIFY(!HasDarkFrame(dialog.Button(1)) && HasDarkFrame(dialog.Button(2)));
    }

    // A message box breaks its lines between words, never inside a quoted path.
    void aMessageKeepsAQuotedPathOnOneLine() {
        const QString path =
            "/home/someone/Documents/GPS lists/2026 spring survey - all "
            "waypoints merged-final.mps";
        const QString text = "The operation has completed successfully (file \"" + path +
                             "\" is ready)\nnext & <last> line";
        CModalDriver driver;
        QStringList lines;
        driver.Then([&lines](QWidget* pBox) {
            const auto* pLabel = pBox->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QTextDocument document;
            document.setDefaultFont(pLabel->font());
            document.setDocumentMargin(0);
            document.setPlainText(pLabel->text());
            document.setTextWidth(pLabel->contentsRect().width());
            document.size();  // lays the text out
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
                const QTextLayout* pLayout = block.layout();
                for (int i = 0; i < pLayout->lineCount(); ++i) {
                    const QTextLine line = pLayout->lineAt(i);
                    lines << block.text()
                                 .mid(line.textStart(), line.textLength())
                                 .remove(QChar(0x2060))  // the word joiner
                                 .replace(QChar(0xA0), ' ')
                                 .trimmed();
                }
            }
            static_cast<QMessageBox*>(pBox)->accept();
        });
        ShowMessageBox(nullptr, text);
        QVERIFY(driver.AllAnswered() && lines.size() >= 3);
        QVERIFY2(lines.filter(path).size() == 1, qPrintable(lines.join('\n')));
        QCOMPARE(lines.last(), "next & <last> line");
    }

    // On a screen scaled above 1x the glyphs grow with the screen (a bitmap face
    // keeps its pixels, leaving gaps between them), and the dialog units stay.
    void textScalesWithTheScreenInTheSameUnits() {
        const QString text = QStringLiteral("From Text file to MapSource file");
        const CDialogFont plain(1.0);
        const int nPlainHeight = InkHeight(plain.Font(), text, 1.0);
        for (const double dRatio : {1.5, 2.0}) {
            const CDialogFont scaled(dRatio);
            QCOMPARE(scaled.BaseUnitX(), plain.BaseUnitX());
            QCOMPARE(scaled.BaseUnitY(), plain.BaseUnitY());
            const int nHeight = InkHeight(scaled.Font(), text, dRatio);
            QVERIFY2(nHeight >= 0.75 * dRatio * nPlainHeight,
                     qPrintable(QStringLiteral("%1 px at %2x, %3 px at 1x")
                                    .arg(nHeight)
                                    .arg(dRatio)
                                    .arg(nPlainHeight)));
        }
    }
};

QTEST_MAIN(TemplateDialogTest)
#include "TemplateDialogTest.moc"
