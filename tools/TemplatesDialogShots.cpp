// Saves pictures of the text templates dialog in its three states (no
// template, a stored template shown, a new template being defined), with the
// preview of a sample file, as PNG files, for looking at the layout. Run it
// with QT_QPA_PLATFORM=offscreen.
//
//   pathfolio_templates_dialog_shots OUTPUT_DIRECTORY

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
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

// A text file with a title row, good rows and rows that a conversion would question.
bool WriteSampleFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly) && file.write(
                                                  "NAME,LATITUDE,LONGITUDE,COMMENT\r\n"
                                                  "Home,32.500000,-117.250000,front door\r\n"
                                                  "cafe,48.858370,2.294481,by the tower\r\n"
                                                  "home,46.5,7.8,the other home\r\n"
                                                  "camp/2,46.6,7.9,\r\n"
                                                  "harbour,0,151.2,quay\r\n"
                                                  "summit,45.832622,6.865175,4808 m\r\n") > 0;
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
    const std::string textPath = work.filePath("waypoints.csv").toStdString();
    if (!output.mkpath(".") || !WriteSampleStore(storePath) || !WriteSampleFile(textPath)) {
        std::fprintf(stderr, "cannot prepare the pictures\n");
        return 1;
    }
    CTextTemplate chosen;
    // Any program will do: the button is only drawn, never clicked.
    CTemplatesDlg dialog(chosen, textPath, false, storePath, nullptr,
                         CSpreadsheetViewer::Find({{"sh", {}}}, "/bin:/usr/bin"));
    bool bAllSaved = true;
    QTimer::singleShot(0, &dialog, [&] {
        bAllSaved &= Grab(dialog, output.filePath("templates-1-no-template.png"));
        QComboBox* pName = dialog.ComboBox(IDC_TEMPLATE_NAME);
        pName->setCurrentIndex(0);
        emit pName->activated(0);
        bAllSaved &= Grab(dialog, output.filePath("templates-2-stored-template.png"));
        pName->lineEdit()->setText("Hiking club north");
        emit pName->lineEdit()->textEdited(pName->lineEdit()->text());
        const char* fields[] = {"A", "B", "C", "", "1"};
        for (int i = 0; i < 5; ++i) {
            dialog.Edit(IDC_NAME_INDEX + i)->setText(fields[i]);
        }
        bAllSaved &= Grab(dialog, output.filePath("templates-3-new-template.png"));
        dialog.reject();
    });
    dialog.exec();
    return bAllSaved ? 0 : 1;
}
