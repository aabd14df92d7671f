#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// Opens a text file in a spreadsheet program, so that the person can see
// which column holds what while defining a template.
//
// The program is looked up once, when the viewer is made: the first of the
// common spreadsheet programs found on the search path. It is started with an
// argument vector (the program, its own options, the file), never through a
// shell.
class CSpreadsheetViewer {
public:
    struct Program {
        std::string name;                    // the executable's file name
        std::vector<std::string> arguments;  // options placed before the file
    };

    CSpreadsheetViewer() = default;

    // The first of CommonPrograms() on the PATH; empty when there is none.
    static CSpreadsheetViewer FindOnSystem();
    // The first of the programs found in the directories of searchPath
    // (separated by ':'; an empty text means the PATH).
    static CSpreadsheetViewer Find(const std::vector<Program>& programs,
                                   const std::string& searchPath);
    static std::vector<Program> CommonPrograms();

    bool IsFound() const { return !m_programPath.empty(); }
    // The program's full path, or empty.
    const std::string& ProgramPath() const { return m_programPath; }
    // What the program is started with for this file (the program itself not included).
    QStringList Arguments(const std::string& filePath) const;

    // Starts the program on the file and runs a local event loop until it
    // ends, so windows keep repainting; the caller keeps input away from its
    // own windows meanwhile. False, with the system's reason, when the
    // program could not be started.
    bool Run(const std::string& filePath, QString& reason) const;

private:
    std::string m_programPath;
    std::vector<std::string> m_arguments;
};
