#include "app/MainDlg.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "app/AboutDlg.h"
#include "app/HelpDlg.h"
#include "ui/MessageBox.h"

namespace {

// How often a closing window looks whether the stopped job has ended.
constexpr int CLOSE_POLL_MILLISECONDS = 10;

// What the window menu's About entry reads.
constexpr const char* ABOUT_ENTRY = "&About Pathfolio...";

// Each conversion button and the kinds of file it converts between.
struct Direction {
    int nId;
    FileKind source;
    FileKind target;
};
constexpr Direction DIRECTIONS[] = {
    {IDC_TEXT_TO_MAPSOURCE, FileKind::Text, FileKind::MapSource},
    {IDC_MAPSOURCE_TO_TEXT, FileKind::MapSource, FileKind::Text},
    {IDC_TEXT_TO_GPX, FileKind::Text, FileKind::Gpx},
    {IDC_GPX_TO_TEXT, FileKind::Gpx, FileKind::Text},
    {IDC_MAPSOURCE_TO_GPX, FileKind::MapSource, FileKind::Gpx},
    {IDC_GPX_TO_MAPSOURCE, FileKind::Gpx, FileKind::MapSource},
};

const DialogTemplate MAIN_DIALOG = {
    "Pathfolio",
    186,
    355,
    true,
    {
        {IDCANCEL, ControlKind::PushButton, "Exit", 119, 325, 44, 14,
         STYLE_DEFAULT | STYLE_TAB_STOP},
        {IDC_STATIC, ControlKind::GroupBox, "Convert files", 19, 20, 146, 152},
        {IDC_TEXT_TO_MAPSOURCE, ControlKind::PushButton, "From &Text file to MapSource file", 29,
         35, 124, 14, STYLE_TAB_STOP},
        {IDC_MAPSOURCE_TO_TEXT, ControlKind::PushButton, "From &MapSource file to Text file", 29,
         57, 124, 14, STYLE_TAB_STOP},
        {IDC_TEXT_TO_GPX, ControlKind::PushButton, "From Text file to &GPX file", 29, 79, 124, 14,
         STYLE_TAB_STOP},
        {IDC_GPX_TO_TEXT, ControlKind::PushButton, "From GPX file to Te&xt file", 29, 101, 124, 14,
         STYLE_TAB_STOP},
        {IDC_MAPSOURCE_TO_GPX, ControlKind::PushButton, "From Map&Source file to GPX file", 29,
         123, 124, 14, STYLE_TAB_STOP},
        {IDC_GPX_TO_MAPSOURCE, ControlKind::PushButton, "From G&PX file to MapSource file", 29,
         145, 124, 14, STYLE_TAB_STOP},
        {IDC_COUNTER, ControlKind::Label, "", 27, 208, 47, 14, STYLE_BORDER},
        {IDC_STATIC, ControlKind::GroupBox, "Status", 20, 182, 146, 133},
        {IDC_SCAN_CHECK, ControlKind::CheckBox, "", 27, 249, 16, 8, STYLE_DISABLED},
        {IDC_IMPORT_CHECK, ControlKind::TriStateCheckBox, "", 27, 266, 16, 8, STYLE_DISABLED},
        {IDC_EXPORT_CHECK, ControlKind::TriStateCheckBox, "", 27, 283, 16, 8, STYLE_DISABLED},
        {IDC_SCAN_LABEL, ControlKind::Label, "Scan waypoints in target file", 43, 249, 89, 8,
         STYLE_DISABLED},
        {IDC_IMPORT_LABEL, ControlKind::Label, "Import waypoints from source file", 43, 266, 103, 8,
         STYLE_DISABLED},
        {IDC_EXPORT_LABEL, ControlKind::Label, "Export waypoints to target file", 43, 283, 93, 8,
         STYLE_DISABLED},
        {IDC_STATIC, ControlKind::Label, "Waypoints counter for current stage:", 27, 196, 116, 8},
        {IDC_STATIC, ControlKind::Label, "Current stage:", 27, 233, 45, 8},
        {IDC_JOB_RESULT, ControlKind::Label, "", 27, 295, 133, 16},
        {ID_HELP, ControlKind::PushButton, "&Help", 21, 325, 44, 14, STYLE_TAB_STOP},
        {IDC_ABOUT, ControlKind::PushButton, "&About", 70, 325, 44, 14, STYLE_TAB_STOP},
    },
};

// How a job that did not succeed ended, under the stages.
constexpr const char* STOPPED_TEXT = "Conversion stopped: the target file was left as it was.";
constexpr const char* FAILED_TEXT = "Conversion failed: the target file was left as it was.";

// The source's folder and name with the extension of the target's kind.
std::string ProposedTarget(const std::string& sourcePath, FileKind targetKind) {
    const QFileInfo source(QFile::decodeName(QByteArray::fromStdString(sourcePath)));
    const QString proposed = source.absolutePath() + QLatin1Char('/') + source.completeBaseName() +
                             QLatin1Char('.') +
                             QString::fromStdString(InfoOf(targetKind).defaultExtension);
    return QFile::encodeName(proposed).toStdString();
}

// The one local file that a drag carries, or nothing.
QString DraggedFile(const QMimeData* pData) {
    const QList<QUrl> urls = pData != nullptr ? pData->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile()) {
        return QString();
    }
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace

CMainDlg::CMainDlg(const std::string& templateStorePath)
    : CTemplateDialog(MAIN_DIALOG),
      m_userInterface(*this, templateStorePath),
      m_converter(&m_userInterface) {
    // The program's main window, with a task-bar entry, not a dialog of another.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    for (const Direction& direction : DIRECTIONS) {
        connect(Button(direction.nId), &QPushButton::clicked, this,
                [this, direction] { Convert(direction.source, direction.target); });
    }
    connect(Button(IDCANCEL), &QPushButton::clicked, this, &CMainDlg::reject);
    connect(Button(ID_HELP), &QPushButton::clicked, this, &CMainDlg::OnHelp);
    connect(Button(IDC_ABOUT), &QPushButton::clicked, this, &CMainDlg::OnAbout);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            &CMainDlg::OnHelp);
    connect(&m_closeTimer, &QTimer::timeout, this, &CMainDlg::reject);
    connect(&m_userInterface, &CQtUserInterface::JobFinished, this, &CMainDlg::OnJobFinished);
    setAcceptDrops(true);
    Button(IDCANCEL)->setFocus();
}

CMainDlg::~CMainDlg() {
    StopConversion();
}

void CMainDlg::ConvertFile(const QString& sourcePath) {
    const std::string path =
        QFile::encodeName(QFileInfo(sourcePath).absoluteFilePath()).toStdString();
    const FileKind sourceKind = KindOfPath(path);
    Convert(sourceKind, sourceKind == FileKind::MapSource ? FileKind::Text : FileKind::MapSource,
            path);
}

// The job itself asks what is left open: what to do with an existing target,
// the templates of text files, and how to settle invalid waypoints. The
// buttons and the focus come back when the job has ended.
void CMainDlg::Convert(FileKind sourceKind, FileKind targetKind, const std::string& sourcePath) {
    if (m_converter.IsRunning()) {
        return;
    }
    m_pFocusBeforeJob = focusWidget();
    SetControlText(IDC_JOB_RESULT, QString());
    EnableConversionButtons(false);
    ConversionRequest request;
    request.source.kind = sourceKind;
    request.source.path = sourcePath;
    request.target.kind = targetKind;
    bool bChosen = !request.source.path.empty() ||
                   m_userInterface.ChooseFile(FileRole::Source, sourceKind, request.source.path);
    if (bChosen) {
        request.target.path = ProposedTarget(request.source.path, targetKind);
        bChosen = m_userInterface.ChooseFile(FileRole::Target, targetKind, request.target.path);
    }
    if (!bChosen || !m_converter.Start(request)) {
        EnableConversionButtons(true);
        RestoreFocus();
    }
}

void CMainDlg::OnJobFinished(bool bSucceeded, bool bFailureShown) {
    if (!bSucceeded) {
        SetControlText(IDC_JOB_RESULT,
                       QString::fromLatin1(bFailureShown ? FAILED_TEXT : STOPPED_TEXT));
    }
    RestoreFocus();
}

void CMainDlg::RestoreFocus() {
    if (m_pFocusBeforeJob != nullptr && m_pFocusBeforeJob->isEnabled()) {
        m_pFocusBeforeJob->setFocus();
    }
    m_pFocusBeforeJob = nullptr;
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!m_converter.IsRunning() && !DraggedFile(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
    }
}

void CMainDlg::dropEvent(QDropEvent* pEvent) {
    const QString path = DraggedFile(pEvent->mimeData());
    if (path.isEmpty() || m_converter.IsRunning()) {
        return;
    }
    pEvent->acceptProposedAction();
    // Not inside the drop: the file choosers and dialogs of the job follow.
    QTimer::singleShot(0, this, [this, path] { ConvertFile(path); });
}

void CMainDlg::EnableConversionButtons(bool bEnable) {
    for (int nId : CONVERSION_BUTTONS) {
        EnableControl(nId, bEnable);
    }
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

bool CMainDlg::ConfirmStop() {
    return ShowMessageBox(this,
                          QStringLiteral("A conversion is running. Stop it and exit? The target "
                                         "file will be left as it was."),
                          MessageButtons::YesNoDefaultNo) == MessageAnswer::Yes;
}

void CMainDlg::reject() {
    if (m_converter.IsRunning()) {
        // Asked once; then the window waits for the stopped job (below).
        if (m_closeTimer.isActive() || !ConfirmStop()) {
            return;
        }
    }
    if (m_converter.IsRunning()) {
        // The worker may be waiting for this thread, even inside a dialog of
        // the job that is open below this call: ask it to stop, let the event
        // loop serve it, and close once it has ended.
        m_userInterface.Close();
        m_converter.RequestStop();
        m_closeTimer.start(CLOSE_POLL_MILLISECONDS);
        return;
    }
    m_closeTimer.stop();
    m_converter.Wait();
    for (CHelpDlg* pHelp : findChildren<CHelpDlg*>()) {
        pHelp->close();
    }
    CTemplateDialog::reject();
}
