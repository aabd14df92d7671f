// Runs one conversion through the desktop program's main dialog, with the
// files and the template chosen by script, and says how long it took from the
// click to idle again: gui_bench SOURCE TARGET (one of them a .mps file).
// The template "bench" (the converter's default layout) is stored for it.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/MainDlg.h"
#include "dialogs/TemplatesDlg.h"
#include "templates/TemplateStore.h"
#include "ui/MessageBox.h"

namespace {

bool StoreBenchTemplate(const std::string& storePath) {
    CTemplateStore store;
    CTextTemplate layout = CTextTemplate::DefaultLayout();
    layout.SetName("bench");
    store.Add(layout);
    return store.Save(storePath);
}

// Picks the stored template when the templates dialog comes up (once: a
// conversion asks for one template).
void AnswerTemplatesDialog(QTimer& poll) {
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        auto* pDialog = qobject_cast<CTemplatesDlg*>(QApplication::activeModalWidget());
        if (pDialog != nullptr && pDialog->isVisible()) {
            poll.stop();
            pDialog->ComboBox(IDC_TEMPLATE_NAME)->lineEdit()->setText(QStringLiteral("bench"));
            emit pDialog->ComboBox(IDC_TEMPLATE_NAME)
                ->lineEdit()
                ->textEdited(QStringLiteral("bench"));
            pDialog->Button(IDOK)->click();
        }
    });
    poll.start(10);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: gui_bench SOURCE TARGET\n");
        return 2;
    }
    QTemporaryDir work;
    const std::string storePath =
        work.filePath(QStringLiteral("PathfolioTemplates.dat")).toStdString();
    if (!StoreBenchTemplate(storePath)) {
        std::fprintf(stderr, "gui_bench: cannot store the template\n");
        return 1;
    }
    CMainDlg mainDlg(storePath);
    QStringList files = {QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])};
    const bool bFromMapSource = files[0].endsWith(QStringLiteral(".mps"), Qt::CaseInsensitive);
    mainDlg.UserInterface().SetFileChooser(
        [&files](FileRole, const QString&, const QString&, const QString&, QString& path) {
            path = files.takeFirst();
            return true;
        });
    QString message;
    SetMessageAnswerer([&message](const QString& text, MessageButtons) {
        message = text;
        return MessageAnswer::Ok;
    });
    QTimer poll;
    AnswerTemplatesDialog(poll);
    mainDlg.show();

    QElapsedTimer elapsed;
    elapsed.start();
    mainDlg.Button(bFromMapSource ? IDC_MAPSOURCE_TO_TEXT : IDC_TEXT_TO_MAPSOURCE)->click();
    QEventLoop loop;
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, [&] {
        if (!mainDlg.Converter().IsRunning()) {
            loop.quit();
        }
    });
    idle.start(10);
    loop.exec();
    const bool bConverted = mainDlg.Converter().Wait();
    if (!bConverted) {
        std::fprintf(stderr, "gui_bench: %s\n", qPrintable(message.trimmed()));
    }
    std::printf("main dialog, %s: %.2f s\n",
                bFromMapSource ? "MapSource -> text" : "text -> MapSource",
                elapsed.elapsed() / 1000.0);
    return bConverted ? 0 : 1;
}
