#include "app/QtUserInterface.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QStringList>
#include <QThread>

#include "dialogs/ExistingFileDlg.h"
#include "dialogs/InvalidWaypointDlg.h"
#include "dialogs/TemplatesDlg.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"
#include "ui/TemplateDialog.h"

namespace {

// How often the counter is repainted: about the display's rate.
constexpr int COUNTER_REFRESH_MILLISECONDS = 40;

// "Text Files (*.txt;*.csv)|*.txt; *.csv|All Files (*.*)|*.*||" becomes the
// file dialog's "Text Files (*.txt *.csv)" and "All Files (*)".
QStringList NameFiltersOf(const QString& filter) {
    QStringList nameFilters;
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].section(QLatin1Char('('), 0, 0).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        nameFilters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                           QLatin1Char(')');
    }
    return nameFilters;
}

bool ChooseWithFileDialog(QWidget* pOwner, FileRole role, const QString& title,
                          const QString& filter, const QString& defaultSuffix, QString& path) {
    QFileDialog dialog(pOwner, title);
    // A file that does not exist may be named; the job itself asks about an
    // existing target, so the chooser does not.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (role == FileRole::Target) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.setNameFilters(NameFiltersOf(filter));
    dialog.setDefaultSuffix(defaultSuffix);
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
    } else {
        QMetaObject::invokeMethod(this, guarded, Qt::BlockingQueuedConnection);
    }
}

void CQtUserInterface::EnableControl(int nId, bool bEnable) {
    OnGuiThread([&] { m_mainDlg.EnableControl(nId, bEnable); });
}

void CQtUserInterface::CheckControl(int nId, bool bCheck) {
    OnGuiThread([&] {
        if (QCheckBox* pBox = m_mainDlg.CheckBox(nId)) {
            pBox->setCheckState(bCheck ? Qt::Checked : Qt::Unchecked);
        }
    });
}

void CQtUserInterface::SetControlText(int nId, std::string_view text) {
    if (nId != IDC_COUNTER) {
        OnGuiThread([&] { m_mainDlg.SetControlText(nId, ToQString(text)); });
        return;
    }
    // Once per waypoint: only the newest text is kept, without reallocating.
    const std::lock_guard<std::mutex> lock(m_counterMutex);
    m_counterText.assign(text);
    m_bCounterChanged = true;
}

void CQtUserInterface::ShowCounter() {
    QString text;
    {
        const std::lock_guard<std::mutex> lock(m_counterMutex);
        if (!m_bCounterChanged) {
            return;
        }
        text = ToQString(m_counterText);
        m_bCounterChanged = false;
    }
    m_mainDlg.SetControlText(IDC_COUNTER, text);
}

bool CQtUserInterface::ChooseFile(FileRole role, const std::string& title,
                                  const std::string& filter, const std::string& defaultExtension,
                                  std::string& path) {
    bool bChosen = false;
    OnGuiThread([&] {
        QString chosen;
        bChosen = m_fileChooser(role, ToQString(title), ToQString(filter),
                                ToQString(defaultExtension), chosen);
        if (bChosen) {
            path = chosen.toLocal8Bit().toStdString();
        }
    });
    return bChosen;
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
                                          bool bOwned) {
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

void CQtUserInterface::ShowMessage(const std::string& text) {
    OnGuiThread([&] { ShowMessageBox(&m_mainDlg, ToDisplayText(text)); });
}
