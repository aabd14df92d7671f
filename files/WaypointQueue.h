#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "engine/Waypoint.h"

// Hands waypoints, in order and in batches, from a thread that reads a file
// to the thread that stores them, so that the two work at once. Either side
// may end it: the reader when the file has no more, the storer when it wants
// no more.
struct QueuedWaypoint {
    CWaypoint waypoint;
    WaypointOrigin origin;
};

class CWaypointQueue {
public:
    // The reader's side. False once the storer wants no more.
    bool Push(QueuedWaypoint&& waypoint);
    // Hands over what is left; no waypoint comes after.
    void Finish();

    // The storer's side: the next batch; false when the reader has finished
    // and every batch has been taken.
    bool Pop(std::vector<QueuedWaypoint>& batch);
    // No more waypoints are wanted; a reader waiting for room goes on.
    void Close();

private:
    static constexpr size_t BATCH_SIZE = 1024;
    static constexpr size_t MAX_BATCHES = 8;  // waiting to be stored

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<QueuedWaypoint>> m_ready;
    bool m_bFinished = false;
    bool m_bClosed = false;
    std::vector<QueuedWaypoint> m_filling;  // the reader's own
};
