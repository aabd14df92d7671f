#pragma once

#include <string>

#include "files/GpxReader.h"
#include "files/WaypointFile.h"

// A GPX waypoint file (.gpx): read in versions 1.0 and 1.1, written in 1.1.
class CGpxFile : public CWaypointFile {
public:
    explicit CGpxFile(CWaypointFileUserInterface* pOwner) : CWaypointFile(&m_file, pOwner) {}

    // Hands the waypoint of every "wpt" to the table. True only when the whole
    // file was read; a file that is not GPX, not XML, cut off or hostile is
    // reported with the line where it goes wrong.
    bool ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;
    void GetFilter(const char*& pFilter, std::string& defaultExtension) const override;

private:
    // A new file gets the header. An existing one must read cleanly; the new
    // waypoints then go after its last waypoint, and what followed it (routes,
    // tracks, extensions, the end tag) after them, byte for byte.
    bool BeginWriting() override;
    void WriteWaypoint(const CWaypoint& waypoint) override;
    void EndWriting() override;

    // Reads the whole file and reports what keeps it from being read.
    bool Read(CWaypointTable* pTable, bool bFromTarget);
    // Whether new waypoints can be written into the file as it was read.
    bool CanInsert();
    bool StartLine(uint64_t& nInsertAt, std::string& lead);

    CPlatformFile m_file;
    CGpxReader m_reader;
    std::string m_prefix;  // of the GPX elements in the file written
    bool m_bAsciiOnly = false;
    std::string m_element;  // reused for every waypoint written
    std::string m_tail;     // what follows the new waypoints
};
