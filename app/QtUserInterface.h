#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>

#include "app/FileChooser.h"
#include "files/FileKinds.h"
#include "job/UserInterface.h"

class CTemplateDialog;

// The job's interface of the person, answered by the desktop program: its
// events drive the main dialog's status area, its questions are the dialogs.
//
// The job calls it from its worker thread; each request runs on the GUI
// thread while the worker waits for it, so every dialog is an ordinary modal
// dialog owned by the main window, which keeps repainting in between.
//
// The counter is the exception: it changes for every waypoint, so the worker
// only leaves the newest count and the GUI shows it at display rate.
//
// Once the window is closing, every request is answered at once the way a
// person cancelling would answer it, so that the worker can finish.
class CQtUserInterface : public QObject, public CUserInterface {
    Q_OBJECT
public:
    // Chooses a file; false when cancelled. path comes in as the folder to
    // open or the file to propose (or empty) and goes out as the choice. The
    // filter is in Qt's form ("Text Files (*.txt *.csv);;All Files (*)").
    // Tests and benchmarks put their own in place of the file dialog.
    using FileChooser =
        std::function<bool(FileRole role, const QString& title, const QString& filter,
                           const QString& defaultSuffix, QString& path)>;

    CQtUserInterface(CTemplateDialog& mainDlg, std::string templateStorePath);

    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // On the GUI thread, before a job: the person chooses a file of the kind.
    // The chooser opens on path when one is given (a proposed file), else in
    // the folder of the file chosen last, which is kept between runs.
    bool ChooseFile(FileRole role, FileKind kind, std::string& path);
    // From now on every question is answered as cancelled, and an open dialog of the job is closed.
    void Close();

    void StageStarted(Stage stage) override;
    void StageEnded(Stage stage) override;
    void JobEnded(bool bSucceeded) override;
    void ShowProgress(int nCount) override;
    ExistingFileChoice AskExistingFile(const std::string& path) override;
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                            bool bTextFileIsEmpty, TemplateUse use) override;
    void ShowMessage(MessageKind kind, const std::string& text) override;

signals:
    // On the GUI thread, once the job has ended and the status area is idle
    // again; bFailureShown: the person was told why it failed.
    void JobFinished(bool bSucceeded, bool bFailureShown);

private:
    // Runs the request on the GUI thread and waits for it; skipped once closing.
    void OnGuiThread(const std::function<void()>& request);
    void ShowCounter();
    void ClearCounter();
    void Check(int nId, bool bCheck);

    CTemplateDialog& m_mainDlg;
    const std::string m_templateStorePath;
    FileChooser m_fileChooser;
    std::atomic<bool> m_bClosing{false};
    bool m_bFailureShown = false;  // in the running job

    static constexpr int NO_COUNT = -1;
    std::mutex m_counterMutex;
    int m_nCount = NO_COUNT;
    bool m_bCounterChanged = false;
    QTimer m_counterTimer;
};
