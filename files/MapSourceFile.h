#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/FileKinds.h"
#include "files/MapSourceFormat.h"
#include "files/WaypointFile.h"

// A MapSource waypoint file (.mps) of version 3, 4 or 5.
class CWaypointFeed;

class CMapSourceFile : public CWaypointFile {
public:
    // How a walk through the file ended.
    enum class ReadEnd {
        None,           // not yet: the walk goes on
        EndRecord,      // the whole file was read (the only success)
        Stopped,        // the table said stop
        Failed,         // the system failed to read (reported)
        NotMapSource,   // no signature (reported)
        UnknownFormat,  // a format letter of no version this program knows (reported)
        Damaged,        // a record does not fit the file, or its fields its length (reported)
    };

    explicit CMapSourceFile(CWaypointFileUserInterface* pOwner,
                            const WaypointFileOptions& options = {})
        : CWaypointFile(&m_file, pOwner) {
        static_cast<void>(options);
    }

    // Walks the records by their lengths and hands the waypoint of every 'W'
    // record to the table; other records are skipped. Ok only when the end
    // record was reached.
    Status ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;

private:
    // What a writer appending to the file needs to know of it.
    struct Structure {
        MapSourceLayout layout = MapSourceLayout::None;
        uint64_t nInsertAt = 0;         // after the last 'W' record, or before routes and the rest
        uint64_t nWaypointRecords = 0;  // 'W' records walked so far
    };

    // A new file gets the header. An existing one must read cleanly; the new
    // waypoints then go after its last waypoint, in its layout, and what
    // followed it (routes, tracks, map segments, the end record) after them.
    Status BeginWriting() override;
    void WriteWaypoint(const WaypointView& waypoint) override;
    void EndWriting() override;

    // Takes a waypoint read and the number of its record; false when no more are wanted.
    using Deliver = std::function<bool(CWaypoint&&, uint64_t)>;

    // Walks the file on a thread of its own while the waypoints read are
    // stored on this one.
    ReadEnd ReadAlongside(CWaypointFeed& feed, bool bFromTarget, Status& stored);
    // Reads the whole file; waypoints are delivered when there is somewhere to.
    ReadEnd Walk(const Deliver* pDeliver, bool bFromTarget, Structure& structure);
    ReadEnd ReadFormat(uint64_t nOffset, uint32_t nBody, char type, Structure& structure);
    ReadEnd ReadWaypoint(uint64_t nOffset, uint32_t nBody, const Structure& structure,
                         const Deliver* pDeliver, bool bFromTarget);
    ReadEnd Damaged(uint64_t nOffset, const std::string& what);
    ReadEnd Failed();
    ReadEnd Refused(ReadEnd end, std::string message);

    CPlatformFile m_file;
    Status m_readStatus;                // why the last walk ended, when the file failed it
    std::vector<unsigned char> m_body;  // reused for every waypoint record read
    MapSourceLayout m_writeLayout = MapSourceLayout::Version3;
    std::string m_record;  // reused for a waypoint record longer than the file's buffer
    std::string m_tail;    // what follows the new waypoints
};
