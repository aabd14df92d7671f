#pragma once

#include <string>

#include "files/FileKinds.h"
#include "files/GpxFieldCodec.h"
#include "files/GpxReader.h"
#include "files/WaypointFile.h"

// A GPX waypoint file (.gpx): read in versions 1.0 and 1.1, written in 1.1.
class CGpxFile : public CWaypointFile {
public:
    explicit CGpxFile(CWaypointFileUserInterface* pOwner, const WaypointFileOptions& = {})
        : CWaypointFile(&m_file, pOwner) {}

    // Hands the waypoint of every "wpt" to the table. Ok only when the whole
    // file was read; a file that is not GPX, not XML, cut off or hostile fails
    // with the line where it goes wrong.
    Status ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;

private:
    // A new file gets the header. An existing one must read cleanly; the new
    // waypoints then go after its last waypoint, and what followed it (routes,
    // tracks, extensions, the end tag) after them, byte for byte.
    Status BeginWriting() override;
    void WriteWaypoint(const WaypointView& waypoint) override;
    void EndWriting() override;

    // Reads the whole file; fails with what keeps it from being read.
    Status Read(CWaypointTable* pTable, bool bFromTarget);
    // Whether new waypoints can be written into the file as it was read.
    Status CanInsert() const;
    Status StartLine(uint64_t& nInsertAt, std::string& lead);
    Status FindLineEnds(uint64_t nLength);

    CPlatformFile m_file;
    CGpxReader m_reader;
    CGpxElementWriter m_elements;  // with the prefix of the GPX elements in the file written
    bool m_bCrLf = false;          // the file written ends its lines with CR LF
    std::string m_element;         // reused for every waypoint written
    std::string m_tail;            // what follows the new waypoints
};
