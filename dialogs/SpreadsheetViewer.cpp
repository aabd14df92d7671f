#include "dialogs/SpreadsheetViewer.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "ui/QtText.h"

std::vector<CSpreadsheetViewer::Program> CSpreadsheetViewer::CommonPrograms() {
    // LibreOffice opens a .txt file in its word processor unless told otherwise.
    return {
        {"localc", {}},   {"libreoffice", {"--calc"}}, {"soffice", {"--calc"}},
        {"gnumeric", {}}, {"calligrasheets", {}},
    };
}

CSpreadsheetViewer CSpreadsheetViewer::Find(const std::vector<Program>& programs,
                                            const std::string& searchPath) {
    QStringList directories;
    if (!searchPath.empty()) {
        directories = ToQString(searchPath).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    }
    CSpreadsheetViewer viewer;
    for (const Program& program : programs) {
        const QString path = QStandardPaths::findExecutable(ToQString(program.name), directories);
        if (!path.isEmpty()) {
            viewer.m_programPath = QFile::encodeName(path).toStdString();
            viewer.m_arguments = program.arguments;
            break;
        }
    }
    return viewer;
}

CSpreadsheetViewer CSpreadsheetViewer::FindOnSystem() {
    return Find(CommonPrograms(), std::string());
}

QStringList CSpreadsheetViewer::Arguments(const std::string& filePath) const {
    QStringList arguments;
    for (const std::string& argument : m_arguments) {
        arguments << ToQString(argument);
    }
    arguments << QFile::decodeName(filePath.c_str());
    return arguments;
}

bool CSpreadsheetViewer::Run(const std::string& filePath, QString& reason) const {
    QProcess process;
    process.setProgram(QFile::decodeName(m_programPath.c_str()));
    process.setArguments(Arguments(filePath));
    // The program's output is not wanted, and must not pile up in memory.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    process.start();
    if (!process.waitForStarted(-1)) {
        // The system's reason, without the name of the call that failed ("execvp: ").
        reason = process.errorString().section(QStringLiteral(": "), -1);
        return false;
    }
    if (process.state() != QProcess::NotRunning) {
        loop.exec();
    }
    return true;
}
