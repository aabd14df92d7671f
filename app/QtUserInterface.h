#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>

#include "job/UserInterface.h"

class CTemplateDialog;

// The job's interface of the person, answered by the desktop program.
//
// The job calls it from its worker thread; each request runs on the GUI
// thread while the worker waits for it, so every dialog is an ordinary modal
// dialog owned by the main window, which keeps repainting in between.
//
// The counter is the exception: it changes for every waypoint, so the worker
// only leaves the newest text and the GUI shows it at display rate.
//
// Once the window is closing, every request is answered at once the way a
// person cancelling would answer it, so that the worker can finish.
class CQtUserInterface : public QObject, public CUserInterface {
    Q_OBJECT
public:
    // Chooses a file for the job; false when cancelled. Tests and benchmarks
    // put their own in place of the file dialog.
    using FileChooser =
        std::function<bool(FileRole role, const QString& title, const QString& filter,
                           const QString& defaultSuffix, QString& path)>;

    CQtUserInterface(CTemplateDialog& mainDlg, std::string templateStorePath);

    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // From now on every question is answered as cancelled, and an open dialog of the job is closed.
    void Close();

    void EnableControl(int nId, bool bEnable) override;
    void CheckControl(int nId, bool bCheck) override;
    void SetControlText(int nId, std::string_view text) override;
    bool ChooseFile(FileRole role, const std::string& title, const std::string& filter,
                    const std::string& defaultExtension, std::string& path) override;
    ExistingFileChoice AskExistingFile(const std::string& path) override;
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                            bool bTextFileIsEmpty, bool bOwned) override;
    void ShowMessage(const std::string& text) override;

private:
    // Runs the request on the GUI thread and waits for it; skipped once closing.
    void OnGuiThread(const std::function<void()>& request);
    void ShowCounter();

    CTemplateDialog& m_mainDlg;
    const std::string m_templateStorePath;
    FileChooser m_fileChooser;
    std::atomic<bool> m_bClosing{false};

    std::mutex m_counterMutex;
    std::string m_counterText;
    bool m_bCounterChanged = false;
    QTimer m_counterTimer;
};
