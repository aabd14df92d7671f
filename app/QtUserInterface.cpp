#include "app/QtUserInterface.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QThread>
#include <future>
#include <memory>
#include <mutex>

#include "app/FileChooser.h"
#include "app/MainDlgControls.h"
#include "dialogs/ExistingFileDlg.h"
#include "dialogs/InvalidWaypointDlg.h"
#include "dialogs/TemplatesDlg.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"
#include "ui/TemplateDialog.h"

namespace {

// How often the counter is repainted: about the display's rate.
constexpr int COUNTER_REFRESH_MILLISECONDS = 40;

// "Text Files (*.txt *.csv);;All Files (*)"
QString FilterOf(const FileKindInfo& info) {
    QStringList patterns;
    for (const std::string& extension : info.extensions) {
        patterns << QStringLiteral("*.") + QString::fromStdString(extension);
    }
    return QString::fromLatin1(info.pDescription) + QStringLiteral(" (") +
           patterns.join(QLatin1Char(' ')) + QStringLiteral(");;All Files (*)");
}

// Where the choosers keep the folder of the file chosen last.
constexpr const char* LAST_FOLDER_KEY = "choosers/lastFolder";

QSettings Settings() {
    return QSettings(QStringLiteral("pathfolio"), QStringLiteral("pathfolio"));
}

bool ChooseWithFileDialog(QWidget* pOwner, FileRole role, const QString& title,
                          const QString& filter, const QString& defaultSuffix, QString& path) {
    QFileDialog dialog(pOwner, title);
    PrepareFileChooser(dialog, role, filter, defaultSuffix, path);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    path = dialog.selectedFiles().first();
    return true;
}

}  // namespace

CQtUserInterface::CQtUserInterface(CTemplateDialog& mainDlg, std::string templateStorePath)
    : m_mainDlg(mainDlg), m_templateStorePath(std::move(templateStorePath)) {
    m_fileChooser = [this](FileRole role, const QString& title, const QString& filter,
                           const QString& defaultSuffix, QString& path) {
        return ChooseWithFileDialog(&m_mainDlg, role, title, filter, defaultSuffix, path);
    };
    connect(&m_counterTimer, &QTimer::timeout, this, &CQtUserInterface::ShowCounter);
    m_counterTimer.start(COUNTER_REFRESH_MILLISECONDS);
}

void CQtUserInterface::Close() {
    m_bClosing = true;
    // A dialog of the job that is up is answered as cancelled.
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pDialog = qobject_cast<QDialog*>(pWidget);
        if (pDialog != nullptr && pDialog != &m_mainDlg && pDialog->isVisible() &&
            pDialog->isModal()) {
            pDialog->reject();
        }
    }
}

void CQtUserInterface::OnGuiThread(const std::function<void()>& request) {
    if (m_bClosing) {
        return;
    }
    auto guarded = [this, &request] {
        if (!m_bClosing) {
            ShowCounter();  // the window shows the job's latest state before it asks
            request();
        }
    };
    if (QThread::currentThread() == thread()) {
        guarded();
        return;
    }
    // Handed over under a mutex and waited for with a future rather than by
    // Qt's blocking call, whose queue ThreadSanitizer cannot see into. A
    // request that is dropped unrun (its window gone) breaks the promise,
    // which ends the wait too.
    auto pHandoff = std::make_shared<std::mutex>();
    auto pRan = std::make_shared<std::promise<void>>();
    std::future<void> ran = pRan->get_future();
    std::unique_lock<std::mutex> posting(*pHandoff);
    QMetaObject::invokeMethod(
        this,
        [pHandoff, pRan, &guarded] {
            const std::lock_guard<std::mutex> running(*pHandoff);
            guarded();
            pRan->set_value();
        },
        Qt::QueuedConnection);
    posting.unlock();
    ran.wait();
}

void CQtUserInterface::StageStarted(Stage stage) {
    OnGuiThread([&] {
        switch (stage) {
            case Stage::ScanTarget:
                Check(IDC_SCAN_CHECK, true);
                m_mainDlg.EnableControl(IDC_SCAN_LABEL, true);
                break;
            case Stage::ImportSource:
                Check(IDC_IMPORT_CHECK, true);
                break;
            case Stage::ExportTarget:
                Check(IDC_EXPORT_CHECK, true);
                return;
        }
        m_mainDlg.EnableControl(IDC_IMPORT_LABEL, true);
        m_mainDlg.EnableControl(IDC_EXPORT_LABEL, true);
    });
}

void CQtUserInterface::StageEnded(Stage) {
    OnGuiThread([&] { ClearCounter(); });
}

void CQtUserInterface::JobEnded(bool bSucceeded) {
    OnGuiThread([&] {
        m_mainDlg.EnableControl(IDC_SCAN_LABEL, false);
        Check(IDC_SCAN_CHECK, false);
        for (int nId : CONVERSION_BUTTONS) {
            m_mainDlg.EnableControl(nId, true);
        }
        m_mainDlg.EnableControl(IDC_IMPORT_LABEL, false);
        m_mainDlg.EnableControl(IDC_EXPORT_LABEL, false);
        Check(IDC_IMPORT_CHECK, false);
        Check(IDC_EXPORT_CHECK, false);
        ClearCounter();
        const bool bFailureShown = m_bFailureShown;
        m_bFailureShown = false;
        emit JobFinished(bSucceeded, bFailureShown);
    });
}

void CQtUserInterface::Check(int nId, bool bCheck) {
    if (QCheckBox* pBox = m_mainDlg.CheckBox(nId)) {
        pBox->setCheckState(bCheck ? Qt::Checked : Qt::Unchecked);
    }
}

void CQtUserInterface::ShowProgress(int nCount) {
    // Once per waypoint: only the newest count is kept.
    const std::lock_guard<std::mutex> lock(m_counterMutex);
    m_nCount = nCount;
    m_bCounterChanged = true;
}

void CQtUserInterface::ShowCounter() {
    int nCount = NO_COUNT;
    {
        const std::lock_guard<std::mutex> lock(m_counterMutex);
        if (!m_bCounterChanged) {
            return;
        }
        nCount = m_nCount;
        m_bCounterChanged = false;
    }
    m_mainDlg.SetControlText(IDC_COUNTER, nCount == NO_COUNT ? QString() : QString::number(nCount));
}

void CQtUserInterface::ClearCounter() {
    {
        const std::lock_guard<std::mutex> lock(m_counterMutex);
        m_nCount = NO_COUNT;
        m_bCounterChanged = true;
    }
    ShowCounter();
}

bool CQtUserInterface::ChooseFile(FileRole role, FileKind kind, std::string& path) {
    const FileKindInfo& info = InfoOf(kind);
    QString title = role == FileRole::Source ? QStringLiteral("Pathfolio - Open Source File")
                                             : QStringLiteral("Pathfolio - Open Target File");
    QString chosen = path.empty() ? Settings().value(QLatin1String(LAST_FOLDER_KEY)).toString()
                                  : QFile::decodeName(QByteArray::fromStdString(path));
    if (!m_fileChooser(role, title, FilterOf(info), QString::fromStdString(info.defaultExtension),
                       chosen)) {
        return false;
    }
    Settings().setValue(QLatin1String(LAST_FOLDER_KEY), QFileInfo(chosen).absolutePath());
    path = QFile::encodeName(chosen).toStdString();
    return true;
}

ExistingFileChoice CQtUserInterface::AskExistingFile(const std::string& path) {
    ExistingFileChoice choice = ExistingFileChoice::None;
    OnGuiThread([&] {
        CExistingFileDlg dialog(path, &m_mainDlg);
        dialog.exec();
        choice = dialog.Choice();
    });
    return choice;
}

void CQtUserInterface::ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                              const CWaypointTable& table, int nMaxNameLength,
                                              WaypointError error) {
    bool bAsked = false;
    OnGuiThread([&] {
        bAsked = true;
        CInvalidWaypointDlg dialog(name, policy, table, nMaxNameLength, error, &m_mainDlg);
        dialog.exec();
    });
    if (!bAsked) {
        policy.resolution = Resolution::Abort;
    }
}

bool CQtUserInterface::ChooseTextTemplate(CTextTemplate& chosenTemplate,
                                          const std::string& textFilePath, bool bTextFileIsEmpty,
                                          TemplateUse use) {
    // The templates dialog of an export has no owner window.
    const bool bOwned = use == TemplateUse::Read;
    bool bChosen = false;
    OnGuiThread([&] {
        CTemplatesDlg dialog(chosenTemplate, textFilePath, bTextFileIsEmpty, m_templateStorePath,
                             bOwned ? &m_mainDlg : nullptr);
        if (!bOwned) {
            // A window of its own, but shown where the person is looking.
            dialog.move(m_mainDlg.geometry().center() - dialog.rect().center());
        }
        bChosen = dialog.exec() == QDialog::Accepted;
    });
    return bChosen;
}

void CQtUserInterface::ShowMessage(MessageKind kind, const std::string& text) {
    OnGuiThread([&] {
        m_bFailureShown = m_bFailureShown || kind == MessageKind::Failure;
        ShowMessageBox(&m_mainDlg, ToDisplayText(text));
    });
}
