#include "app/PathfolioApp.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/GuardedApplication.h"
#include "app/MainDlg.h"
#include "templates/TemplateStore.h"
#include "ui/ApplicationIcon.h"
#include "ui/DialogStyle.h"
#include "ui/MessageBox.h"

namespace {

// The display the program was asked to use, for the one line said when it cannot.
QByteArray DisplayName() {
    const QByteArray display = qgetenv("DISPLAY");
    return display.isEmpty() ? qgetenv("WAYLAND_DISPLAY") : display;
}

// Until the application stands, a display that cannot be reached is said in
// one line instead of Qt's warnings and abort trace.
void OnStartUpMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "pathfolio: cannot open the display \"%s\"\n",
                     DisplayName().constData());
        std::_Exit(1);
    }
    if (type == QtCriticalMsg) {
        std::fprintf(stderr, "pathfolio: %s\n", qPrintable(message));
    }
}

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int CPathfolioApp::Run(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr, "pathfolio: no display to show the window on (DISPLAY is not set)\n");
        return 1;
    }
    const QtMessageHandler previousHandler = qInstallMessageHandler(OnStartUpMessage);
    CGuardedApplication application(argc, argv);
    qInstallMessageHandler(previousHandler);
    QApplication::setApplicationName(QString::fromLatin1(APPLICATION_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(PATHFOLIO_VERSION));
    QApplication::setWindowIcon(ApplicationIcon());
    UseDialogStyle();

    CMainDlg mainDlg(LocateTemplateStore());
    // pathfolio FILE converts the file, as a drop on the window does.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &mainDlg,
                           [&mainDlg, &arguments] { mainDlg.ConvertFile(arguments[1]); });
    }
    mainDlg.exec();
    return 0;
}
