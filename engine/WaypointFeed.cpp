#include "engine/WaypointFeed.h"

#include <utility>

#include "engine/WaypointTable.h"
#include "platform/Utf8.h"

Status CWaypointFeed::Add(CWaypoint&& waypoint, const WaypointOrigin& origin,
                          std::string&& coordinateNote) {
    // The table lowers names before it looks them up; lowered here, the
    // name leads to the memory that the lookup will read.
    LowerText(waypoint.m_strName);
    uint32_t nNameHash = CWaypointTable::NameHash(waypoint.m_strName);
    return AddLowered(std::move(waypoint), nNameHash, origin, std::move(coordinateNote));
}

Status CWaypointFeed::AddLowered(CWaypoint&& waypoint, uint32_t nNameHash,
                                 const WaypointOrigin& origin, std::string&& coordinateNote) {
    if (m_nHeld == AHEAD) {
        if (Status status = StoreOldest(); !status.IsOk()) {
            return status;
        }
    }
    Held& held = m_held[(m_nOldest + m_nHeld) % AHEAD];
    held.nNameHash = nNameHash;
    m_table.Prefetch(held.nNameHash);
    held.waypoint = std::move(waypoint);
    held.origin = origin;
    held.coordinateNote = std::move(coordinateNote);
    ++m_nHeld;
    return Status();
}

Status CWaypointFeed::Flush() {
    while (m_nHeld > 0) {
        if (Status status = StoreOldest(); !status.IsOk()) {
            return status;
        }
    }
    return Status();
}

Status CWaypointFeed::StoreOldest() {
    Held& held = m_held[m_nOldest];
    m_nOldest = (m_nOldest + 1) % AHEAD;
    --m_nHeld;
    if (!held.coordinateNote.empty()) {
        m_table.SetCoordinateNote(std::move(held.coordinateNote));
    }
    Status status = m_table.AddLoweredWaypoint(held.waypoint, held.nNameHash, held.origin);
    if (!status.IsOk()) {
        m_nHeld = 0;
    }
    return status;
}
