#include "app/PathfolioApp.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "app/MainDlg.h"
#include "templates/TemplateStore.h"
#include "ui/ApplicationIcon.h"
#include "ui/MessageBox.h"

namespace {

// Until the application stands, a failure to reach the display is said in one
// line instead of Qt's abort trace; later messages go their usual way.
bool g_bStarted = false;

void OnQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg && !g_bStarted) {
        std::fprintf(stderr, "pathfolio: cannot open the display (%s)\n",
                     qPrintable(message.section(QLatin1Char('\n'), 0, 0)));
        std::_Exit(1);
    }
    if (g_bStarted || type == QtCriticalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
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
    const QtMessageHandler previousHandler = qInstallMessageHandler(OnQtMessage);
    QApplication application(argc, argv);
    g_bStarted = true;
    qInstallMessageHandler(previousHandler);
    QApplication::setApplicationName(QString::fromLatin1(APPLICATION_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(PATHFOLIO_VERSION));
    QApplication::setWindowIcon(ApplicationIcon());

    CMainDlg mainDlg(TemplateStorePath(QDir::currentPath().toStdString()));
    mainDlg.exec();
    return 0;
}
