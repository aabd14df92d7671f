#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <deque>

#include "dialogs/TemplatesDlg.h"
#include "tests/gui/ModalDriver.h"
#include "ui/MessageBox.h"

namespace {

const MessageAnswer YES = MessageAnswer::Yes, NO = MessageAnswer::No;

CTextTemplate Record(const char* pName, int32_t nName, int32_t nLatitude, uint16_t nRow,
                     char delimiter) {
    CTextTemplate record =
        CTextTemplate::WithColumns(nName, nLatitude, nName + 2, nName + 3, nRow, delimiter);
    record.SetName(pName);
    return record;
}

// Stored out of order, as no save would write them.
const std::vector<CTextTemplate> STORED = {Record("Xyz", 4, 5, 3, 0), Record("ABC", 0, 1, 2, ','),
                                           Record("abd", 1, 0, 1, '\t')};

// The records as the store file holds them.
QByteArray Bytes(const std::vector<CTextTemplate>& records) {
    QByteArray bytes;
    for (const CTextTemplate& record : records) {
        unsigned char encoded[CTextTemplate::RECORD_SIZE];
        record.Encode(encoded);
        bytes.append(reinterpret_cast<const char*>(encoded), sizeof encoded);
    }
    return bytes;
}

// The stored records in the order given by their indexes in STORED; 'n' stands for extra.
QByteArray Records(const char* pOrder, const CTextTemplate& extra = {}) {
    std::vector<CTextTemplate> records;
    for (const char* p = pOrder; *p; ++p) {
        records.push_back(*p == 'n' ? extra : STORED[*p - '0']);
    }
    return Bytes(records);
}

// Enabled controls (hint, edits, radios, OK, Delete current, Delete all, viewer), the
// default button, the edits' texts and the radio checked.
QString State(CTemplatesDlg& d) {
    QString state;
    for (int nId : {1017, 1010, 1014, 1000, 1001, 1, 1023, 1024, 1015}) {
        state += d.Control(nId)->isEnabled() ? '1' : '0';
    }
    QStringList edits;
    for (int nId = IDC_NAME_INDEX; nId <= IDC_FIRST_WAYPOINT_INDEX; ++nId) {
        edits << d.Edit(nId)->text();
    }
    const int nRadio =
        d.RadioButton(IDC_COMMA)->isChecked() + 2 * d.RadioButton(IDC_TAB)->isChecked();
    return state + (d.Button(IDOK)->isDefault() ? " ok " : " abort ") + edits.join('|') + " " +
           "-ct"[nRadio];
}

// Plays steps separated by ';': "p2" picks list entry 2, "tabc" types abc in the name
// box, "x" empties it, "fA,B,,D,2" fills the five edits, "c1023" clicks control 1023,
// "esc" presses Escape, "quit" uses the close box, "=..." compares State().
void Play(CTemplatesDlg& d, const QString& steps) {
    QLineEdit* pName = d.ComboBox(IDC_TEMPLATE_NAME)->lineEdit();
    for (const QString& step : steps.split(';', Qt::SkipEmptyParts)) {
        const QString arg = step.mid(1);
        if (step[0] == 'p') {
            d.ComboBox(IDC_TEMPLATE_NAME)->setCurrentIndex(arg.toInt());
            emit d.ComboBox(IDC_TEMPLATE_NAME)->activated(arg.toInt());
        } else if (step[0] == 't') {
            QTest::keyClicks(pName, arg);
        } else if (step == "x") {
            pName->selectAll();
            QTest::keyClick(pName, Qt::Key_Backspace);
        } else if (step[0] == 'f') {
            for (int i = 0; i < 5; ++i) {
                d.Edit(IDC_NAME_INDEX + i)->setText(arg.section(',', i, i));
            }
        } else if (step[0] == 'c') {
            qobject_cast<QAbstractButton*>(d.Control(arg.toInt()))->click();
        } else if (step == "esc") {
            QTest::keyClick(&d, Qt::Key_Escape);
        } else if (step == "quit") {
            d.close();
        } else {
            QCOMPARE(State(d), arg);
        }
    }
}

// The preview's rows, "line|name|latitude|longitude|comment|fault", and its message.
QStringList Preview(CTemplatesDlg& d) {
    QStringList rows;
    const QTableWidget* pTable = d.ListView(IDC_PREVIEW);
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
        QStringList cells;
        for (int nColumn = 0; nColumn < pTable->columnCount(); ++nColumn) {
            cells << pTable->item(nRow, nColumn)->text();
        }
        rows << cells.join('|');
    }
    return rows << d.Label(IDC_PREVIEW_MESSAGE)->text();
}

}  // namespace

class TemplatesDlgTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_store, m_textFile = m_dir.filePath("points.csv");
    CTextTemplate m_chosen;
    std::deque<MessageAnswer> m_answers;
    QStringList m_messages;
    CSpreadsheetViewer m_viewer;

    // Runs the dialog on the store; -1 when the steps left it open.
    int Run(const std::function<void(CTemplatesDlg&)>& steps, bool bEmptyFile = false) {
        CTemplatesDlg dialog(m_chosen, m_textFile.toStdString(), bEmptyFile, m_store.toStdString(),
                             nullptr, m_viewer);
        CModalDriver driver;
        driver.Then([&](QWidget*) {
            steps(dialog);
            if (dialog.isVisible()) {
                dialog.done(-1);
            }
        });
        return dialog.exec();
    }
    int Run(const QString& steps) {
        return Run([&](CTemplatesDlg& d) { Play(d, steps); });
    }

private slots:
    void init() {
        m_store = m_dir.filePath("PathfolioTemplates.dat");
        WriteFile(m_store, Bytes(STORED));
        WriteFile(m_textFile, "a,b\n");
        m_chosen = CTextTemplate();
        m_viewer = CSpreadsheetViewer::Find({{"sh", {}}}, "/bin:/usr/bin");  // any program
        m_messages.clear();
        SetMessageAnswerer([this](const QString& text, MessageButtons) {
            m_messages << text;
            const MessageAnswer answer = m_answers.empty() ? MessageAnswer::Ok : m_answers.front();
            m_answers.empty() ? void() : m_answers.pop_front();
            return answer;
        });
    }

    void walksThroughTheThreeStates() {
        QCOMPARE(Run("=000000010 abort |||| -;tab;=111111011 ok |||| -;"  // new: prefix of ABC
                     "tc;=000001110 ok A|B|C|D|2 c;"                      // ABC, typed as abc
                     "tx;=111111111 ok |||| c;x;=000000010 abort |||| c;"
                     "p2;=000001110 ok E|F|G|H|3 -;p1;=000001110 ok B|A|D|E|1 t"),
                 -1);
        QCOMPARE(Bytes({m_chosen}), Records("2"));
        // An empty text file, or no spreadsheet program, leaves the viewer disabled.
        Run([](CTemplatesDlg& d) { Play(d, "tnew;=111111010 ok |||| -"); }, true);
        m_viewer = CSpreadsheetViewer();
        Run("tnew;=111111010 ok |||| -");
    }

    // Each case: the steps, the answers to the questions asked, the result (-1: left
    // open), the field that the one error message names, and the store file after.
    void checksSavesAndDeletesAsAsked() {
        const QString deleteShown = "p0;tzz;c1023;=000000010 abort |||| c;c1018";
        const QString deleteAll = "p0;c1024;=000000000 abort |||| c;";
        const struct {
            QString steps;
            std::vector<MessageAnswer> answers;
            int nResult;
            const char* pField;   // the OK checks: one message, naming the first failing field
            const char* pStored;  // see Records; null: the file as it was
            CTextTemplate chosen = {};  // when accepted; 'n' in pStored
        } cases[] = {
            {"tnew;fA,1B,C1,D,2;c1;=111111011 ok A||C1|D|2 -", {}, -1, "Latitude", nullptr},
            {"tnew;f,B,C,D,2;c1;=111111011 ok |B|C|D|2 -", {}, -1, "Name", nullptr},
            {"tnew;fA,B,C,ZZZZ,2;c1;=111111011 ok A|B|C||2 -", {}, -1, "Comment", nullptr},
            {"tnew;fA,B,C,D,65536;c1;=111111011 ok A|B|C|D| -", {}, -1, "First Waypoint", nullptr},
            // New templates are stored exactly as typed; typing a stored name picks it.
            {"tnew;fA,B,C,D,65535;c1", {}, 1, nullptr, "12n0", Record("new", 0, 1, 65535, 0)},
            {"t My trip  A;c1000;fA,B,C,D,2;c1",
             {},
             1,
             nullptr,
             "n120",
             Record(" My trip  A", 0, 1, 2, ',')},
            {"tabc;c1", {}, 1, nullptr, "120", STORED[1]},
            // Delete current deletes the template shown last; Abort asks whether to save.
            {deleteShown, {YES, YES}, 0, nullptr, "20"},
            {deleteShown, {YES, NO}, 0, nullptr, nullptr},
            {deleteShown, {YES, MessageAnswer::Cancel}, -1, nullptr, nullptr},
            {"p0;c1023;c1018", {NO}, 0, nullptr, nullptr},  // nothing changed, nothing asked
            {deleteAll + "c1018", {NO, YES}, 0, nullptr, "120"},
            {deleteAll + "c1018", {YES, YES}, 0, nullptr, ""},
            {deleteAll + "esc", {YES}, 0, nullptr, nullptr},
            {deleteAll + "quit", {YES}, 0, nullptr, nullptr},
        };
        for (const auto& c : cases) {
            init();
            m_answers.assign(c.answers.begin(), c.answers.end());
            QCOMPARE(Run(c.steps), c.nResult);
            QVERIFY(m_answers.empty() && m_messages.size() == int(c.answers.size()) + !!c.pField);
            if (c.pField) {
                QCOMPARE(m_messages.last(),
                         QString("Invalid field (%1 Index), please try again !").arg(c.pField));
            }
            QCOMPARE(ReadFile(m_store), c.pStored ? Records(c.pStored, c.chosen) : Bytes(STORED));
            QVERIFY(c.nResult != 1 || Bytes({m_chosen}) == Bytes({c.chosen}));
        }
    }

    // The first line's titles fill in a new template; semicolons, decimal commas and
    // the encoding are stored with it. A stored template takes the encoding chosen
    // for this file only.
    void findsColumnsAndKeepsTheTextSettings() {
        WriteFile(m_textFile, "Lat;Lon;Name;Notes\r\n1;2;a;x\r\n");
        QCOMPARE(Run([](CTemplatesDlg& d) {
                     Play(d, "p0;=000001110 ok A|B|C|D|2 c;x;tsemi;=111111011 ok |||| c");
                     QVERIFY(d.Control(IDC_FIND_COLUMNS)->isEnabled());
                     Play(d, "c1005;=111111011 ok C|A|B|D|2 -;c1003");
                     QVERIFY(d.RadioButton(IDC_SEMICOLON)->isChecked());
                     d.ComboBox(IDC_ENCODING)->setCurrentIndex(2);
                     Play(d, "c1");
                 }),
                 1);
        CTextTemplate semi = CTextTemplate::WithColumns(2, 0, 1, 3, 2, ';');
        semi.SetName("semi");
        semi.decimalComma = true;
        semi.encoding = TextEncoding::Windows1252;
        QCOMPARE(Bytes({m_chosen}), Bytes({semi}));
        QCOMPARE(ReadFile(m_store), Records("12n0", semi));

        QCOMPARE(Run([](CTemplatesDlg& d) {
                     Play(d, "p2;=000001110 ok C|A|B|D|2 -");
                     QVERIFY(d.CheckBox(IDC_DECIMAL_COMMA)->isChecked());
                     QCOMPARE(d.ComboBox(IDC_ENCODING)->currentIndex(), 2);
                     d.ComboBox(IDC_ENCODING)->setCurrentIndex(1);
                     Play(d, "c1");
                 }),
                 1);
        QCOMPARE(m_chosen.encoding, TextEncoding::Utf8);
        QCOMPARE(ReadFile(m_store), Records("12n0", semi));

        WriteFile(m_textFile, "a,b\r\n");
        Run("tother;c1005;=111111011 ok |||| -");
        QCOMPARE(m_messages, QStringList{"The first line of \"" + m_textFile +
                                         "\": no title for the name (name, title, ident); no "
                                         "title for the latitude (lat, latitude, y); no title for "
                                         "the longitude (lon, long, lng, longitude, x)"});
    }

    // The preview reads the first rows as the fields stand, follows every change, and
    // names the fault of each row that a conversion would question.
    void thePreviewFollowsTheFields() {
        WriteFile(m_textFile,
                  "title,lat,lon,note\r\nHome,32.5,-117.25,Front door\r\nhome,1,2,\r\n"
                  "camp/2,46.6,7.9,x\r\nhut,0,7.8,y\r\n");
        const QString taken = "3|home|1.000000|2.000000||Waypoint name already exists";
        const QStringList rows = {
            "2|home|32.500000|-117.250000|front door|", taken,
            "4|camp/2|46.600000|7.900000|x|Waypoint name contain one or more non-alphanumeric "
            "characters",
            "5|hut|0.000000|7.800000|y|Waypoint latitude is invalid", ""};
        Run([&](CTemplatesDlg& d) {
            QCOMPARE(Preview(d), QStringList{"Choose a template or type its columns to see the "
                                             "first rows of the file here."});
            Play(d, "tnew;fA,B,C,D,2;c1000");
            QTRY_COMPARE(Preview(d), rows);
            Play(d, "fA,B,C,D,1");  // the title row is read as a waypoint too
            QTRY_COMPARE(Preview(d).first(),
                         "1|title|0.000000|0.000000|note|Waypoint latitude "
                         "is invalid");
            Play(d, "fA,,C,D,3");  // no latitude column: nothing is read for it
            QTRY_COMPARE(Preview(d).first(),
                         "3|home|0.000000|2.000000||Waypoint latitude is invalid");
            Play(d, "x;tabc");  // the stored ABC: columns A to D, from row 2, commas
            QTRY_COMPARE(Preview(d), rows);
            Play(d, "x;tnew;fA,B,C,D,2;c1001");  // tab-separated, each line is one name
            QTRY_COMPARE(Preview(d).first().section('|', 1, 1), "home,32.5,-117.25,front door");
        });
        // Twenty rows at most; an empty file has none.
        QByteArray many;
        for (int i = 0; i < 30; ++i) {
            many += "p" + QByteArray::number(i) + ",1,2,\n";
        }
        WriteFile(m_textFile, many);
        Run([](CTemplatesDlg& d) {
            Play(d, "tabc");
            QTRY_COMPARE(Preview(d).size(), 21);
            QCOMPARE(Preview(d)[19], "21|p20|1.000000|2.000000||");
        });
        Run(
            [](CTemplatesDlg& d) {
                Play(d, "tabc");
                QTRY_COMPARE(Preview(d), QStringList{"The text file is empty."});
            },
            true);
    }

    // A template that another program saved while the dialog was open stays:
    // the dialog's deletes and adds are applied to the store as it is then.
    void keepsTemplatesSavedMeanwhile() {
        m_answers = {YES};
        const CTextTemplate other = Record("other", 0, 1, 2, ',');
        Run([&](CTemplatesDlg& d) {
            Play(d, "p0;c1023");
            WriteFile(m_store, Bytes({STORED[0], STORED[1], STORED[2], other}));
            Play(d, "tnew;fA,B,C,D,2;c1");
        });
        QCOMPARE(ReadFile(m_store),
                 Bytes({STORED[2], Record("new", 0, 1, 2, ','), other, STORED[0]}));
    }

    void handlesStoresItCannotUse() {
        // A template whose column no letters name is shown empty, refused, and deletable.
        WriteFile(m_store, Bytes({STORED[1], Record("odd", 26, 0, 1, 0)}));
        m_answers = {MessageAnswer::Ok, YES, YES};
        Run("p1;=000001110 ok |A|BA|CA|1 -;c1;c1023;c1018");
        QCOMPARE(m_messages.first(), "Invalid field (Name Index), please try again !");
        QCOMPARE(ReadFile(m_store), Records("1"));
        // The name box holds 254 characters.
        Run([](CTemplatesDlg& d) {
            Play(d, "t" + QString(300, 'n'));
            QCOMPARE(d.ComboBox(IDC_TEMPLATE_NAME)->currentText().size(), 254);
        });
        // A store that cannot be opened ends the dialog at once, as given up.
        WriteFile(m_textFile, "a file, not a folder");
        m_store = m_textFile + "/PathfolioTemplates.dat";
        QCOMPARE(Run([](CTemplatesDlg&) { QFAIL("shown"); }), int(QDialog::Rejected));
        QCOMPARE(m_messages.last(), "Fail to open file \"" + m_store + "\" ! (Not a directory)");
    }

    void viewsTheTextFileAndWaitsForTheProgram() {
        const QString program = m_dir.filePath("calc"), argv = m_dir.filePath("argv");
        WriteFile(
            program,
            ("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" >" + argv +
             "\nfor i in $(seq 250); do [ -e " + argv + ".done ] && break; sleep 0.02; done\n")
                .toUtf8(),
            true);
        m_viewer = CSpreadsheetViewer::Find({{"calc", {"-x"}}}, m_dir.path().toStdString());
        bool bEnabledWhileWaiting = true;
        Run([&](CTemplatesDlg& d) {
            QTimer poll;  // runs only while the dialog's events are served
            connect(&poll, &QTimer::timeout, [&] {
                bEnabledWhileWaiting = d.isEnabled();
                WriteFile(argv + ".done", "");  // the program then ends
            });
            connect(d.Button(IDC_VIEW_IN_SPREADSHEET), &QPushButton::pressed,
                    [&] { poll.start(200); });
            Play(d, "tnew;c1015;=111111011 ok |||| -");  // the click returns when the program ends
            QVERIFY(d.isEnabled() && QFile::exists(argv + ".done"));
        });
        QCOMPARE(ReadFile(argv), (program + "\n-x\n" + m_textFile + "\n").toUtf8());
        QVERIFY(!bEnabledWhileWaiting);
        // A program that cannot start is reported; its button is disabled until the name changes.
        QFile::setPermissions(program, QFile::ReadOwner);
        Run("tnew;c1015;=111111010 ok |||| -;ter;=111111011 ok |||| -");
        QCOMPARE(m_messages,
                 QStringList{"* Fail to open file \"" + m_textFile + "\"\nwith file \"" + program +
                             "\".\n* Reason: " + std::strerror(EACCES)});
    }
};

QTEST_MAIN(TemplatesDlgTest)
#include "TemplatesDlgTest.moc"
