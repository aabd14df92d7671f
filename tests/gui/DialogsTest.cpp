#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <tuple>

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
        for (int nId : {1013, 1014, 1015, 1016, 1020, 1025, 1004, 1019, 1022}) {
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

// Settles every fault by reading what the dialog shows of the waypoint (where it
// was read, its coordinates, its comment, the name's tooltip), then discards it.
class CDetailsReader : public CImportUserInterface {
public:
    QStringList shown;

    void ShowProgress(int) override {}
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override {
        Dlg dialog(name, policy, table, nMaxNameLength, error);
        for (int nId : {Dlg::ID_ORIGIN, Dlg::ID_COORDINATES, Dlg::ID_COMMENT}) {
            const QLabel* pLabel = dialog.Label(nId);
            shown << pLabel->text() +
                         (pLabel->toolTip().isEmpty() ? "" : " | " + pLabel->toolTip());
        }
        shown << dialog.Edit(Dlg::ID_NAME)->toolTip();
        policy.resolution = Resolution::Discard;
    }
};

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
        row("character", E::NameNotAlphanumeric, {}, R::None, "1015 1016 1025 1004 1022 - abort");
        row("character, clean, all", E::NameNotAlphanumeric, {1025, 1004}, R::Clean,
            "1015 1016 1025 1004 1022 - ok");
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
                QCOMPARE(shown.State(), QStringLiteral("1015 1016 1025 1004 1022 edit abort"));
                QCOMPARE(shown.name, std::string("camp.2"));
                shown.Type(typed = QStringLiteral("camp 2"));
                QTest::keyClick(&shown.dialog, Qt::Key_Enter);
            }
            QCOMPARE(shown.dialog.result(), int(QDialog::Accepted));
            QCOMPARE(QString::fromStdString(shown.name), typed);
        }
    }

    // Edit offers a name with other characters cleaned, ready for Enter; other
    // faults keep the name as it was.
    void editProposesTheCleanedName() {
        for (auto [error, proposed] :
             {std::pair{E::NameNotAlphanumeric, "Zurich HB"}, {E::NameExists, "Z\u00FCrich HB!"}}) {
            Fault fault(error, "Z\u00FCrich HB!");
            fault.Choose(Dlg::ID_EDIT);
            QCOMPARE(fault.dialog.Edit(Dlg::ID_NAME)->text(), QString::fromUtf8(proposed));
            QVERIFY(fault.State().endsWith(error == E::NameExists ? "edit abort" : "edit ok"));
        }
        Fault forced(E::NameNotAlphanumeric, "St. Mary's", {R::Edit, true});
        QCOMPARE(forced.State(), QStringLiteral("1019 edit ok"));
        QTest::keyClick(&forced.dialog, Qt::Key_Return);
        QCOMPARE(forced.name, std::string("St Marys"));
    }

    // The dialog says where the waypoint was read and shows what it holds; what
    // does not fit is cut in the label and whole in its tooltip.
    void theWaypointAtFaultIsShownWithWhereItWasRead() {
        CDetailsReader reader;
        CWaypointTable table(&reader);
        const std::string longName(60, 'n');
        const std::string longComment = "a comment " + std::string(80, 'c') + " end";
        CWaypoint waypoints[] = {{"home", 1, 2, "", false},
                                 {"home", 48.85837, -2.294481, "front door", true},
                                 {longName, -33.5, 151.25, longComment, false}};
        const WaypointOrigin origins[] = {{WaypointOrigin::Unit::Line, 2, "/data/in.csv"},
                                          {WaypointOrigin::Unit::Record, 3, "/maps/all.mps"},
                                          {WaypointOrigin::Unit::Line, 12, "/data/in.csv"}};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(table.AddWaypoint(waypoints[i], origins[i]).IsOk());
        }
        QCOMPARE(reader.shown.mid(0, 4),
                 QStringList({"Waypoint record 3 of the target file all.mps",
                              "Latitude 48.858370, longitude -2.294481", "Comment: front door",
                              "home"}));
        QCOMPARE(reader.shown.mid(4, 2),
                 QStringList({"Line 12 of the source file in.csv",
                              "Latitude -33.500000, longitude 151.250000"}));
        const QStringList comment = reader.shown[6].split(" | ");
        QVERIFY(comment[0].startsWith("Comment: a comment") && comment[0].contains(QChar(0x2026)));
        QCOMPARE(comment.value(1), "Comment: " + QString::fromStdString(longComment));
        QCOMPARE(reader.shown[7], QString::fromStdString(longName));
    }

    // Alt and the underlined letter choose an option; Edit puts the focus into the name box.
    void mnemonicsChooseTheOptions() {
        for (auto [error, key, resolution] : {std::tuple{E::NameExists, Qt::Key_A, R::AddSuffix},
                                              {E::NameExists, Qt::Key_O, R::Overwrite},
                                              {E::NameExists, Qt::Key_D, R::Discard},
                                              {E::NameEmpty, Qt::Key_E, R::Edit},
                                              {E::NameTooLong, Qt::Key_T, R::Truncate},
                                              {E::NameNotAlphanumeric, Qt::Key_C, R::Clean}}) {
            Fault fault(error);
            QVERIFY(QTest::qWaitForWindowActive(&fault.dialog));
            QTest::keyClick(&fault.dialog, key, Qt::AltModifier);
            QTRY_VERIFY(fault.policy.resolution == resolution);
            QCOMPARE(fault.dialog.focusWidget() == fault.dialog.Edit(Dlg::ID_NAME),
                     resolution == R::Edit);
            QTest::keyClick(&fault.dialog, Qt::Key_P, Qt::AltModifier);
            QTRY_VERIFY(fault.policy.applyToAll);
        }
        for (auto [key, choice] : {std::pair{Qt::Key_R, ExistingFileChoice::Replace},
                                   {Qt::Key_A, ExistingFileChoice::Append}}) {
            CExistingFileDlg dialog("/tmp/all.mps");
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QTest::keyClick(&dialog, key, Qt::AltModifier);
            QTRY_VERIFY(dialog.Choice() == choice);
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
