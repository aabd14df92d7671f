#pragma once

#include <QTimer>
#include <string>

#include "app/MainDlgControls.h"
#include "app/QtUserInterface.h"
#include "job/Converter.h"
#include "ui/TemplateDialog.h"

// The program's window: the two conversion buttons, the status area that the
// conversion job drives, Help and Exit, and the About entry.
class CMainDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CMainDlg(const std::string& templateStorePath);
    ~CMainDlg() override;

    CQtUserInterface& UserInterface() { return m_userInterface; }
    CConverter& Converter() { return m_converter; }

public slots:
    // Exit, Escape and the close box: a running conversion is stopped, and
    // the window closes when its worker has ended.
    void reject() override;

protected:
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnTextToMapSource();
    void OnMapSourceToText();
    // Asks the person for the two files and starts the job on them.
    void Convert(FileKind sourceKind, FileKind targetKind);
    void EnableConversionButtons(bool bEnable);
    void OnHelp();
    void OnAbout();
    void StopConversion();

    CQtUserInterface m_userInterface;
    CConverter m_converter;
    QTimer m_closeTimer;
};
