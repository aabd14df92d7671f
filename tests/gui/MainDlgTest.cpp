#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <deque>

#include "app/HelpDlg.h"
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
    QStringList m_chooserStarts;  // "source:" or "target:" and the path each chooser opened on
    QStringList m_filters;        // the first filter each chooser offered
    MessageAnswer m_stopAnswer = MessageAnswer::No;  // to the question on Exit during a job
    QStringList m_messages;
    QString m_statusAtMessage;

    QString Path(const char* pName) const { return m_pDir->filePath(QString::fromLatin1(pName)); }

    // Runs one conversion from a click on the button to idle again.
    void Convert(int nButton) {
        m_pDialog->Button(nButton)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_pDialog->Converter().IsRunning(), 10000);
    }

    // Shows the window and waits until it has the keyboard.
    void ShowActive() {
        m_pDialog->show();
        QVERIFY(QTest::qWaitForWindowActive(m_pDialog.get()));
    }

    QString JobResult() const { return m_pDialog->Label(IDC_JOB_RESULT)->text(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        m_pDir = std::make_unique<QTemporaryDir>();
        m_pDialog = std::make_unique<CMainDlg>(Path("PathfolioTemplates.dat").toStdString());
        m_files.clear();
        m_chooserStarts.clear();
        m_filters.clear();
        m_messages.clear();
        QSettings(QStringLiteral("pathfolio"), QStringLiteral("pathfolio")).clear();
        m_pDialog->UserInterface().SetFileChooser(
            [this](FileRole role, const QString&, const QString& filter, const QString&,
                   QString& path) {
                m_chooserStarts << (role == FileRole::Source ? "source:" : "target:") + path;
                m_filters << filter.section(QStringLiteral(";;"), 0, 0);
                if (m_files.empty()) {
                    return false;
                }
                path = m_files.front();
                m_files.pop_front();
                return true;
            });
        SetMessageAnswerer([this](const QString& text, MessageButtons buttons) {
            m_messages << text;
            m_statusAtMessage =
                StatusArea(*m_pDialog);  // the counter is cleared before the message
            return buttons == MessageButtons::YesNoDefaultNo ? m_stopAnswer : MessageAnswer::Ok;
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

    // The four GPX buttons, each with its own choosers: text to GPX, on to
    // MapSource, back to GPX with the symbol MapSource gave, and back to text.
    void convertsToAndFromGpx() {
        WriteFile(Path("in.csv"), TEXT_FILE);
        CModalDriver driver;
        driver.Then(ChooseSheetTemplate);
        driver.Then(ChooseSheetTemplate);
        const std::pair<int, std::vector<const char*>> steps[] = {
            {IDC_TEXT_TO_GPX, {"in.csv", "a.gpx"}},
            {IDC_GPX_TO_MAPSOURCE, {"a.gpx", "b.mps"}},
            {IDC_MAPSOURCE_TO_GPX, {"b.mps", "c.gpx"}},
            {IDC_GPX_TO_TEXT, {"c.gpx", "back.csv"}},
        };
        for (const auto& [nButton, files] : steps) {
            m_files = {Path(files[0]), Path(files[1])};
            Convert(nButton);
        }
        QCOMPARE(m_filters.join(QLatin1Char('|')),
                 QStringLiteral("Text Files (*.txt *.csv)|GPX Files (*.gpx)|GPX Files (*.gpx)|"
                                "MapSource Files (*.mps)|MapSource Files (*.mps)|GPX Files "
                                "(*.gpx)|GPX Files (*.gpx)|Text Files (*.txt *.csv)"));
        QVERIFY(ReadFile(Path("c.gpx"))
                    .contains("    <name>cafe</name>\n    <cmt>x</cmt>\n"
                              "    <desc>x</desc>\n    <sym>Waypoint</sym>"));
        QCOMPARE(ReadFile(Path("back.csv")), TEXT_FILE);
        QCOMPARE(m_messages.size(), 4);
        QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
        for (int nId : CONVERSION_BUTTONS) {
            QVERIFY(m_pDialog->Control(nId)->isEnabled());
        }
    }

    // Exit during a job asks first; No (Enter) keeps converting, Yes stops the job,
    // closes the window and leaves the target as it was.
    void exitDuringAJobAsksFirst() {
        WriteFile(Path("in.csv"), TEXT_FILE);
        WriteFile(Path("old.mps"), "not touched");
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            init();
            WriteFile(Path("in.csv"), TEXT_FILE);
            WriteFile(Path("old.mps"), "not touched");
            m_stopAnswer = answer;
            m_files = {Path("in.csv"), Path("old.mps")};
            CModalDriver driver;
            driver.Then([this](QWidget*) { m_pDialog->Button(IDC_TEXT_TO_MAPSOURCE)->click(); });
            // The target exists: the job asks, and Exit is clicked meanwhile.
            bool bAborted = false;
            driver.Then([this, answer = answer, &bAborted](QWidget* pAsking) {
                m_pDialog->Button(IDCANCEL)->click();
                if (answer == MessageAnswer::No) {  // kept converting: the job goes on
                    QVERIFY(pAsking->isVisible());
                    qobject_cast<CExistingFileDlg*>(pAsking)->Button(1018)->click();  // Abort
                    bAborted = true;
                }
            });
            // Once the job has ended, Exit closes the window without a question.
            QTimer exitWhenIdle;
            connect(&exitWhenIdle, &QTimer::timeout, this, [this, &bAborted] {
                if (bAborted && !m_pDialog->Converter().IsRunning()) {
                    m_pDialog->Button(IDCANCEL)->click();
                }
            });
            exitWhenIdle.start(10);
            QCOMPARE(m_pDialog->exec(), int(QDialog::Rejected));
            QVERIFY(!m_pDialog->Converter().IsRunning());
            QCOMPARE(ReadFile(Path("old.mps")), QByteArray("not touched"));
            QCOMPARE(QDir(m_pDir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
            QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
            QCOMPARE(m_messages, QStringList{"A conversion is running. Stop it and exit? The "
                                             "target file will be left as it was."});
        }
    }

    // After a job the focus is where it was; the status area says how a job that
    // did not succeed ended.
    void aJobGivesTheFocusBackAndSaysHowItEnded() {
        ShowActive();
        QPushButton* pButton = m_pDialog->Button(IDC_TEXT_TO_MAPSOURCE);
        WriteFile(Path("old.mps"), "old");
        CModalDriver driver;
        const struct {
            std::deque<QString> files;
            std::function<void(QWidget*)> answer;  // to the existing-file dialog
            QString result;
        } cases[] = {
            {{}, nullptr, ""},  // the source chooser cancelled
            {{Path("missing.csv"), Path("new.mps")},
             nullptr,
             "Conversion failed: the target file was left as it was."},
            {{Path("in.csv"), Path("old.mps")},
             [](QWidget* pAsking) { QTest::keyClick(pAsking, Qt::Key_Escape); },
             "Conversion stopped: the target file was left as it was."},
            {{Path("in.csv"), Path("new.mps")}, nullptr, ""},
        };
        for (const auto& c : cases) {
            WriteFile(Path("in.csv"), "NAME,LATITUDE,LONGITUDE,COMMENT\r\n");
            m_files = c.files;
            if (c.answer) {
                driver.Then(c.answer);
            }
            if (c.result.isEmpty() && !c.files.empty()) {
                driver.Then(ChooseSheetTemplate);
            }
            pButton->setFocus();
            QTest::keyClick(pButton, Qt::Key_Return);
            QTRY_VERIFY(!m_pDialog->Converter().IsRunning() && pButton->isEnabled());
            QCOMPARE(JobResult(), c.result);
            QTRY_COMPARE(m_pDialog->focusWidget(), pButton);
        }
        QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
    }

    // A dropped file, or one named on the command line, is the source: only the
    // target is asked for, proposed beside it with the other kind's extension. The
    // choosers open in the folder last used.
    void aDroppedFileIsConvertedToTheOtherKind() {
        WriteFile(Path("in.csv"), TEXT_FILE);
        CModalDriver driver;
        driver.Then(ChooseSheetTemplate);
        m_files = {Path("dropped.mps")};
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Path("in.csv"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pDialog.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pDialog.get(), &drop);
        QTRY_VERIFY(m_chooserStarts.size() == 1 && !m_pDialog->Converter().IsRunning());
        QCOMPARE(m_chooserStarts, QStringList{"target:" + Path("in.mps")});
        QVERIFY(m_messages.value(0).contains("dropped.mps"));

        driver.Then(ChooseSheetTemplate);
        m_files = {Path("back.csv")};
        QDir::setCurrent(m_pDir->path());
        m_pDialog->ConvertFile("dropped.mps");  // as `pathfolio dropped.mps` does
        QTRY_VERIFY(!m_pDialog->Converter().IsRunning());
        QCOMPARE(m_chooserStarts.last(), "target:" + Path("dropped.csv"));
        QCOMPARE(ReadFile(Path("back.csv")), TEXT_FILE);

        Convert(IDC_TEXT_TO_MAPSOURCE);  // cancelled in the source chooser
        QCOMPARE(m_chooserStarts.last(), "source:" + m_pDir->path());
        QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
        // A folder, or two files, cannot be dropped.
        for (const QList<QUrl>& urls : {QList<QUrl>{QUrl::fromLocalFile(m_pDir->path())},
                                        QList<QUrl>{QUrl::fromLocalFile(Path("in.csv")),
                                                    QUrl::fromLocalFile(Path("back.csv"))}}) {
            data.setUrls(urls);
            QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                                    Qt::NoModifier);
            refused.setAccepted(false);
            QCoreApplication::sendEvent(m_pDialog.get(), &refused);
            QVERIFY(!refused.isAccepted());
        }
    }

    // F1 opens Help; About sits beside it; the conversion buttons have mnemonics.
    void helpAboutAndMnemonicsAreAtHand() {
        ShowActive();
        QTest::keyClick(m_pDialog.get(), Qt::Key_F1);
        QTRY_VERIFY(m_pDialog->findChild<CHelpDlg*>() != nullptr &&
                    m_pDialog->findChild<CHelpDlg*>()->isVisible());
        m_pDialog->findChild<CHelpDlg*>()->close();
        m_pDialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_pDialog.get()));
        CModalDriver driver;
        QString about;
        driver.Then([&about](QWidget* pBox) {
            about = pBox->windowTitle();
            QTest::keyClick(pBox, Qt::Key_Escape);
        });
        QTest::keyClick(m_pDialog.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(about, QStringLiteral("About Pathfolio"));
        for (auto [key, start] : {std::pair{Qt::Key_T, "source:"}, {Qt::Key_M, "source:"}}) {
            m_chooserStarts.clear();
            m_pDialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_pDialog.get()));
            QTest::keyClick(m_pDialog.get(), key, Qt::AltModifier);
            QTRY_COMPARE(m_chooserStarts.size(), 1);
            QVERIFY(m_chooserStarts[0].startsWith(start));
        }
    }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
