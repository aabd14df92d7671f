#pragma once

#include "engine/Waypoint.h"
#include "files/GpxFieldCodec.h"
#include "files/ReadQueue.h"

// A waypoint as its file holds it: the storer decodes it, so that the reader
// has the less to do.
struct QueuedWaypoint {
    CGpxFieldCodec fields;
    WaypointOrigin origin;
};

using CWaypointQueue = CReadQueue<QueuedWaypoint>;
