#pragma once

#include <string>

#include "files/PlatformFile.h"

class CUserInterface;
class CWaypointTable;

// A kind of waypoint file, as the conversion job sees it.
class CWaypointFile {
public:
    CWaypointFile(CPlatformFile* pFile, CUserInterface* pOwner)
        : m_pOwner(pOwner), m_pFile(pFile) {}
    virtual ~CWaypointFile() = default;
    CWaypointFile(const CWaypointFile&) = delete;
    CWaypointFile& operator=(const CWaypointFile&) = delete;

    // Hands every waypoint of the file to the table, marked with bFromTarget.
    // False when the table said stop, or on a failure already reported.
    virtual bool ReadWaypoints(CWaypointTable& table, bool bFromTarget) = 0;
    // Writes the table's waypoints not read from the target, emptying the table.
    virtual bool WriteWaypoints(CWaypointTable& table) = 0;
    // The file chooser's filter and default extension.
    virtual void GetFilter(const char*& pFilter, std::string& defaultExtension) const = 0;

    bool Import(CWaypointTable& table, bool bFromTarget);
    // Writes at the end of the file.
    bool Export(CWaypointTable& table);
    // Makes a staged target the real file; reports a failure.
    bool Commit();
    void Close();

    CPlatformFile& File() { return *m_pFile; }

protected:
    // Reports a failure of the system on this file and returns false.
    bool ReportFailure(const char* pWhat);
    void ShowMessage(const std::string& text);

    CUserInterface* m_pOwner;
    CPlatformFile* m_pFile;
};
