#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <memory>

#include "dialogs/ExistingFileDlg.h"
#include "dialogs/InvalidWaypointDlg.h"
#include "tests/gui/ModalDriver.h"
#include "ui/MessageBox.h"

Q_DECLARE_METATYPE(WaypointError)
Q_DECLARE_METATYPE(Resolution)
Q_DECLARE_METATYPE(ExistingFileChoice)

namespace {

using Dlg = CInvalidWaypointDlg;
constexpr int OPTION_IDS[] = {Dlg::ID_ADD_SUFFIX, Dlg::ID_OVERWRITE, Dlg::ID_DISCARD, Dlg::ID_EDIT,
                              Dlg::ID_TRUNCATE};
const QString REFUSED = QStringLiteral("Invalid waypoint name, please try again !");

// One fault put before the person, in a shown dialog; the table holds "home".
struct Fault {
    explicit Fault(WaypointError error, std::string candidate = "home",
                   ResolutionPolicy standing = {})
        : name(std::move(candidate)), policy(standing) {
        table.SetAt(CWaypoint{"home", 32.5, -117.25, "", false});
        dialog = std::make_unique<Dlg>(name, policy, table, MAX_NAME_LENGTH, error);
        dialog->show();
        SetMessageAnswerer([this](const QString& text, MessageButtons) {
            messages << text;
            return MessageAnswer::Ok;
        });
    }
    ~Fault() { SetMessageAnswerer({}); }

    QString Message() const { return dialog->Label(Dlg::ID_MESSAGE)->text(); }
    QString Shown() const { return dialog->Edit(Dlg::ID_NAME)->text(); }
    bool Enabled(int nId) const { return dialog->Control(nId)->isEnabled(); }
    QList<int> EnabledOptions() const {
        QList<int> ids;
        for (int nId : OPTION_IDS) {
            if (Enabled(nId)) {
                ids << nId;
            }
        }
        return ids;
    }
    // "ok": OK enabled and the default; "abort": OK disabled and Abort the
    // default; anything else is a broken state.
    QString Default() const {
        const bool bOk = dialog->Button(IDOK)->isDefault();
        if (bOk == dialog->Button(Dlg::ID_ABORT)->isDefault() || bOk != Enabled(IDOK)) {
            return QStringLiteral("broken");
        }
        return bOk ? QStringLiteral("ok") : QStringLiteral("abort");
    }
    void Choose(int nId) { QTest::mouseClick(dialog->RadioButton(nId), Qt::LeftButton); }
    void Type(const QString& text) {
        QLineEdit* pEdit = dialog->Edit(Dlg::ID_NAME);
        pEdit->selectAll();
        // The key simulation knows only ASCII; anything else is pasted.
        const bool bAscii =
            std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
        bAscii ? QTest::keyClicks(pEdit, text) : pEdit->insert(text);
    }
    void Press(Qt::Key key) { QTest::keyClick(dialog.get(), key); }

    std::string name;
    ResolutionPolicy policy;
    CWaypointTable table{nullptr};
    std::unique_ptr<Dlg> dialog;
    QStringList messages;
};

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void eachFaultOffersItsOptions_data() {
        QTest::addColumn<WaypointError>("error");
        QTest::addColumn<QList<int>>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("exists") << WaypointError::NameExists << QList<int>{1013, 1014, 1015, 1016}
                                << "Waypoint name already exists";
        QTest::newRow("too long")
            << WaypointError::NameTooLong << QList<int>{1015, 1016, 1020}
            << "Waypoint name is too long - cannot contain more then 40 characters";
        QTest::newRow("empty") << WaypointError::NameEmpty << QList<int>{1015, 1016}
                               << "Waypoint name is empty";
        QTest::newRow("characters")
            << WaypointError::NameNotAlphanumeric << QList<int>{1015, 1016}
            << "Waypoint name contain one or more non-alphanumeric characters";
        QTest::newRow("latitude") << WaypointError::LatitudeInvalid << QList<int>{1015}
                                  << "Waypoint latitude is invalid";
        QTest::newRow("longitude") << WaypointError::LongitudeInvalid << QList<int>{1015}
                                   << "Waypoint longitude is invalid";
    }
    void eachFaultOffersItsOptions() {
        QFETCH(WaypointError, error);
        QFETCH(QList<int>, options);
        QFETCH(QString, message);
        Fault fault(error);
        QCOMPARE(fault.EnabledOptions(), options);
        QCOMPARE(fault.Message(), message);
        QCOMPARE(fault.Shown(), QStringLiteral("home"));
        QVERIFY(!fault.Enabled(Dlg::ID_NAME) && !fault.Enabled(Dlg::ID_CHANGE_NAME));
        QVERIFY(fault.Enabled(Dlg::ID_APPLY_TO_ALL) && fault.Enabled(Dlg::ID_ABORT));
        QCOMPARE(fault.Default(), QStringLiteral("abort"));
        // Enter at this point presses Abort.
        fault.Press(Qt::Key_Return);
        QVERIFY(!fault.dialog->isVisible());
        QCOMPARE(fault.policy.resolution, Resolution::Abort);
    }

    void eachChoiceIsWrittenAtOnceAndMovesTheDefault_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<Resolution>("resolution");
        QTest::addColumn<QString>("defaultButton");
        QTest::newRow("suffix") << QList<int>{1013} << Resolution::AddSuffix << "ok";
        QTest::newRow("overwrite") << QList<int>{1014} << Resolution::Overwrite << "ok";
        QTest::newRow("discard") << QList<int>{1015} << Resolution::Discard << "ok";
        QTest::newRow("edit") << QList<int>{1016} << Resolution::Edit << "abort";
        QTest::newRow("edit, discard") << QList<int>{1016, 1015} << Resolution::Discard << "ok";
        QTest::newRow("suffix, edit") << QList<int>{1013, 1016} << Resolution::Edit << "abort";
    }
    void eachChoiceIsWrittenAtOnceAndMovesTheDefault() {
        QFETCH(QList<int>, clicks);
        QFETCH(Resolution, resolution);
        QFETCH(QString, defaultButton);
        Fault fault(WaypointError::NameExists);
        for (int nId : clicks) {
            fault.Choose(nId);
        }
        QCOMPARE(fault.policy.resolution, resolution);
        QCOMPARE(fault.Default(), defaultButton);
        QCOMPARE(fault.Enabled(Dlg::ID_NAME), resolution == Resolution::Edit);
        QCOMPARE(int(fault.dialog->result()), 0);
    }

    void anOptionPutsTheCandidateBackAndOkClosesWithoutTouchingIt() {
        Fault fault(WaypointError::NameTooLong, std::string(45, 'x'));
        fault.Choose(Dlg::ID_OVERWRITE);  // not offered for a long name: nothing happens
        QCOMPARE(fault.policy.resolution, Resolution::None);
        fault.Choose(Dlg::ID_EDIT);
        fault.Type(QStringLiteral("short"));
        QCOMPARE(fault.Default(), QStringLiteral("ok"));
        fault.Choose(Dlg::ID_TRUNCATE);
        QCOMPARE(fault.Shown(), QString(45, 'x'));
        QVERIFY(!fault.Enabled(Dlg::ID_NAME));
        fault.Press(Qt::Key_Return);
        QCOMPARE(fault.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(fault.policy.resolution, Resolution::Truncate);
        QCOMPARE(fault.name, std::string(45, 'x'));
    }

    void anEditedNameIsCheckedBeforeItIsTaken_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("taken") << "home"
                               << "Waypoint name already exists";
        QTest::newRow("41 characters")
            << QString(41, 'a')
            << "Waypoint name is too long - cannot contain more then 40 characters";
        QTest::newRow("bad character")
            << "camp/2"
            << "Waypoint name contain one or more non-alphanumeric characters";
        QTest::newRow("not Latin-1") << QStringLiteral("caf\u20ac")
                                     << "Waypoint name contain one or more non-alphanumeric "
                                        "characters";
        QTest::newRow("40 characters") << QString(40, 'a') << "";
        QTest::newRow("taken but for case") << "Home"
                                            << "";
        QTest::newRow("all allowed characters") << "Camp 2-b_C"
                                                << "";
    }
    void anEditedNameIsCheckedBeforeItIsTaken() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fault fault(WaypointError::NameNotAlphanumeric, "camp.2");
        fault.Choose(Dlg::ID_EDIT);
        QCOMPARE(fault.Default(), QStringLiteral("abort"));
        fault.Type(typed);
        QCOMPARE(fault.Default(), QStringLiteral("ok"));
        QTest::mouseClick(fault.dialog->Button(IDOK), Qt::LeftButton);
        if (message.isEmpty()) {
            QCOMPARE(fault.dialog->result(), int(QDialog::Accepted));
            QCOMPARE(QString::fromStdString(fault.name), typed);
            QVERIFY(fault.messages.isEmpty());
            return;
        }
        QVERIFY(fault.dialog->isVisible());
        QCOMPARE(fault.messages, QStringList{REFUSED});
        QCOMPARE(fault.Message(), message);
        QCOMPARE(fault.name, std::string("camp.2"));
        QCOMPARE(fault.Default(), QStringLiteral("abort"));
        QVERIFY(fault.Enabled(Dlg::ID_NAME));
        QCOMPARE(fault.EnabledOptions(), (QList<int>{1015, 1016}));
        // Another try, after a change, is taken.
        fault.Type(QStringLiteral("camp 2"));
        fault.Press(Qt::Key_Enter);
        QCOMPARE(fault.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(fault.name, std::string("camp 2"));
    }

    void typingTheOriginalNameBackIsRefusedAgain() {
        Fault fault(WaypointError::NameExists);
        fault.Choose(Dlg::ID_EDIT);
        fault.Type(QStringLiteral("homer"));
        QTest::keyClick(fault.dialog->Edit(Dlg::ID_NAME), Qt::Key_Backspace);
        QCOMPARE(fault.Default(), QStringLiteral("ok"));
        fault.Press(Qt::Key_Return);
        QCOMPARE(fault.messages, QStringList{REFUSED});
        QVERIFY(fault.dialog->isVisible());
    }

    void aStandingEditForAllForcesEditMode() {
        Fault fault(WaypointError::NameExists, "home", {Resolution::Edit, true});
        QVERIFY(fault.EnabledOptions().isEmpty());
        QVERIFY(fault.dialog->RadioButton(Dlg::ID_EDIT)->isChecked());
        QVERIFY(!fault.Enabled(Dlg::ID_APPLY_TO_ALL) && !fault.Enabled(Dlg::ID_QUESTION));
        QVERIFY(fault.Enabled(Dlg::ID_CHANGE_NAME) && fault.Enabled(Dlg::ID_NAME));
        QCOMPARE(fault.Shown(), QStringLiteral("home"));
        QCOMPARE(fault.Default(), QStringLiteral("abort"));
        fault.Type(QStringLiteral("home 2"));
        fault.Press(Qt::Key_Return);
        QCOMPARE(fault.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(fault.name, std::string("home 2"));
        QCOMPARE(fault.policy.resolution, Resolution::Edit);
        QVERIFY(fault.policy.applyToAll);
    }

    void applyToAllIsWrittenAtOnceAndEscapeAborts() {
        Fault fault(WaypointError::NameExists);
        fault.Choose(Dlg::ID_ADD_SUFFIX);
        QTest::mouseClick(fault.dialog->CheckBox(Dlg::ID_APPLY_TO_ALL), Qt::LeftButton);
        QVERIFY(fault.policy.applyToAll);
        fault.dialog->hide();
        CModalDriver driver;
        driver.Then([](QWidget* pDialog) { QTest::keyClick(pDialog, Qt::Key_Escape); });
        QCOMPARE(fault.dialog->exec(), int(QDialog::Rejected));
        QVERIFY(driver.Unanswered().isEmpty());
        QCOMPARE(fault.policy.resolution, Resolution::Abort);
        QVERIFY(fault.policy.applyToAll);
        QCOMPARE(fault.name, std::string("home"));
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
        driver.Then<CExistingFileDlg>([clicked](CExistingFileDlg& shown) {
            if (clicked == 0) {
                QTest::keyClick(&shown, Qt::Key_Escape);
            } else {
                QTest::mouseClick(shown.Control(clicked), Qt::LeftButton);
            }
        });
        dialog.exec();
        QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
        QCOMPARE(dialog.Choice(), choice);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
