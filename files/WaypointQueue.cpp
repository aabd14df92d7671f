#include "files/WaypointQueue.h"

#include <utility>

bool CWaypointQueue::Push(QueuedWaypoint&& waypoint) {
    m_filling.push_back(std::move(waypoint));
    if (m_filling.size() < BATCH_SIZE) {
        return true;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_bClosed || m_ready.size() < MAX_BATCHES; });
    if (m_bClosed) {
        return false;
    }
    m_ready.push_back(std::move(m_filling));
    m_filling.clear();
    m_changed.notify_all();
    return true;
}

void CWaypointQueue::Finish() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_filling.empty()) {
        m_ready.push_back(std::move(m_filling));
        m_filling.clear();
    }
    m_bFinished = true;
    m_changed.notify_all();
}

bool CWaypointQueue::Pop(std::vector<QueuedWaypoint>& batch) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_bFinished || !m_ready.empty(); });
    if (m_ready.empty()) {
        return false;
    }
    batch = std::move(m_ready.front());
    m_ready.pop_front();
    m_changed.notify_all();
    return true;
}

void CWaypointQueue::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosed = true;
    m_changed.notify_all();
}
