// Saves pictures of the text templates dialog in its three states (no
// template, a stored template shown, a new template being defined) as PNG
// files, for looking at the layout. Run it with QT_QPA_PLATFORM=offscreen.
//
//   pathfolio_templates_dialog_shots OUTPUT_DIRECTORY

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "dialogs/TemplatesDlg.h"
#include "ui/DialogStyle.h"

namespace {

bool WriteSampleStore(const std::string& path) {
    CTemplateStore store;
    const char* names[] = {"Garmin export", "gpx sheet", "Hiking club", "Survey 2023"};
    int nColumn = 0;
    for (const char* pName : names) {
        CTextTemplate record = CTextTemplate::WithColumns(nColumn, nColumn + 1, nColumn + 2,
                                                          nColumn + 3, 2, nColumn ? '\t' : ',');
        record.SetName(pName);
        store.Add(record);
        nColumn += 27;
    }
    return store.Save(path);
}

bool Grab(QWidget& dialog, const QString& path) {
    QApplication::processEvents();
    const bool bSaved = dialog.grab().save(path);
    std::printf("%s %s\n", bSaved ? "wrote" : "could not write", qPrintable(path));
    return bSaved;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    UseDialogStyle();
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    const std::string storePath = work.filePath("PathfolioTemplates.dat").toStdString();
    if (!output.mkpath(".") || !WriteSampleStore(storePath)) {
        std::fprintf(stderr, "cannot prepare the pictures\n");
        return 1;
    }
    CTextTemplate chosen;
    // Any program will do: the button is only drawn, never clicked.
    CTemplatesDlg dialog(chosen, "/tmp/waypoints.csv", false, storePath, nullptr,
                         CSpreadsheetViewer::Find({{"sh", {}}}, "/bin:/usr/bin"));
    bool bAllSaved = true;
    QTimer::singleShot(0, &dialog, [&] {
        bAllSaved &= Grab(dialog, output.filePath("templates-1-no-template.png"));
        QComboBox* pName = dialog.ComboBox(IDC_TEMPLATE_NAME);
        pName->setCurrentIndex(1);
        emit pName->activated(1);
        bAllSaved &= Grab(dialog, output.filePath("templates-2-stored-template.png"));
        pName->lineEdit()->setText("Hiking club north");
        emit pName->lineEdit()->textEdited(pName->lineEdit()->text());
        dialog.Edit(IDC_NAME_INDEX)->setText("C");
        dialog.Edit(IDC_LATITUDE_INDEX)->setText("A");
        bAllSaved &= Grab(dialog, output.filePath("templates-3-new-template.png"));
        dialog.reject();
    });
    dialog.exec();
    return bAllSaved ? 0 : 1;
}
