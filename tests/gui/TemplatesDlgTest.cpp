#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

using Action = std::function<void(CTemplatesDlg&)>;
const MessageAnswer YES = MessageAnswer::Yes, NO = MessageAnswer::No,
                    CANCEL = MessageAnswer::Cancel;

CTextTemplate Record(const char* pName, int32_t nName, int32_t nLatitude, uint16_t nRow,
                     char delimiter) {
    CTextTemplate record =
        CTextTemplate::WithColumns(nName, nLatitude, nName + 2, nName + 3, nRow, delimiter);
    record.SetName(pName);
    return record;
}

// Stored out of order, as no save would write them.
const CTextTemplate STORED[] = {Record("Xyz", 4, 5, 3, 0), Record("ABC", 0, 1, 2, ','),
                                Record("abd", 1, 0, 1, '\t')};

QByteArray Bytes(const CTextTemplate* pRecords, size_t nCount) {
    return QByteArray(reinterpret_cast<const char*>(pRecords),
                      static_cast<qsizetype>(nCount * sizeof(CTextTemplate)));
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void WriteFile(const QString& path, const QByteArray& bytes, bool bExecutable = false) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    if (bExecutable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
}

void Type(CTemplatesDlg& dialog, const char* pText) {
    QTest::keyClicks(dialog.ComboBox(IDC_TEMPLATE_NAME)->lineEdit(), pText);
}

void ClearName(CTemplatesDlg& dialog) {
    dialog.ComboBox(IDC_TEMPLATE_NAME)->lineEdit()->selectAll();
    QTest::keyClick(dialog.ComboBox(IDC_TEMPLATE_NAME)->lineEdit(), Qt::Key_Backspace);
}

void Pick(CTemplatesDlg& dialog, int nIndex) {
    dialog.ComboBox(IDC_TEMPLATE_NAME)->setCurrentIndex(nIndex);
    emit dialog.ComboBox(IDC_TEMPLATE_NAME)->activated(nIndex);
}

Action Click(int nId) {
    return [nId](CTemplatesDlg& dialog) { dialog.Button(nId)->click(); };
}

void Fill(CTemplatesDlg& dialog, const QStringList& texts) {
    for (int i = 0; i < texts.size(); ++i) {
        dialog.Edit(IDC_NAME_INDEX + i)->setText(texts[i]);
    }
}

// Enabled controls (hint, edits, radios, OK, Delete current, Delete all,
// viewer), the default button, the edits' texts and the radio checked.
QString State(CTemplatesDlg& d) {
    QString state;
    for (int nId : std::initializer_list<int>{IDC_HINT, IDC_NAME_INDEX, IDC_FIRST_WAYPOINT_INDEX,
                                              IDC_COMMA, IDC_TAB, IDOK, IDC_DELETE_CURRENT,
                                              IDC_DELETE_ALL, IDC_VIEW_IN_SPREADSHEET}) {
        state += d.Control(nId)->isEnabled() ? '1' : '0';
    }
    state += d.Button(IDOK)->isDefault()        ? " ok "
             : d.Button(IDC_ABORT)->isDefault() ? " abort "
                                                : " ";
    for (int nId = IDC_NAME_INDEX; nId <= IDC_FIRST_WAYPOINT_INDEX; ++nId) {
        state += d.Edit(nId)->text() + (nId < IDC_FIRST_WAYPOINT_INDEX ? "|" : " ");
    }
    return state + (d.RadioButton(IDC_COMMA)->isChecked() ? "c"
                    : d.RadioButton(IDC_TAB)->isChecked() ? "t"
                                                          : "-");
}

struct PaintCounter : QObject {
    int n = -1;  // counts from the first check of the waiting dialog
    bool eventFilter(QObject*, QEvent* pEvent) override {
        n += pEvent->type() == QEvent::Paint && n >= 0;
        return false;
    }
};

}  // namespace

class TemplatesDlgTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_store;
    QString m_textFile = m_dir.filePath("points.csv");
    CTextTemplate m_chosen;
    std::deque<MessageAnswer> m_answers;
    QStringList m_messages;

    // Runs the dialog on the stored templates; -1 when the actions left it open.
    int Run(const Action& actions, CSpreadsheetViewer viewer = {}, bool bEmptyFile = false) {
        CTemplatesDlg dialog(m_chosen, m_textFile.toStdString(), bEmptyFile, m_store.toStdString(),
                             nullptr, std::move(viewer));
        CModalDriver driver;
        driver.Then([&](QWidget*) {
            actions(dialog);
            if (dialog.isVisible()) {
                dialog.done(-1);
            }
        });
        return dialog.exec();
    }

    std::vector<std::string> StoredNames() {
        CTemplateStore store;
        std::vector<std::string> names;
        for (int i = 0; store.Load(m_store.toStdString()) && i < store.GetCount(); ++i) {
            names.emplace_back(store.GetAt(i).Name());
        }
        return names;
    }

private slots:
    void init() {
        m_store = m_dir.filePath("PathfolioTemplates.dat");
        WriteFile(m_store, Bytes(STORED, 3));
        WriteFile(m_textFile, "a,b\n");
        m_chosen = CTextTemplate();
        m_messages.clear();
        SetMessageAnswerer([this](const QString& text, MessageButtons) {
            m_messages << text;
            MessageAnswer answer = m_answers.empty() ? MessageAnswer::Ok : m_answers.front();
            if (!m_answers.empty()) {
                m_answers.pop_front();
            }
            return answer;
        });
    }

    void walksThroughTheThreeStates() {
        const std::vector<std::pair<Action, QString>> steps = {
            {[](CTemplatesDlg&) {}, "000000010 abort |||| -"},
            {[](CTemplatesDlg& d) { Type(d, "ab"); }, "111111011 ok |||| -"},
            {[](CTemplatesDlg& d) { Type(d, "c"); }, "000001110 ok A|B|C|D|2 c"},
            {[](CTemplatesDlg& d) { Type(d, "x"); }, "111111111 ok |||| c"},
            {ClearName, "000000010 abort |||| c"},
            {[](CTemplatesDlg& d) { Pick(d, 2); }, "000001110 ok E|F|G|H|3 -"},
            {[](CTemplatesDlg& d) { Pick(d, 1); }, "000001110 ok B|A|D|E|1 t"},
        };
        const CSpreadsheetViewer viewer = CSpreadsheetViewer::Find({{"sh", {}}}, "/bin:/usr/bin");
        QCOMPARE(Run(
                     [&](CTemplatesDlg& d) {
                         QCOMPARE(d.ComboBox(IDC_TEMPLATE_NAME)->itemText(0), "ABC");
                         for (const auto& [act, state] : steps) {
                             act(d);
                             QCOMPARE(State(d), state);
                         }
                     },
                     viewer),
                 -1);
        QCOMPARE(Bytes(&m_chosen, 1), Bytes(&STORED[2], 1));
        // An empty text file, or no spreadsheet program, leaves the viewer disabled.
        for (bool bEmpty : {true, false}) {
            Run(
                [](CTemplatesDlg& d) {
                    Type(d, "new");
                    QVERIFY(!d.Control(1015)->isEnabled());
                },
                bEmpty ? viewer : CSpreadsheetViewer(), bEmpty);
        }
    }

    void checksTheFieldsOnOkInOrder() {
        struct Case {
            QStringList edits;
            const char* pLabel;  // of the first failing field, or null
            int nEmptied;
        };
        const Case cases[] = {
            {{"A", "1B", "C1", "D", "2"}, "Latitude", 1},
            {{"", "B", "C", "D", "2"}, "Name", 0},
            {{"A", "B", "C", "ZZZZ", "2"}, "Comment", 3},
            {{"A", "B", "C", "D", ""}, "First Waypoint", 4},
            {{"A", "B", "C", "D", "65536"}, "First Waypoint", 4},
            {{"A", "B", "C", "D", "65535"}, nullptr, -1},
        };
        for (const Case& c : cases) {
            m_messages.clear();
            const int nResult = Run([&](CTemplatesDlg& d) {
                Type(d, "new");
                Fill(d, c.edits);
                d.Button(IDOK)->click();
                for (int i = 0; c.pLabel && i < 5; ++i) {
                    QCOMPARE(d.Edit(IDC_NAME_INDEX + i)->text(), i == c.nEmptied ? "" : c.edits[i]);
                }
            });
            QCOMPARE(nResult, c.pLabel ? -1 : int(QDialog::Accepted));
            QCOMPARE(
                m_messages,
                c.pLabel
                    ? QStringList{QStringLiteral("Invalid field (%1 Index), please try again !")
                                      .arg(c.pLabel)}
                    : QStringList());
        }
        QCOMPARE(m_chosen.firstWaypointRow, 65535);
    }

    void storesANewTemplateExactlyAsTyped() {
        struct Case {
            const char* pName;
            int nRadio;  // 0 none
            CTextTemplate expected;
            int nAdded;
        };
        const Case cases[] = {
            {" My trip  A", IDC_COMMA, Record(" My trip  A", 0, 1, 2, ','), 1},
            {"tabbed", IDC_TAB, Record("tabbed", 0, 1, 2, '\t'), 1},
            {"plain", 0, Record("plain", 0, 1, 2, 0), 1},
            {"abc", 0, STORED[1], 0},  // the stored ABC, nothing added
        };
        for (const Case& c : cases) {
            init();
            QCOMPARE(Run([&](CTemplatesDlg& d) {
                         Type(d, c.pName);
                         Fill(d, {"A", "B", "C", "D", "2"});
                         if (c.nRadio) {
                             d.RadioButton(c.nRadio)->click();
                         }
                         d.Button(IDOK)->click();
                     }),
                     int(QDialog::Accepted));
            QCOMPARE(Bytes(&m_chosen, 1), Bytes(&c.expected, 1));
            CTemplateStore expected;
            for (const CTextTemplate& record : STORED) {
                expected.Add(record);
            }
            if (c.nAdded) {
                expected.Add(c.expected);
            }
            QVERIFY(expected.Save(m_dir.filePath("expected").toStdString()));
            QCOMPARE(ReadFile(m_store), ReadFile(m_dir.filePath("expected")));
        }
    }

    void deletesAndAsksBeforeSaving() {
        struct Case {
            const char* pWhat;
            Action act;
            std::vector<MessageAnswer> answers;
            int nResult;
            std::vector<std::string> stored;  // empty: the file as it was
        };
        auto deleteShownAfterNewName = [](CTemplatesDlg& d) {
            Pick(d, 0);
            Type(d, "zz");
            Click(IDC_DELETE_CURRENT)(d);
            QCOMPARE(State(d), "000000010 abort |||| c");
            QCOMPARE(d.ComboBox(IDC_TEMPLATE_NAME)->currentText(), "");
            Click(IDC_ABORT)(d);
        };
        auto deleteAll = [](CTemplatesDlg& d) {
            Pick(d, 0);
            Click(IDC_DELETE_ALL)(d);
            QCOMPARE(State(d), "000000000 abort |||| c");
        };
        const Case cases[] = {
            {"delete current, save", deleteShownAfterNewName, {YES, YES}, 0, {"abd", "Xyz"}},
            {"delete current, no save", deleteShownAfterNewName, {YES, NO}, 0, {}},
            {"delete current, cancel", deleteShownAfterNewName, {YES, CANCEL}, -1, {}},
            {"not sure: nothing to save",
             [](CTemplatesDlg& d) {
                 Pick(d, 0);
                 Click(IDC_DELETE_CURRENT)(d);
                 Click(IDC_ABORT)(d);
             },
             {NO},
             0,
             {}},
            {"delete all: no, then save",
             [&](CTemplatesDlg& d) {
                 deleteAll(d);
                 Click(IDC_ABORT)(d);
             },
             {NO, YES},
             0,
             {"ABC", "abd", "Xyz"}},
            {"delete all, Escape",
             [&](CTemplatesDlg& d) {
                 deleteAll(d);
                 QTest::keyClick(&d, Qt::Key_Escape);
             },
             {YES},
             0,
             {}},
            {"delete all, close box",
             [&](CTemplatesDlg& d) {
                 deleteAll(d);
                 d.close();
             },
             {YES},
             0,
             {}},
        };
        for (const Case& c : cases) {
            init();
            m_answers.assign(c.answers.begin(), c.answers.end());
            QVERIFY2(Run(c.act) == c.nResult, c.pWhat);
            QVERIFY2(m_answers.empty(), c.pWhat);
            if (c.stored.empty()) {
                QVERIFY2(ReadFile(m_store) == Bytes(STORED, 3), c.pWhat);
            } else {
                QVERIFY2(StoredNames() == c.stored, c.pWhat);
            }
        }
        init();
        m_answers = {YES, YES};
        Run([&](CTemplatesDlg& d) {
            deleteAll(d);
            Click(IDC_ABORT)(d);
        });
        QCOMPARE(ReadFile(m_store), QByteArray());
        QCOMPARE(m_messages, (QStringList{"Are you sure ?", "Save changes at the templates ?"}));
    }

    void handlesStoresItCannotUse() {
        // A template whose column no letters name is shown empty, refused, and deletable.
        const CTextTemplate odd = Record("odd", 26, 0, 1, 0);
        WriteFile(m_store, Bytes(&STORED[1], 1) + Bytes(&odd, 1));
        m_answers = {MessageAnswer::Ok, YES, YES};
        Run([](CTemplatesDlg& d) {
            Pick(d, 1);
            QCOMPARE(State(d), "000001110 ok |A|BA|CA|1 -");
            Click(IDOK)(d);
            Click(IDC_DELETE_CURRENT)(d);
            Click(IDC_ABORT)(d);
        });
        QCOMPARE(m_messages.first(), "Invalid field (Name Index), please try again !");
        QCOMPARE(StoredNames(), std::vector<std::string>{"ABC"});
        // The name box holds 254 characters; the list is scrolled to the first prefix match.
        std::vector<CTextTemplate> many;
        for (int i = 0; i < 30; ++i) {
            many.push_back(Record(QByteArray::number(100 + i).constData(), 0, 1, 1, 0));
        }
        WriteFile(m_store, Bytes(many.data(), many.size()));
        Run([](CTemplatesDlg& d) {
            QComboBox* pName = d.ComboBox(IDC_TEMPLATE_NAME);
            Pick(d, 2);
            pName->lineEdit()->selectAll();
            Type(d, "11");
            pName->showPopup();
            QCOMPARE(pName->view()->indexAt(QPoint(2, 2)).row(), 10);
            pName->hidePopup();
            ClearName(d);
            Type(d, QByteArray(300, 'n').constData());
            QCOMPARE(pName->currentText().size(), 254);
        });
        // A store that cannot be opened ends the dialog at once, as given up.
        m_store = m_dir.filePath("missing/PathfolioTemplates.dat");
        QCOMPARE(Run([](CTemplatesDlg&) { QFAIL("shown"); }), int(QDialog::Rejected));
        QCOMPARE(m_messages.last(),
                 "Fail to open file \"" + m_store + "\" ! (No such file or directory)");
    }

    void findsTheFirstSpreadsheetProgramOnTheSearchPath() {
        QVERIFY(QDir(m_dir.path()).mkpath("a") && QDir(m_dir.path()).mkpath("b"));
        WriteFile(m_dir.filePath("a/libreoffice"), "");  // not executable
        WriteFile(m_dir.filePath("a/soffice"), "", true);
        WriteFile(m_dir.filePath("b/gnumeric"), "", true);
        const struct {
            QStringList path;
            QString program;
            QStringList arguments;
        } cases[] = {
            {{"a", "b"}, "a/soffice", {"--calc", "t.csv"}},
            {{"b", "a"}, "a/soffice", {"--calc", "t.csv"}},  // the list's order comes first
            {{"b"}, "b/gnumeric", {"t.csv"}},
            {{"c"}, "", {"t.csv"}},
        };
        for (const auto& c : cases) {
            const CSpreadsheetViewer viewer = CSpreadsheetViewer::Find(
                CSpreadsheetViewer::CommonPrograms(),
                (m_dir.path() + "/" + c.path.join(":" + m_dir.path() + "/")).toStdString());
            if (!c.program.isEmpty()) {
                QCOMPARE(QString::fromStdString(viewer.ProgramPath()), m_dir.filePath(c.program));
            }
            QCOMPARE(viewer.IsFound(), !c.program.isEmpty());
            QCOMPARE(viewer.Arguments("t.csv"), c.arguments);
        }
    }

    void viewsTheTextFileAndWaitsForTheProgram() {
        const QString program = m_dir.filePath("calc"), argv = m_dir.filePath("argv");
        WriteFile(
            program,
            ("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" >" + argv +
             "\nfor i in $(seq 250); do [ -e " + argv + ".done ] && break; sleep 0.02; done\n")
                .toUtf8(),
            true);
        const CSpreadsheetViewer viewer =
            CSpreadsheetViewer::Find({{"calc", {"-x"}}}, m_dir.path().toStdString());
        bool bEnabledWhileWaiting = true;
        PaintCounter paints;
        Run(
            [&](CTemplatesDlg& d) {
                Type(d, "new");
                d.installEventFilter(&paints);
                QTimer poll;  // the program ends once the waiting dialog has been repainted
                connect(&poll, &QTimer::timeout, [&] {
                    if (paints.n > 0) {
                        WriteFile(argv + ".done", "");
                    } else if (QFile::exists(argv)) {
                        bEnabledWhileWaiting = d.isEnabled();
                        paints.n = 0;
                        d.update();
                    }
                });
                poll.start(20);
                d.Button(IDC_VIEW_IN_SPREADSHEET)->click();  // returns when the program ends
                QVERIFY(d.isEnabled() && d.Button(IDC_VIEW_IN_SPREADSHEET)->isEnabled());
            },
            viewer);
        QCOMPARE(ReadFile(argv), (program + "\n-x\n" + m_textFile + "\n").toUtf8());
        QVERIFY(!bEnabledWhileWaiting);
        // A program that cannot be started is reported, and its button disabled until the
        // name changes again.
        QFile::setPermissions(program, QFile::ReadOwner);
        Run(
            [&](CTemplatesDlg& d) {
                Type(d, "new");
                d.Button(IDC_VIEW_IN_SPREADSHEET)->click();
                QVERIFY(!d.Button(IDC_VIEW_IN_SPREADSHEET)->isEnabled());
                Type(d, "er");
                QVERIFY(d.Button(IDC_VIEW_IN_SPREADSHEET)->isEnabled());
            },
            viewer);
        QCOMPARE(m_messages,
                 QStringList{"* Fail to open file \"" + m_textFile + "\"\nwith file \"" + program +
                             "\".\n* Reason: " + std::strerror(EACCES)});
    }
};

QTEST_MAIN(TemplatesDlgTest)
#include "TemplatesDlgTest.moc"
