#include "engine/WaypointMap.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr uint64_t EMPTY_BUCKET = UINT64_MAX;
constexpr uint64_t DELETED_BUCKET = UINT64_MAX - 1;
constexpr size_t MIN_BUCKETS = 16;
constexpr size_t MIN_DEAD_SLOTS_TO_COMPACT = 1024;

}  // namespace

uint32_t CWaypointMap::Hash(std::string_view key) {
    return static_cast<uint32_t>(std::hash<std::string_view>()(key));
}

bool CWaypointMap::Lookup(std::string_view key, const CWaypoint*& pRecord) const {
    size_t nBucket = FindBucket(key, Hash(key));
    if (nBucket == NO_BUCKET) {
        return false;
    }
    const Slot& slot = m_slots[SlotOf(m_buckets[nBucket])];
    pRecord = slot.reserved ? nullptr : &slot.record;
    return true;
}

void CWaypointMap::SetAt(CWaypoint waypoint) {
    uint32_t nHash = Hash(waypoint.m_strName);
    size_t nBucket = FindBucket(waypoint.m_strName, nHash);
    if (nBucket == NO_BUCKET) {
        Append(std::move(waypoint), nHash, false);
        return;
    }
    Slot& slot = m_slots[SlotOf(m_buckets[nBucket])];
    slot.record = std::move(waypoint);
    slot.reserved = false;
}

void CWaypointMap::Reserve(std::string_view key) {
    uint32_t nHash = Hash(key);
    if (FindBucket(key, nHash) == NO_BUCKET) {
        CWaypoint placeholder;
        placeholder.m_strName.assign(key);
        placeholder.m_bFromTarget = true;
        Append(std::move(placeholder), nHash, true);
    }
}

void CWaypointMap::Append(CWaypoint record, uint32_t nHash, bool bReserved) {
    MakeRoomForOneMore();
    m_slots.push_back(Slot{std::move(record), nHash, true, bReserved});
    InsertBucket(m_slots.size() - 1, nHash);
    ++m_nCount;
}

bool CWaypointMap::RemoveKey(std::string_view key) {
    size_t nBucket = FindBucket(key, Hash(key));
    if (nBucket == NO_BUCKET) {
        return false;
    }
    Slot& slot = m_slots[SlotOf(m_buckets[nBucket])];
    m_buckets[nBucket] = DELETED_BUCKET;
    ReleaseSlot(slot);
    return true;
}

void CWaypointMap::RemoveAll() {
    m_slots.shrink(0);
    std::fill(m_buckets.begin(), m_buckets.end(), EMPTY_BUCKET);
    m_nCount = 0;
    m_nUsedBuckets = 0;
}

void CWaypointMap::GetNextAssoc(Position& position, std::string& key,
                                const CWaypoint*& pRecord) const {
    const Slot& slot = m_slots[position];
    key = slot.record.m_strName;
    pRecord = slot.reserved ? nullptr : &slot.record;
    position = NextLiveSlot(position + 1);
}

// The slot's bucket is left in place: pointing at a dead slot, it counts as deleted.
CWaypoint CWaypointMap::TakeAt(Position& position) {
    Slot& slot = m_slots[position];
    CWaypoint record = std::move(slot.record);
    position = NextLiveSlot(position + 1);
    ReleaseSlot(slot);
    return record;
}

size_t CWaypointMap::FindBucket(std::string_view key, uint32_t nHash) const {
    if (m_buckets.empty()) {
        return NO_BUCKET;
    }
    size_t nMask = m_buckets.size() - 1;
    for (size_t i = nHash & nMask;; i = (i + 1) & nMask) {
        Bucket bucket = m_buckets[i];
        if (bucket == EMPTY_BUCKET) {
            return NO_BUCKET;
        }
        if (bucket != DELETED_BUCKET && HashOf(bucket) == nHash) {
            const Slot& slot = m_slots[SlotOf(bucket)];
            if (slot.live && slot.record.m_strName == key) {
                return i;
            }
        }
    }
}

void CWaypointMap::InsertBucket(size_t nSlot, uint32_t nHash) {
    size_t nMask = m_buckets.size() - 1;
    size_t i = nHash & nMask;
    while (m_buckets[i] != EMPTY_BUCKET) {
        i = (i + 1) & nMask;
    }
    m_buckets[i] = MakeBucket(nSlot, nHash);
    ++m_nUsedBuckets;
}

void CWaypointMap::ReleaseSlot(Slot& slot) {
    slot.live = false;
    slot.reserved = false;
    slot.record = CWaypoint();
    if (--m_nCount == 0) {
        RemoveAll();
    }
}

void CWaypointMap::MakeRoomForOneMore() {
    size_t nDeadSlots = m_slots.size() - m_nCount;
    if (nDeadSlots >= MIN_DEAD_SLOTS_TO_COMPACT && nDeadSlots > m_nCount) {
        Rebuild(true, (m_nCount + 1) * 3 / 2);
    } else if ((m_nUsedBuckets + 1) * 2 > m_buckets.size()) {
        Rebuild(false, (m_nCount + 1) * 3 / 2);
    }
}

void CWaypointMap::ExpectMore(size_t nMore) {
    size_t nEntries = m_nCount + nMore;
    if (nMore > 0 && (m_nUsedBuckets + nMore) * 2 > m_buckets.size()) {
        Rebuild(false, nEntries);
    }
}

// Sizes the buckets for twice nEntries, at least the live ones, and drops the
// deleted ones; with bCompactSlots also closes the gaps that removed entries left.
void CWaypointMap::Rebuild(bool bCompactSlots, size_t nEntries) {
    if (bCompactSlots) {
        CompactSlots();
    }
    size_t nBuckets = MIN_BUCKETS;
    while (nBuckets < std::max(nEntries, m_nCount + 1) * 2) {
        nBuckets *= 2;
    }
    m_buckets.assign(nBuckets, EMPTY_BUCKET);
    m_nUsedBuckets = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            InsertBucket(i, m_slots[i].hash);
        }
    }
}

// Moves the live slots forward over the dead ones, keeping their order.
void CWaypointMap::CompactSlots() {
    size_t nLive = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            if (i != nLive) {
                m_slots[nLive] = std::move(m_slots[i]);
                m_slots[i].live = false;
            }
            ++nLive;
        }
    }
    m_slots.shrink(nLive);
}

CWaypointMap::Position CWaypointMap::NextLiveSlot(size_t nFrom) const {
    for (size_t i = nFrom; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            return i;
        }
    }
    return END_POSITION;
}
