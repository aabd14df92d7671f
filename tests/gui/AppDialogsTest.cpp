#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "app/AboutDlg.h"
#include "app/HelpDlg.h"
#include "tests/gui/ModalDriver.h"

class AppDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void theAboutBoxShowsTheVersionAndOkClosesIt() {
        CAboutDlg about;
        QStringList texts;
        for (const QLabel* pLabel : about.findChildren<QLabel*>()) {
            texts << pLabel->text();
        }
        QVERIFY(texts.contains(QStringLiteral("Pathfolio Version 1.0")));
        QVERIFY(about.Button(IDOK)->isDefault());
        CModalDriver driver;
        driver.Then<CAboutDlg>([](CAboutDlg& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
        QCOMPARE(about.exec(), int(QDialog::Accepted));
        QVERIFY(driver.Unanswered().isEmpty());
    }

    void theHelpWindowShowsTheManual() {
        const QString html = CHelpDlg::HelpHtml();
        for (const char* pTopic :
             {"From Text file to MapSource file", "From MapSource file to Text file",
              "First Waypoint Index", "PathfolioTemplates.dat", "~/.local/share/pathfolio",
              "Add Suffix", "Overwrite", "Discard", "Edit", "Truncate", "Abort", "Apply to all",
              "Append new data", "temporary file", "pathfolio-cli [options] SOURCE TARGET",
              "--on-duplicate"}) {
            QVERIFY2(html.contains(QString::fromLatin1(pTopic)), pTopic);
        }
        CHelpDlg* pHelp = CHelpDlg::ShowFor(nullptr);
        QCOMPARE(pHelp->windowTitle(), QStringLiteral("Pathfolio Help"));
        QVERIFY(pHelp->isVisible() && !pHelp->isModal());
        QVERIFY(pHelp->Browser()->toPlainText().contains(QStringLiteral("Text templates")));
        pHelp->close();
    }
};

QTEST_MAIN(AppDialogsTest)
#include "AppDialogsTest.moc"
