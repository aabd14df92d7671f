#include "dialogs/SpreadsheetViewer.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "ui/QtText.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cctype>
#endif

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
#ifdef _WIN32
    CSpreadsheetViewer viewer;
    viewer.m_programPath = FindExcelPath();
    return viewer;
#else
    return Find(CommonPrograms(), std::string());
#endif
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

#ifdef _WIN32
bool ReadClassesRootDefault(const std::string& subkey, std::string& value) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_QUERY_VALUE, &hKey) !=
        ERROR_SUCCESS) {
        return false;
    }
    char buffer[80] = {};
    DWORD nSize = sizeof buffer;
    const LONG nResult =
        RegQueryValueExA(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &nSize);
    if (RegCloseKey(hKey) != ERROR_SUCCESS || nResult != ERROR_SUCCESS || nSize > sizeof buffer) {
        return false;
    }
    buffer[sizeof buffer - 1] = '\0';
    value = buffer;
    return true;
}

std::string FindExcelPath() {
    std::string classId;
    std::string server;
    if (!ReadClassesRootDefault("Excel.Application\\CLSID", classId) ||
        !ReadClassesRootDefault("CLSID\\" + classId + "\\LocalServer32", server)) {
        return std::string();
    }
    std::transform(server.begin(), server.end(), server.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    const std::string program = "excel.exe";
    const size_t nPosition = server.find(program);
    // A server that is not excel.exe is no Excel to start.
    return nPosition == std::string::npos ? std::string()
                                          : server.substr(0, nPosition + program.size());
}
#endif
