#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>

#include "app/AboutDlg.h"
#include "app/HelpDlg.h"
#include "dialogs/ExistingFileDlg.h"
#include "dialogs/InvalidWaypointDlg.h"
#include "tests/gui/ModalDriver.h"
#include "ui/MessageBox.h"

Q_DECLARE_METATYPE(WaypointError)
Q_DECLARE_METATYPE(Resolution)
Q_DECLARE_METATYPE(ExistingFileChoice)

namespace {

using Dlg = CInvalidWaypointDlg;
const QString TOO_LONG =
    QStringLiteral("Waypoint name is too long - cannot contain more then 40 characters");
const QString BAD_CHARACTER = QString::fromStdString(WaypointErrorMessage(4, 40));

// One fault put before the person in a shown dialog; the table holds "home".
struct Fault {
    explicit Fault(WaypointError error, std::string candidate = "home", ResolutionPolicy st = {})
        : name(std::move(candidate)), policy(st), dialog(name, policy, table, 40, error) {
        CWaypoint home{"home", 32.5, -117.25, "", false};
        table.AddWaypoint(home);
        dialog.show();
    }

    // The enabled options, box and labels, whether the name can be edited, and
    // which button is the default: "ok" (enabled), "abort" (OK disabled), or "broken".
    QString State() const {
        QStringList parts;
        for (int nId : {1013, 1014, 1015, 1016, 1020, 1004, 1019, 1022}) {
            if (dialog.Control(nId)->isEnabled()) {
                parts << QString::number(nId);
            }
        }
        const QPushButton* pOk = dialog.Button(IDOK);
        const bool bBroken = pOk->isDefault() == dialog.Button(Dlg::ID_ABORT)->isDefault() ||
                             pOk->isDefault() != pOk->isEnabled();
        parts << (dialog.Control(Dlg::ID_NAME)->isEnabled() ? "edit" : "-")
              << (bBroken            ? "broken"
                  : pOk->isDefault() ? "ok"
                                     : "abort");
        return parts.join(' ');
    }
    void Choose(int nId) { QTest::mouseClick(dialog.Control(nId), Qt::LeftButton); }
    // Replaces the name as typed; the key simulation knows only ASCII.
    void Type(const QString& text) {
        dialog.Edit(Dlg::ID_NAME)->selectAll();
        text.toLatin1() == text.toUtf8() ? QTest::keyClicks(dialog.Edit(Dlg::ID_NAME), text)
                                         : dialog.Edit(Dlg::ID_NAME)->insert(text);
    }
    QString Message() const { return dialog.Label(Dlg::ID_MESSAGE)->text(); }

    std::string name;
    ResolutionPolicy policy;
    CWaypointTable table{nullptr};
    Dlg dialog;
};

QStringList g_messages;

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        SetMessageAnswerer([](const QString& text, MessageButtons) {
            g_messages << text;
            return MessageAnswer::Ok;
        });
    }
    void init() { g_messages.clear(); }

    void eachFaultOffersItsOptionsAndEnterAborts_data() {
        QTest::addColumn<WaypointError>("error");
        QTest::addColumn<QString>("state");
        QTest::newRow("exists") << WaypointError::NameExists
                                << "1013 1014 1015 1016 1004 1022 - abort";
        QTest::newRow("long") << WaypointError::NameTooLong << "1015 1016 1020 1004 1022 - abort";
        QTest::newRow("empty") << WaypointError::NameEmpty << "1015 1016 1004 1022 - abort";
        QTest::newRow("character")
            << WaypointError::NameNotAlphanumeric << "1015 1016 1004 1022 - abort";
        QTest::newRow("latitude") << WaypointError::LatitudeInvalid << "1015 1004 1022 - abort";
        QTest::newRow("longitude") << WaypointError::LongitudeInvalid << "1015 1004 1022 - abort";
    }
    void eachFaultOffersItsOptionsAndEnterAborts() {
        QFETCH(WaypointError, error);
        QFETCH(QString, state);
        Fault fault(error);
        QCOMPARE(fault.State(), state);
        QCOMPARE(fault.Message(), QString::fromStdString(WaypointErrorMessage(int(error), 40)));
        QTest::keyClick(&fault.dialog, Qt::Key_Return);
        QVERIFY(!fault.dialog.isVisible());
        QCOMPARE(fault.policy.resolution, Resolution::Abort);
    }

    // Each choice is written at once; Edit waits for a changed name.
    void choicesMoveTheDefaultButton_data() {
        QTest::addColumn<QList<int>>("clicks");  // 0: type "x"
        QTest::addColumn<Resolution>("resolution");
        QTest::addColumn<QString>("state");
        QTest::newRow("suffix") << QList<int>{1013} << Resolution::AddSuffix
                                << "1013 1014 1015 1016 1004 1022 - ok";
        QTest::newRow("edit") << QList<int>{1016} << Resolution::Edit
                              << "1013 1014 1015 1016 1004 1022 edit abort";
        QTest::newRow("edit, type")
            << QList<int>{1016, 0} << Resolution::Edit << "1013 1014 1015 1016 1004 1022 edit ok";
        QTest::newRow("overwrite, edit, type, discard")
            << QList<int>{1014, 1016, 0, 1015} << Resolution::Discard
            << "1013 1014 1015 1016 1004 1022 - ok";
    }
    void choicesMoveTheDefaultButton() {
        QFETCH(QList<int>, clicks);
        QFETCH(Resolution, resolution);
        QFETCH(QString, state);
        Fault fault(WaypointError::NameExists);
        for (int nId : clicks) {
            nId == 0 ? fault.Type(QStringLiteral("x")) : fault.Choose(nId);
        }
        QCOMPARE(fault.policy.resolution, resolution);
        QCOMPARE(fault.State(), state);
        if (resolution != Resolution::Edit) {
            QCOMPARE(fault.dialog.Edit(Dlg::ID_NAME)->text(), QStringLiteral("home"));
            QTest::keyClick(&fault.dialog, Qt::Key_Return);
            QCOMPARE(fault.dialog.result(), int(QDialog::Accepted));
            QCOMPARE(fault.name, std::string("home"));
        }
    }

    void anEditedNameIsCheckedBeforeItIsTaken_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("taken") << "home"
                               << "Waypoint name already exists";
        QTest::newRow("41 characters") << QString(41, 'a') << TOO_LONG;
        QTest::newRow("slash") << "camp/2" << BAD_CHARACTER;
        QTest::newRow("not Latin-1") << QStringLiteral("caf\u20ac") << BAD_CHARACTER;
        QTest::newRow("40 characters") << QString(40, 'a') << "";
        QTest::newRow("taken but for case") << "Home"
                                            << "";
    }
    void anEditedNameIsCheckedBeforeItIsTaken() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fault fault(WaypointError::NameNotAlphanumeric, "camp.2");
        fault.Choose(Dlg::ID_EDIT);
        fault.Type(typed);
        QTest::mouseClick(fault.dialog.Button(IDOK), Qt::LeftButton);
        if (message.isEmpty()) {
            QCOMPARE(fault.dialog.result(), int(QDialog::Accepted));
            QCOMPARE(QString::fromStdString(fault.name), typed);
            return;
        }
        // Refused: the dialog stays open, showing the new fault, until the name changes.
        QCOMPARE(g_messages,
                 QStringList{QStringLiteral("Invalid waypoint name, please try again !")});
        QCOMPARE(fault.Message(), message);
        QCOMPARE(fault.State(), QStringLiteral("1015 1016 1004 1022 edit abort"));
        QCOMPARE(fault.name, std::string("camp.2"));
        fault.Type(QStringLiteral("camp 2"));
        QTest::keyClick(&fault.dialog, Qt::Key_Enter);
        QCOMPARE(fault.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(fault.name, std::string("camp 2"));
    }

    void aStandingEditForAllForcesEditMode() {
        Fault fault(WaypointError::NameExists, "home", {Resolution::Edit, true});
        QCOMPARE(fault.State(), QStringLiteral("1019 edit abort"));
        fault.Type(QStringLiteral("home 2"));
        QTest::keyClick(&fault.dialog, Qt::Key_Return);
        QCOMPARE(fault.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(fault.name, std::string("home 2"));
        QVERIFY(fault.policy.resolution == Resolution::Edit && fault.policy.applyToAll);
    }

    void applyToAllIsWrittenAtOnceAndEscapeAborts() {
        Fault fault(WaypointError::NameExists);
        fault.Choose(Dlg::ID_ADD_SUFFIX);
        fault.Choose(Dlg::ID_APPLY_TO_ALL);
        QVERIFY(fault.policy.applyToAll);
        QTest::keyClick(&fault.dialog, Qt::Key_Escape);
        QCOMPARE(fault.dialog.result(), int(QDialog::Rejected));
        QVERIFY(fault.policy.resolution == Resolution::Abort && fault.policy.applyToAll);
    }

    void theExistingFileDialogAnswers_data() {
        QTest::addColumn<int>("clicked");  // 0: Escape
        QTest::addColumn<ExistingFileChoice>("choice");
        QTest::newRow("replace") << 1017 << ExistingFileChoice::Replace;
        QTest::newRow("append") << 1020 << ExistingFileChoice::Append;
        QTest::newRow("abort") << 1018 << ExistingFileChoice::Abort;
        QTest::newRow("escape") << 0 << ExistingFileChoice::None;
    }
    void theExistingFileDialogAnswers() {
        QFETCH(int, clicked);
        QFETCH(ExistingFileChoice, choice);
        const std::string path = "/tmp/" + std::string(200, 'd') + "/all waypoints.mps";
        CExistingFileDlg dialog(path);
        QCOMPARE(dialog.Edit(CExistingFileDlg::ID_PATH)->text(), QString::fromStdString(path));
        QVERIFY(dialog.Edit(CExistingFileDlg::ID_PATH)->isReadOnly());
        CModalDriver driver;
        driver.Then([clicked](QWidget* pShown) {
            clicked == 0
                ? QTest::keyClick(pShown, Qt::Key_Escape)
                : QTest::mouseClick(static_cast<CExistingFileDlg*>(pShown)->Control(clicked),
                                    Qt::LeftButton);
        });
        dialog.exec();
        QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
        QCOMPARE(dialog.Choice(), choice);
    }

    void theAboutBoxClosesWithOk() {
        CAboutDlg about;
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

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
