#pragma once

#include <QApplication>

// The desktop program's application object: an exception that escapes an
// event handler (out of memory, say) is shown in a message box instead of
// ending the program.
class CGuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* pReceiver, QEvent* pEvent) override;
};
