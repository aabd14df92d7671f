#include "app/MainDlg.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "app/AboutDlg.h"
#include "app/HelpDlg.h"

namespace {

// How often a closing window looks whether the stopped job has ended.
constexpr int CLOSE_POLL_MILLISECONDS = 10;

// What the window menu's About entry reads.
constexpr const char* ABOUT_ENTRY = "&About Pathfolio...";

const DialogTemplate MAIN_DIALOG = {
    "Pathfolio",
    186,
    263,
    true,
    {
        {IDCANCEL, ControlKind::PushButton, "Exit", 106, 233, 57, 14,
         STYLE_DEFAULT | STYLE_TAB_STOP},
        {IDC_STATIC, ControlKind::GroupBox, "Convert files", 19, 20, 146, 74},
        {IDC_TEXT_TO_MAPSOURCE, ControlKind::PushButton, "From Text file to MapSource file", 29, 39,
         124, 14, STYLE_TAB_STOP},
        {IDC_MAPSOURCE_TO_TEXT, ControlKind::PushButton, "From MapSource file to Text file", 29, 67,
         124, 14, STYLE_TAB_STOP},
        {IDC_COUNTER, ControlKind::Label, "", 27, 130, 47, 14, STYLE_BORDER},
        {IDC_STATIC, ControlKind::GroupBox, "Status", 20, 104, 146, 117},
        {IDC_SCAN_CHECK, ControlKind::CheckBox, "", 27, 171, 16, 8, STYLE_DISABLED},
        {IDC_IMPORT_CHECK, ControlKind::TriStateCheckBox, "", 27, 188, 16, 8, STYLE_DISABLED},
        {IDC_EXPORT_CHECK, ControlKind::TriStateCheckBox, "", 27, 205, 16, 8, STYLE_DISABLED},
        {IDC_SCAN_LABEL, ControlKind::Label, "Scan waypoints in target file", 43, 171, 89, 8,
         STYLE_DISABLED},
        {IDC_IMPORT_LABEL, ControlKind::Label, "Import waypoints from source file", 43, 188, 103, 8,
         STYLE_DISABLED},
        {IDC_EXPORT_LABEL, ControlKind::Label, "Export waypoints to target file", 43, 205, 93, 8,
         STYLE_DISABLED},
        {IDC_STATIC, ControlKind::Label, "Waypoints counter for current stage:", 27, 118, 116, 8},
        {IDC_STATIC, ControlKind::Label, "Current stage:", 27, 155, 45, 8},
        {ID_HELP, ControlKind::PushButton, "&Help", 21, 233, 50, 14, STYLE_TAB_STOP},
    },
};

}  // namespace

CMainDlg::CMainDlg(const std::string& templateStorePath)
    : CTemplateDialog(MAIN_DIALOG),
      m_userInterface(*this, templateStorePath),
      m_converter(&m_userInterface) {
    // The program's main window, with a task-bar entry, not a dialog of another.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    connect(Button(IDC_TEXT_TO_MAPSOURCE), &QPushButton::clicked, this,
            &CMainDlg::OnTextToMapSource);
    connect(Button(IDC_MAPSOURCE_TO_TEXT), &QPushButton::clicked, this,
            &CMainDlg::OnMapSourceToText);
    connect(Button(IDCANCEL), &QPushButton::clicked, this, &CMainDlg::reject);
    connect(Button(ID_HELP), &QPushButton::clicked, this, &CMainDlg::OnHelp);
    connect(&m_closeTimer, &QTimer::timeout, this, &CMainDlg::reject);
    Button(IDCANCEL)->setFocus();
}

CMainDlg::~CMainDlg() {
    StopConversion();
}

void CMainDlg::OnTextToMapSource() {
    Convert(FileKind::Text, FileKind::MapSource);
}

void CMainDlg::OnMapSourceToText() {
    Convert(FileKind::MapSource, FileKind::Text);
}

// The job itself asks what is left open: what to do with an existing target,
// the templates of text files, and how to settle invalid waypoints. The
// buttons come back when the job has ended.
void CMainDlg::Convert(FileKind sourceKind, FileKind targetKind) {
    if (m_converter.IsRunning()) {
        return;
    }
    EnableConversionButtons(false);
    ConversionRequest request;
    request.source.kind = sourceKind;
    request.target.kind = targetKind;
    if (!m_userInterface.ChooseFile(FileRole::Source, sourceKind, request.source.path) ||
        !m_userInterface.ChooseFile(FileRole::Target, targetKind, request.target.path)) {
        EnableConversionButtons(true);
        return;
    }
    m_converter.Start(request);
}

void CMainDlg::EnableConversionButtons(bool bEnable) {
    EnableControl(IDC_MAPSOURCE_TO_TEXT, bEnable);
    EnableControl(IDC_TEXT_TO_MAPSOURCE, bEnable);
}

void CMainDlg::OnHelp() {
    CHelpDlg::ShowFor(this);
}

void CMainDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* pEvent) {
    QMenu menu(this);
    connect(menu.addAction(QString::fromLatin1(ABOUT_ENTRY)), &QAction::triggered, this,
            &CMainDlg::OnAbout);
    menu.exec(pEvent->globalPos());
}

// For a window destroyed without closing (the application quit under it).
void CMainDlg::StopConversion() {
    if (m_converter.IsRunning()) {
        m_userInterface.Close();
        m_converter.RequestStop();
        // The worker may be waiting for a request of this thread: serve them
        // (they are answered as cancelled now) until it has ended.
        while (m_converter.IsRunning()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, CLOSE_POLL_MILLISECONDS);
            QThread::msleep(1);
        }
    }
    m_converter.Wait();
}

void CMainDlg::reject() {
    if (m_converter.IsRunning()) {
        // The worker may be waiting for this thread, even inside a dialog of
        // the job that is open below this call: ask it to stop, let the event
        // loop serve it, and close once it has ended.
        if (!m_closeTimer.isActive()) {
            m_userInterface.Close();
            m_converter.RequestStop();
            m_closeTimer.start(CLOSE_POLL_MILLISECONDS);
        }
        return;
    }
    m_closeTimer.stop();
    m_converter.Wait();
    for (CHelpDlg* pHelp : findChildren<CHelpDlg*>()) {
        pHelp->close();
    }
    CTemplateDialog::reject();
}
