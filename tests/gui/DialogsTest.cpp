#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/ExistingFileDlg.h"
#include "dialogs/InvalidWaypointDlg.h"
#include "tests/gui/ModalDriver.h"
#include "ui/MessageBox.h"

Q_DECLARE_METATYPE(WaypointError)
Q_DECLARE_METATYPE(Resolution)
Q_DECLARE_METATYPE(ResolutionPolicy)

namespace {

using Dlg = CInvalidWaypointDlg;
using E = WaypointError;
using R = Resolution;

// One fault put before the person in a shown dialog; the table holds "home".
struct Fault {
    explicit Fault(WaypointError error, std::string candidate = "home", ResolutionPolicy st = {})
        : name(std::move(candidate)), policy(st), dialog(name, policy, table, 40, error) {
        CWaypoint home{"home", 32.5, -117.25, "", false};
        static_cast<void>(table.AddWaypoint(home));
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
        const bool bOk = dialog.Button(IDOK)->isDefault();
        const bool bBroken = bOk == dialog.Button(Dlg::ID_ABORT)->isDefault() ||
                             bOk != dialog.Button(IDOK)->isEnabled();
        parts << (dialog.Control(Dlg::ID_NAME)->isEnabled() ? "edit" : "-")
              << (bBroken ? "broken"
                  : bOk   ? "ok"
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
    // The dialog shows the message of this fault.
    bool Shows(WaypointError error) const {
        return dialog.Label(Dlg::ID_MESSAGE)->text().toStdString() ==
               WaypointErrorMessage(int(error), 40);
    }

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

    // Each choice is written at once and moves the default button; Edit waits for a
    // changed name. Then Enter presses the default button.
    void eachStepSetsTheOptionsAndTheDefaultButton_data() {
        QTest::addColumn<WaypointError>("error");
        QTest::addColumn<ResolutionPolicy>("start");
        QTest::addColumn<QList<int>>("clicks");  // 0: type "x"
        QTest::addColumn<Resolution>("resolution");
        QTest::addColumn<QString>("state");
        const auto row = [](const char* pTag, WaypointError error, QList<int> clicks,
                            Resolution resolution, const char* pState,
                            ResolutionPolicy start = {}) {
            QTest::newRow(pTag) << error << start << clicks << resolution
                                << QString(pState).replace("all", "1013 1014 1015 1016 1004 1022");
        };
        row("exists", E::NameExists, {}, R::None, "all - abort");
        row("long", E::NameTooLong, {}, R::None, "1015 1016 1020 1004 1022 - abort");
        row("empty", E::NameEmpty, {}, R::None, "1015 1016 1004 1022 - abort");
        row("character", E::NameNotAlphanumeric, {}, R::None, "1015 1016 1004 1022 - abort");
        row("latitude", E::LatitudeInvalid, {}, R::None, "1015 1004 1022 - abort");
        row("longitude", E::LongitudeInvalid, {}, R::None, "1015 1004 1022 - abort");
        row("suffix, all", E::NameExists, {1013, 1004}, R::AddSuffix, "all - ok");
        row("edit", E::NameExists, {1016}, R::Edit, "all edit abort");
        row("edit, type", E::NameExists, {1016, 0}, R::Edit, "all edit ok");
        row("overwrite, edit, type, discard", E::NameExists, {1014, 1016, 0, 1015}, R::Discard,
            "all - ok");
        row("forced edit", E::NameExists, {}, R::Edit, "1019 edit abort", {R::Edit, true});
        row("forced edit, type", E::NameExists, {0}, R::Edit, "1019 edit ok", {R::Edit, true});
    }
    void eachStepSetsTheOptionsAndTheDefaultButton() {
        QFETCH(WaypointError, error);
        QFETCH(ResolutionPolicy, start);
        QFETCH(QList<int>, clicks);
        QFETCH(Resolution, resolution);
        QFETCH(QString, state);
        Fault fault(error, "home", start);
        for (int nId : clicks) {
            nId == 0 ? fault.Type(QStringLiteral("x")) : fault.Choose(nId);
        }
        QCOMPARE(fault.State(), state);
        QVERIFY(fault.Shows(error));
        const bool bApplyToAll = start.applyToAll || clicks.contains(Dlg::ID_APPLY_TO_ALL);
        QVERIFY(fault.policy.resolution == resolution && fault.policy.applyToAll == bApplyToAll);
        const std::string name = clicks.contains(0) && resolution == R::Edit ? "x" : "home";
        QCOMPARE(fault.dialog.Edit(Dlg::ID_NAME)->text().toStdString(), name);
        QTest::keyClick(&fault.dialog, Qt::Key_Return);
        QVERIFY(!fault.dialog.isVisible());
        QVERIFY(fault.policy.resolution == (state.endsWith("ok") ? resolution : R::Abort));
        QVERIFY(fault.name == name && fault.policy.applyToAll == bApplyToAll);
    }

    void escapeAbortsAndKeepsApplyToAll() {
        Fault fault(WaypointError::NameExists);
        fault.Choose(Dlg::ID_APPLY_TO_ALL);
        QTest::keyClick(&fault.dialog, Qt::Key_Escape);
        QVERIFY(fault.policy.resolution == Resolution::Abort && fault.policy.applyToAll);
    }

    // Refused names keep the dialog open, showing the new fault, until the name changes.
    void anEditedNameIsCheckedBeforeItIsTaken() {
        for (auto [typed, fault] : {std::pair{QString("home"), E::NameExists},
                                    {QString(41, 'a'), E::NameTooLong},
                                    {QString("camp/2"), E::NameNotAlphanumeric},
                                    {QString("caf\u20ac"), E::NameNotAlphanumeric},
                                    {QString(40, 'a'), E::None},
                                    {QString("Home"), E::None}}) {  // the case is not compared
            g_messages.clear();
            Fault shown(E::NameNotAlphanumeric, "camp.2");
            shown.Choose(Dlg::ID_EDIT);
            shown.Type(typed);
            QTest::mouseClick(shown.dialog.Button(IDOK), Qt::LeftButton);
            if (fault != E::None) {
                QCOMPARE(g_messages, QStringList{"Invalid waypoint name, please try again !"});
                QVERIFY(shown.Shows(fault));
                QCOMPARE(shown.State(), QStringLiteral("1015 1016 1004 1022 edit abort"));
                QCOMPARE(shown.name, std::string("camp.2"));
                shown.Type(typed = QStringLiteral("camp 2"));
                QTest::keyClick(&shown.dialog, Qt::Key_Enter);
            }
            QCOMPARE(shown.dialog.result(), int(QDialog::Accepted));
            QCOMPARE(QString::fromStdString(shown.name), typed);
        }
    }

    void theExistingFileDialogAnswers() {
        using C = ExistingFileChoice;
        const QString path = "/tmp/" + QString(200, 'd') + "/all waypoints.mps";
        for (auto [nClicked, choice] : {std::pair{1017, C::Replace},
                                        {1020, C::Append},
                                        {1018, C::Abort},
                                        {0, C::None}}) {  // 0: Escape
            CExistingFileDlg dialog(path.toStdString());
            QCOMPARE(dialog.Edit(CExistingFileDlg::ID_PATH)->text(), path);
            QVERIFY(dialog.Edit(CExistingFileDlg::ID_PATH)->isReadOnly());
            CModalDriver driver;
            driver.Then<CExistingFileDlg>([nClicked = nClicked](CExistingFileDlg& shown) {
                nClicked == 0 ? QTest::keyClick(&shown, Qt::Key_Escape)
                              : QTest::mouseClick(shown.Control(nClicked), Qt::LeftButton);
            });
            dialog.exec();
            QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
            QVERIFY(dialog.Choice() == choice);
        }
    }

    // The real message box (every other test answers in its place): Escape
    // never answers a question with Yes.
    void escapeAnswersAQuestionWithNoOrCancel() {
        SetMessageAnswerer({});
        for (auto [buttons, answer] : {std::pair{MessageButtons::YesNo, MessageAnswer::No},
                                       {MessageButtons::YesNoCancel, MessageAnswer::Cancel},
                                       {MessageButtons::Ok, MessageAnswer::Ok}}) {
            CModalDriver driver;
            driver.Then([](QWidget* pBox) { QTest::keyClick(pBox, Qt::Key_Escape); });
            QVERIFY(ShowMessageBox(nullptr, "Are you sure ?", buttons) == answer);
            QVERIFY(driver.AllAnswered() && driver.Unanswered().isEmpty());
        }
        initTestCase();
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
