#pragma once

#include "engine/Waypoint.h"

// Translates one waypoint to and from a file's own representation of it.
// Readers and writers use a fresh codec for every waypoint.
class CFieldCodec {
public:
    virtual ~CFieldCodec() = default;
    virtual void Encode(const WaypointView& waypoint) = 0;
    // Fills the fields the file holds; m_bFromTarget is left alone.
    virtual void Decode(CWaypoint& waypoint) = 0;
};
