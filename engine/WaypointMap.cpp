#include "engine/WaypointMap.h"

#include <functional>
#include <utility>

namespace {

constexpr uint64_t EMPTY_BUCKET = UINT64_MAX;
constexpr size_t MIN_BUCKETS = 16;
constexpr size_t MIN_DEAD_SLOTS_TO_COMPACT = 1024;

}  // namespace

uint32_t CWaypointMap::Hash(std::string_view key) {
    return static_cast<uint32_t>(std::hash<std::string_view>()(key));
}

bool CWaypointMap::Lookup(std::string_view key, CWaypoint*& pRecord) const {
    uint32_t nSlot = FindSlot(key, Hash(key));
    if (nSlot == NO_SLOT) {
        return false;
    }
    pRecord = m_slots[nSlot].record.get();
    return true;
}

void CWaypointMap::SetAt(std::string_view key, std::unique_ptr<CWaypoint> pRecord) {
    uint32_t nHash = Hash(key);
    uint32_t nSlot = FindSlot(key, nHash);
    if (nSlot != NO_SLOT) {
        m_slots[nSlot].record = std::move(pRecord);
        return;
    }
    MakeRoomForOneMore();
    Slot slot;
    slot.key.assign(key);
    slot.record = std::move(pRecord);
    slot.live = true;
    m_slots.push_back(std::move(slot));
    InsertBucket(static_cast<uint32_t>(m_slots.size() - 1), nHash);
    ++m_nCount;
}

bool CWaypointMap::RemoveKey(std::string_view key) {
    size_t nBucket = FindBucket(key, Hash(key));
    if (nBucket == m_buckets.size()) {
        return false;
    }
    uint32_t nSlot = SlotOf(m_buckets[nBucket]);
    m_buckets[nBucket] = MakeBucket(DELETED_SLOT, 0);
    ReleaseSlot(nSlot);
    return true;
}

void CWaypointMap::RemoveAll() {
    m_slots = std::vector<Slot>();
    m_buckets = std::vector<Bucket>();
    m_nCount = 0;
    m_nUsedBuckets = 0;
}

void CWaypointMap::GetNextAssoc(Position& position, std::string& key, CWaypoint*& pRecord) const {
    const Slot& slot = m_slots[position];
    key = slot.key;
    pRecord = slot.record.get();
    position = NextLiveSlot(position + 1);
}

std::unique_ptr<CWaypoint> CWaypointMap::TakeAt(Position& position, std::string* pKey) {
    auto nSlot = static_cast<uint32_t>(position);
    Slot& slot = m_slots[nSlot];
    size_t nBucket = FindBucket(slot.key, Hash(slot.key));
    m_buckets[nBucket] = MakeBucket(DELETED_SLOT, 0);
    std::unique_ptr<CWaypoint> pRecord = std::move(slot.record);
    if (pKey != nullptr) {
        *pKey = std::move(slot.key);
    }
    position = NextLiveSlot(position + 1);
    ReleaseSlot(nSlot);
    return pRecord;
}

uint32_t CWaypointMap::FindSlot(std::string_view key, uint32_t nHash) const {
    size_t nBucket = FindBucket(key, nHash);
    return nBucket == m_buckets.size() ? NO_SLOT : SlotOf(m_buckets[nBucket]);
}

// The bucket that holds the key, or m_buckets.size() when the key is absent.
size_t CWaypointMap::FindBucket(std::string_view key, uint32_t nHash) const {
    if (m_buckets.empty()) {
        return 0;
    }
    size_t nMask = m_buckets.size() - 1;
    for (size_t i = nHash & nMask;; i = (i + 1) & nMask) {
        Bucket bucket = m_buckets[i];
        if (bucket == EMPTY_BUCKET) {
            return m_buckets.size();
        }
        uint32_t nSlot = SlotOf(bucket);
        if (nSlot != DELETED_SLOT && HashOf(bucket) == nHash && m_slots[nSlot].key == key) {
            return i;
        }
    }
}

void CWaypointMap::InsertBucket(uint32_t nSlot, uint32_t nHash) {
    size_t nMask = m_buckets.size() - 1;
    size_t i = nHash & nMask;
    while (m_buckets[i] != EMPTY_BUCKET) {
        i = (i + 1) & nMask;
    }
    m_buckets[i] = MakeBucket(nSlot, nHash);
    ++m_nUsedBuckets;
}

// The bucket of the slot has already been marked deleted.
void CWaypointMap::ReleaseSlot(uint32_t nSlot) {
    Slot& slot = m_slots[nSlot];
    slot.live = false;
    slot.record.reset();
    std::string().swap(slot.key);
    if (--m_nCount == 0) {
        RemoveAll();
    }
}

void CWaypointMap::MakeRoomForOneMore() {
    size_t nDeadSlots = m_slots.size() - m_nCount;
    if (nDeadSlots >= MIN_DEAD_SLOTS_TO_COMPACT && nDeadSlots > m_nCount) {
        Rebuild(true);
    } else if ((m_nUsedBuckets + 1) * 2 > m_buckets.size()) {
        Rebuild(false);
    }
}

// Sizes the buckets for twice the live entries and drops the deleted ones; with
// bCompactSlots also closes the gaps that removed entries left in the order.
void CWaypointMap::Rebuild(bool bCompactSlots) {
    if (bCompactSlots) {
        std::vector<Slot> liveSlots;
        liveSlots.reserve(m_nCount + 1);
        for (Slot& slot : m_slots) {
            if (slot.live) {
                liveSlots.push_back(std::move(slot));
            }
        }
        m_slots.swap(liveSlots);
    }
    size_t nBuckets = MIN_BUCKETS;
    while (nBuckets < (m_nCount + 1) * 4) {
        nBuckets *= 2;
    }
    m_buckets.assign(nBuckets, EMPTY_BUCKET);
    m_nUsedBuckets = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            InsertBucket(static_cast<uint32_t>(i), Hash(m_slots[i].key));
        }
    }
}

CWaypointMap::Position CWaypointMap::NextLiveSlot(size_t nFrom) const {
    for (size_t i = nFrom; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            return i;
        }
    }
    return END_POSITION;
}
