#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/Waypoint.h"
#include "platform/Status.h"

class CWaypointTable;

// Hands waypoints to a table a few behind their reading: the table's memory
// for a waypoint's name is asked for when the waypoint comes, and is at hand
// by the time it is stored, instead of each store waiting for it in turn.
// The table sees the same waypoints in the same order as without the feed;
// a reader flushes the feed before it reports anything of its own, so that
// a fault of the table with an earlier waypoint comes first.
class CWaypointFeed {
public:
    explicit CWaypointFeed(CWaypointTable& table) : m_table(table) {}
    CWaypointFeed(const CWaypointFeed&) = delete;
    CWaypointFeed& operator=(const CWaypointFeed&) = delete;

    // Takes the waypoint, with the note on its coordinates that the table is
    // to show should it refuse them, and stores the oldest one held once the
    // feed is full. Once a store fails, the waypoints still held are dropped.
    Status Add(CWaypoint&& waypoint, const WaypointOrigin& origin, std::string&& coordinateNote);
    // The same for a waypoint whose name the reader lowered (LowerText) and
    // hashed (CWaypointTable::NameHash) itself, on a thread of its own.
    Status AddLowered(CWaypoint&& waypoint, uint32_t nNameHash, const WaypointOrigin& origin,
                      std::string&& coordinateNote);
    // Stores every waypoint still held, in order.
    Status Flush();

private:
    static constexpr size_t AHEAD = 8;

    struct Held {
        CWaypoint waypoint;
        uint32_t nNameHash = 0;
        WaypointOrigin origin;
        std::string coordinateNote;
    };

    Status StoreOldest();

    CWaypointTable& m_table;
    std::array<Held, AHEAD> m_held;
    size_t m_nOldest = 0;
    size_t m_nHeld = 0;
};
