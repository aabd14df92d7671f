#pragma once

#include <cstdint>
#include <string>

#include "files/WaypointFileUserInterface.h"
#include "platform/PlatformFile.h"

class CWaypoint;
class CWaypointTable;

// A kind of waypoint file, as the conversion job sees it. The job opens File()
// itself, reads with ReadWaypoints, writes with Export, and makes a staged
// target real with Commit. Every failure is reported to the person where it is
// found, so a false result needs no further message.
class CWaypointFile {
public:
    CWaypointFile(CPlatformFile* pFile, CWaypointFileUserInterface* pOwner)
        : m_pOwner(pOwner), m_pFile(pFile) {}
    virtual ~CWaypointFile() = default;
    CWaypointFile(const CWaypointFile&) = delete;
    CWaypointFile& operator=(const CWaypointFile&) = delete;

    // Hands every waypoint of the file to the table, marked with bFromTarget.
    // False when the table said stop, or on a failure already reported.
    virtual bool ReadWaypoints(CWaypointTable& table, bool bFromTarget) = 0;
    // The file chooser's filter and default extension.
    virtual void GetFilter(const char*& pFilter, std::string& defaultExtension) const = 0;

    // Writes the table's waypoints not read from the target at the end of the
    // file, in the table's order, emptying the table, and flushes them. False
    // when the job was stopped or on a failure already reported.
    bool Export(CWaypointTable& table);
    // Makes a staged target the real file; reports a failure.
    bool Commit();
    void Close();

    CPlatformFile& File() { return *m_pFile; }

protected:
    // Readies the file, positioned at its end, for the first waypoint (a
    // header, or the point to append at). False ends the export; the failure
    // has been reported.
    virtual bool BeginWriting() = 0;
    // Failures of the file are kept by it (see CPlatformFile) and found by Export.
    virtual void WriteWaypoint(const CWaypoint& waypoint) = 0;
    virtual void EndWriting() {}

    // Reports a failure of the system on this file and returns false.
    bool ReportFailure(const char* pWhat);
    void ShowMessage(const std::string& text);

    CWaypointFileUserInterface* m_pOwner;
    CPlatformFile* m_pFile;
    // Characters of the waypoints written that the file's encoding lacks.
    int64_t m_nReplacedCharacters = 0;
};
