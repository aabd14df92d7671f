#pragma once

#include <cstdint>
#include <string>

#include "files/WaypointFileUserInterface.h"
#include "platform/PlatformFile.h"
#include "platform/Status.h"

class CWaypoint;
class CWaypointTable;

// A kind of waypoint file, as the conversion job sees it: the job opens it as
// a source or a staged target, reads it with ReadWaypoints, writes with Export,
// and makes a staged target real with Commit. Each returns a status whose
// failure message names the file and the reason.
class CWaypointFile {
public:
    CWaypointFile(CPlatformFile* pFile, CWaypointFileUserInterface* pOwner)
        : m_pOwner(pOwner), m_pFile(pFile) {}
    virtual ~CWaypointFile() = default;
    CWaypointFile(const CWaypointFile&) = delete;
    CWaypointFile& operator=(const CWaypointFile&) = delete;

    // Opens the file to read from.
    Status OpenSource(const std::string& path);
    // Opens a staged target (see CPlatformFile::OpenStaged) with one of the
    // OPEN_TARGET_ flags: created, replaced, or kept to append to.
    Status OpenTarget(const std::string& path, unsigned nOpenFlags);

    // Hands every waypoint of the file to the table, marked with bFromTarget.
    // Anything but ok ends the job: the table said stop, or the file cannot be read.
    virtual Status ReadWaypoints(CWaypointTable& table, bool bFromTarget) = 0;

    // Writes the table's waypoints not read from the target at the end of the
    // file, in the table's order, emptying the table, and flushes them.
    Status Export(CWaypointTable& table);
    // Makes a staged target the real file.
    Status Commit();
    void Close();

    CPlatformFile& File() { return *m_pFile; }

protected:
    // Readies the file, positioned at its end, for the first waypoint (a
    // header, or the point to append at).
    virtual Status BeginWriting() = 0;
    // Failures of the file are kept by it (see CPlatformFile) and found by Export.
    virtual void WriteWaypoint(const WaypointView& waypoint) = 0;
    virtual void EndWriting() {}

    // The system's failure to read or write this file; stopped when the job's
    // stop made the operation fail.
    Status FileFailure(const char* pWhat) const;

    CWaypointFileUserInterface* m_pOwner;
    CPlatformFile* m_pFile;
    // Characters of the waypoints written that the file's encoding lacks.
    int64_t m_nReplacedCharacters = 0;
};
