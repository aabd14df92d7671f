// Shows each dialog of the program in turn, in the states worth seeing, and
// saves a picture of it: pathfolio_screenshots OUTPUT_DIRECTORY [NAME...].
// To add a dialog, add a line to Shots().

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/AboutDlg.h"
#include "app/FileChooser.h"
#include "app/HelpDlg.h"
#include "app/MainDlg.h"
#include "dialogs/ExistingFileDlg.h"
#include "dialogs/InvalidWaypointDlg.h"
#include "ui/DialogStyle.h"
#include "ui/MessageBox.h"

namespace {

struct Shot {
    const char* pName;
    std::function<std::unique_ptr<QWidget>()> make;
    // Runs on the shown widget before the picture is taken.
    std::function<void(QWidget&)> act = [](QWidget&) {};
};

// What an invalid-waypoint dialog works on; lives as long as the program. The
// table opens the dialog itself, so that it shows the waypoint at fault.
struct Fault : CImportUserInterface {
    std::string name;
    ResolutionPolicy policy;
    CWaypointTable table{this};
    std::unique_ptr<QWidget> pDialog;

    void ShowProgress(int) override {}
    // The dialog is kept for the picture; the table is told to stop.
    void ResolveInvalidWaypoint(std::string& asked, ResolutionPolicy& standing,
                                const CWaypointTable&, int nMaxNameLength,
                                WaypointError error) override {
        name = asked;
        pDialog = std::make_unique<CInvalidWaypointDlg>(name, policy, table, nMaxNameLength, error);
        standing.resolution = Resolution::Abort;
    }
};

// The dialog for a waypoint of the source file in.csv, read on line 12, while
// the table holds "home".
std::unique_ptr<QWidget> InvalidWaypoint(const char* pName, double dLatitude = 48.85837,
                                         ResolutionPolicy policy = {}) {
    static std::vector<std::unique_ptr<Fault>> faults;
    faults.push_back(std::make_unique<Fault>());
    Fault& fault = *faults.back();
    fault.policy = policy;
    for (ResolutionPolicy& standing : fault.table.m_policies) {
        standing = policy;
    }
    CWaypoint home{"home", 32.5, -117.25, "", false};
    static_cast<void>(fault.table.AddWaypoint(home));
    CWaypoint faulty{pName, dLatitude, 2.294481, "north gate, by the kiosk", false};
    static_cast<void>(
        fault.table.AddWaypoint(faulty, {WaypointOrigin::Unit::Line, 12, "/home/someone/in.csv"}));
    return std::move(fault.pDialog);
}

CInvalidWaypointDlg& AsInvalid(QWidget& widget) {
    return static_cast<CInvalidWaypointDlg&>(widget);
}

std::unique_ptr<QWidget> MainWindow() {
    return std::make_unique<CMainDlg>("/nonexistent/PathfolioTemplates.dat");
}

// The status area as the job leaves it halfway through an import after a scan.
void ShowImporting(QWidget& widget) {
    auto& dialog = static_cast<CMainDlg&>(widget);
    for (int nId : CONVERSION_BUTTONS) {
        dialog.EnableControl(nId, false);
    }
    for (int nId : {IDC_SCAN_LABEL, IDC_IMPORT_LABEL, IDC_EXPORT_LABEL}) {
        dialog.EnableControl(nId, true);
    }
    dialog.CheckBox(IDC_SCAN_CHECK)->setChecked(true);
    dialog.CheckBox(IDC_IMPORT_CHECK)->setChecked(true);
    dialog.SetControlText(IDC_COUNTER, QStringLiteral("482113"));
}

// The target chooser as the main window opens it, proposing a file beside the source.
std::unique_ptr<QWidget> FileChooser() {
    auto pDialog = std::make_unique<QFileDialog>(nullptr, "Pathfolio - Open Target File");
    PrepareFileChooser(*pDialog, FileRole::Target, "MapSource Files (*.mps);;All Files (*)", "mps",
                       "/usr/share/doc/waypoints.mps");
    return pDialog;
}

void HelpAt(QWidget& widget, const char* pAnchor) {
    static_cast<CHelpDlg&>(widget).Browser()->scrollToAnchor(QString::fromLatin1(pAnchor));
}

const std::vector<Shot>& Shots() {
    using Dlg = CInvalidWaypointDlg;
    static const std::vector<Shot> shots = {
        {"main", MainWindow},
        {"main-importing", MainWindow, ShowImporting},
        {"main-stopped", MainWindow,
         [](QWidget& w) {
             static_cast<CMainDlg&>(w).SetControlText(
                 IDC_JOB_RESULT,
                 QStringLiteral("Conversion stopped: the target file was left as it was."));
         }},
        {"invalid-waypoint-name-exists", [] { return InvalidWaypoint("home"); }},
        {"invalid-waypoint-truncate-chosen",
         [] { return InvalidWaypoint("a-waypoint-name-much-longer-than-forty-characters"); },
         [](QWidget& w) { AsInvalid(w).RadioButton(Dlg::ID_TRUNCATE)->click(); }},
        {"invalid-waypoint-editing", [] { return InvalidWaypoint("camp/2"); },
         [](QWidget& w) {
             AsInvalid(w).RadioButton(Dlg::ID_EDIT)->click();
             AsInvalid(w).Edit(Dlg::ID_NAME)->setText(QStringLiteral("camp 2"));
             AsInvalid(w).CheckBox(Dlg::ID_APPLY_TO_ALL)->click();
         }},
        {"invalid-waypoint-edit-refused", [] { return InvalidWaypoint(""); },
         [](QWidget& w) {
             AsInvalid(w).RadioButton(Dlg::ID_EDIT)->click();
             AsInvalid(w)
                 .Edit(Dlg::ID_NAME)
                 ->setText(QStringLiteral("a typed name that is longer than forty characters"));
             AsInvalid(w).Button(IDOK)->click();
         }},
        {"invalid-waypoint-forced-edit",
         [] {
             return InvalidWaypoint("home", 48.85837, {Resolution::Edit, true});
         }},
        {"invalid-waypoint-latitude", [] { return InvalidWaypoint("harbour", 0.0); }},
        {"existing-file",
         [] {
             return std::make_unique<CExistingFileDlg>(
                 "/home/someone/Documents/Waypoints/2026 spring survey/all waypoints merged.mps");
         }},
        {"file-chooser-target", FileChooser},
        {"about", [] { return std::make_unique<CAboutDlg>(); }},
        {"help", [] { return std::make_unique<CHelpDlg>(); }},
        {"help-resolutions", [] { return std::make_unique<CHelpDlg>(); },
         [](QWidget& w) { HelpAt(w, "invalid"); }},
        {"help-command-line", [] { return std::make_unique<CHelpDlg>(); },
         [](QWidget& w) { HelpAt(w, "cli"); }},
    };
    return shots;
}

// Lets the widget lay itself out and paint.
void Settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 50) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

bool Wanted(const Shot& shot, const QStringList& names) {
    return names.isEmpty() || names.contains(QString::fromLatin1(shot.pName));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    UseDialogStyle();
    QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: pathfolio_screenshots OUTPUT_DIRECTORY [NAME...]\n");
        return 2;
    }
    const QDir directory(arguments.takeFirst());
    if (!QDir().mkpath(directory.path())) {
        std::fprintf(stderr, "pathfolio_screenshots: cannot create %s\n",
                     qPrintable(directory.path()));
        return 1;
    }
    // The pictures show the dialogs, not message boxes on top of them.
    SetMessageAnswerer([](const QString&, MessageButtons) { return MessageAnswer::Ok; });
    int nFailed = 0;
    for (const Shot& shot : Shots()) {
        if (!Wanted(shot, arguments)) {
            continue;
        }
        std::unique_ptr<QWidget> pWidget = shot.make();
        pWidget->show();
        Settle();
        shot.act(*pWidget);
        Settle();
        const QString path = directory.filePath(QString::fromLatin1(shot.pName) + ".png");
        if (!pWidget->grab().save(path)) {
            std::fprintf(stderr, "pathfolio_screenshots: cannot write %s\n", qPrintable(path));
            ++nFailed;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return nFailed == 0 ? 0 : 1;
}
