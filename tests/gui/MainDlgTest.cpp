#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

#include "app/MainDlg.h"
#include "dialogs/ExistingFileDlg.h"
#include "dialogs/TemplatesDlg.h"
#include "tests/gui/ModalDriver.h"
#include "ui/MessageBox.h"

namespace {

const QByteArray TEXT_FILE =
    "NAME,LATITUDE,LONGITUDE,COMMENT\r\n"
    "home,32.500000,-117.250000,front door\r\n"
    "cafe,48.858370,2.294481,x\r\n";

// The status area: conversion buttons, stage boxes, stage labels and the counter.
QString StatusArea(CMainDlg& dialog) {
    QString status;
    for (int nId : {IDC_TEXT_TO_MAPSOURCE, IDC_MAPSOURCE_TO_TEXT}) {
        status += dialog.Control(nId)->isEnabled() ? 'B' : '-';
    }
    for (int nId : {IDC_SCAN_CHECK, IDC_IMPORT_CHECK, IDC_EXPORT_CHECK}) {
        status += dialog.CheckBox(nId)->isChecked() ? 'X' : '-';
    }
    for (int nId : {IDC_SCAN_LABEL, IDC_IMPORT_LABEL, IDC_EXPORT_LABEL}) {
        status += dialog.Control(nId)->isEnabled() ? 'L' : '-';
    }
    return status + '[' + dialog.Label(IDC_COUNTER)->text() + ']';
}

// Answers the templates dialog with the template "sheet" (columns A to D, first row 2,
// commas), defining it when it is not stored yet.
void ChooseSheetTemplate(QWidget* pWidget) {
    auto& dialog = *qobject_cast<CTemplatesDlg*>(pWidget);
    QTest::keyClicks(dialog.ComboBox(IDC_TEMPLATE_NAME)->lineEdit(), "sheet");
    if (dialog.Edit(IDC_NAME_INDEX)->isEnabled()) {
        const char* fields[] = {"A", "B", "C", "D", "2"};
        for (int i = 0; i < 5; ++i) {
            dialog.Edit(IDC_NAME_INDEX + i)->setText(QString::fromLatin1(fields[i]));
        }
        dialog.RadioButton(IDC_COMMA)->click();
    }
    dialog.Button(IDOK)->click();
}

}  // namespace

class MainDlgTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CMainDlg> m_pDialog;
    std::deque<QString> m_files;  // the file choosers' answers; none left: cancelled
    QStringList m_messages;
    QString m_statusAtMessage;

    QString Path(const char* pName) const { return m_pDir->filePath(QString::fromLatin1(pName)); }

    // Runs one conversion from a click on the button to idle again.
    void Convert(int nButton) {
        m_pDialog->Button(nButton)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_pDialog->Converter().IsRunning(), 10000);
    }

private slots:
    void init() {
        m_pDir = std::make_unique<QTemporaryDir>();
        m_pDialog = std::make_unique<CMainDlg>(Path("PathfolioTemplates.dat").toStdString());
        m_files.clear();
        m_messages.clear();
        m_pDialog->UserInterface().SetFileChooser(
            [this](FileRole, const QString&, const QString&, const QString&, QString& path) {
                if (m_files.empty()) {
                    return false;
                }
                path = m_files.front();
                m_files.pop_front();
                return true;
            });
        SetMessageAnswerer([this](const QString& text, MessageButtons) {
            m_messages << text;
            m_statusAtMessage =
                StatusArea(*m_pDialog);  // the counter is cleared before the message
            return MessageAnswer::Ok;
        });
    }

    void cleanup() {
        m_pDialog.reset();
        SetMessageAnswerer({});
    }

    // Exit is the default button: Enter right after the start ends the program.
    void opensIdleWithExitAsTheDefault() {
        QCOMPARE(StatusArea(*m_pDialog), QStringLiteral("BB------[]"));
        CModalDriver driver;
        driver.Then([](QWidget* pWidget) { QTest::keyClick(pWidget, Qt::Key_Return); });
        QCOMPARE(m_pDialog->exec(), int(QDialog::Rejected));
        QVERIFY(driver.Unanswered().isEmpty());
    }

    // Text to MapSource through a template defined in the dialog, a second text file
    // appended (the three stages ticked in turn), and the whole file back to text.
    void convertsBothWaysThroughATemplateDefinedInTheDialog() {
        WriteFile(Path("in.csv"), TEXT_FILE);
        WriteFile(Path("more.csv"), "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhut,46.5,7.8,\r\n");
        CModalDriver driver;
        driver.Then(ChooseSheetTemplate);
        m_files = {Path("in.csv"), Path("all.mps")};
        Convert(IDC_TEXT_TO_MAPSOURCE);
        QCOMPARE(m_statusAtMessage, QStringLiteral("---XX-LL[]"));
        QCOMPARE(StatusArea(*m_pDialog), QStringLiteral("BB------[]"));

        QStringList ticks;
        for (int nId : {IDC_SCAN_CHECK, IDC_IMPORT_CHECK, IDC_EXPORT_CHECK}) {
            connect(m_pDialog->CheckBox(nId), &QCheckBox::toggled, this,
                    [&ticks, nId](bool bOn) { ticks << QString::number(nId) + (bOn ? '+' : '-'); });
        }
        driver.Then<CExistingFileDlg>(
            [](CExistingFileDlg& dialog) { dialog.RadioButton(1020)->click(); });
        driver.Then(ChooseSheetTemplate);  // stored now: typing its name picks it
        m_files = {Path("more.csv"), Path("all.mps")};
        Convert(IDC_TEXT_TO_MAPSOURCE);
        QCOMPARE(ticks.join(' '), QStringLiteral("1004+ 1005+ 1006+ 1004- 1005- 1006-"));
        QCOMPARE(m_statusAtMessage, QStringLiteral("--XXXLLL[]"));

        driver.Then(ChooseSheetTemplate);
        m_files = {Path("all.mps"), Path("back.csv")};
        Convert(IDC_MAPSOURCE_TO_TEXT);
        QCOMPARE(ReadFile(Path("back.csv")), TEXT_FILE + "hut,46.500000,7.800000,\r\n");
        QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
        QCOMPARE(m_messages.size(), 3);
        QVERIFY(m_messages[2].contains(QStringLiteral("back.csv\" is ready")));
        QCOMPARE(QFileInfo(Path("PathfolioTemplates.dat")).size(), 276);
    }

    void exitWhileAJobAsksClosesTheWindowAndLeavesTheTarget() {
        WriteFile(Path("in.csv"), TEXT_FILE);
        WriteFile(Path("old.mps"), "not touched");
        m_files = {Path("in.csv"), Path("old.mps")};
        CModalDriver driver(3000);
        driver.Then([this](QWidget*) { m_pDialog->Button(IDC_TEXT_TO_MAPSOURCE)->click(); });
        // The target exists: the job asks, and the window is closed meanwhile.
        driver.Then([this](QWidget*) { m_pDialog->Button(IDCANCEL)->click(); });
        QCOMPARE(m_pDialog->exec(), int(QDialog::Rejected));
        QVERIFY(!m_pDialog->Converter().IsRunning());
        QCOMPARE(ReadFile(Path("old.mps")), QByteArray("not touched"));
        QCOMPARE(QDir(m_pDir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(driver.Unanswered().isEmpty());
        QVERIFY(m_messages.isEmpty());
    }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
