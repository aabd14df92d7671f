#include "app/GuardedApplication.h"

#include <exception>
#include <new>

#include "ui/MessageBox.h"

bool CGuardedApplication::notify(QObject* pReceiver, QEvent* pEvent) {
    try {
        return QApplication::notify(pReceiver, pEvent);
    } catch (const std::bad_alloc&) {
        ShowMessageBox(activeWindow(), QStringLiteral("Not enough memory !"));
    } catch (const std::exception& failure) {
        ShowMessageBox(
            activeWindow(),
            QStringLiteral("Pathfolio failed: %1").arg(QString::fromLocal8Bit(failure.what())));
    }
    return false;
}
