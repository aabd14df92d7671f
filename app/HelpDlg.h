#pragma once

#include <QDialog>

class QTextBrowser;

// The help window: the program's manual, compiled in, in a resizable window
// that does not block the one that opened it.
class CHelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHelpDlg(QWidget* pOwner = nullptr);

    QTextBrowser* Browser() const { return m_pBrowser; }

    // The manual's HTML; empty if the resource is missing.
    static QString HelpHtml();

    // Shows the owner's help window, opening it the first time, and raises it.
    static CHelpDlg* ShowFor(QWidget* pOwner);

private:
    QTextBrowser* m_pBrowser;
};
