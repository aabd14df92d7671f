#pragma once

#include <QPointer>
#include <QTimer>
#include <string>

#include "app/MainDlgControls.h"
#include "app/QtUserInterface.h"
#include "job/Converter.h"
#include "ui/TemplateDialog.h"

// The program's window: a conversion button for each direction between the
// kinds of file, the status area that the conversion job drives, Help, About
// and Exit. A file dropped on it is converted to another kind.
class CMainDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CMainDlg(const std::string& templateStorePath);
    ~CMainDlg() override;

    CQtUserInterface& UserInterface() { return m_userInterface; }
    CConverter& Converter() { return m_converter; }
    // Converts the file (dropped, or named on the command line) to the other
    // kind; only the target is asked for.
    void ConvertFile(const QString& sourcePath);

public slots:
    // Exit, Escape and the close box: a running conversion is stopped once
    // the person confirms it, and the window closes when its worker has ended.
    void reject() override;

protected:
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    // Asks the person for the files (the source unless given) and starts the job on them.
    void Convert(FileKind sourceKind, FileKind targetKind, const std::string& sourcePath = {});
    void OnJobFinished(bool bSucceeded, bool bFailureShown);
    // Gives the focus back to the control that had it when the job was asked for.
    void RestoreFocus();
    bool ConfirmStop();
    void EnableConversionButtons(bool bEnable);
    void OnHelp();
    void OnAbout();
    void StopConversion();

    CQtUserInterface m_userInterface;
    CConverter m_converter;
    QTimer m_closeTimer;
    QPointer<QWidget> m_pFocusBeforeJob;
};
