#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Waypoint.h"

// A hashed map from an exact key to an owned waypoint that keeps its entries in
// the order they were inserted. A key may be present without a record (a
// reservation). Replacing the record of a present key keeps the entry's place;
// a removed key that is stored again goes last.
//
// Positions walk the entries in order. SetAt and RemoveKey invalidate every
// position; TakeAt removes the entry at a position and leaves the advanced
// position valid, so a whole map can be drained in one walk.
class CWaypointMap {
public:
    using Position = size_t;
    static constexpr Position END_POSITION = SIZE_MAX;

    CWaypointMap() = default;
    CWaypointMap(const CWaypointMap&) = delete;
    CWaypointMap& operator=(const CWaypointMap&) = delete;

    size_t GetCount() const { return m_nCount; }
    bool Contains(std::string_view key) const { return FindSlot(key, Hash(key)) != NO_SLOT; }
    // True when the key is present; pRecord is null for a reservation.
    bool Lookup(std::string_view key, CWaypoint*& pRecord) const;

    // Inserts the key, or fills or replaces the record of a present key in its place.
    void SetAt(std::string_view key, std::unique_ptr<CWaypoint> pRecord);
    bool RemoveKey(std::string_view key);
    void RemoveAll();

    Position GetStartPosition() const { return NextLiveSlot(0); }
    void GetNextAssoc(Position& position, std::string& key, CWaypoint*& pRecord) const;
    // Removes the entry at the position, hands its record over and advances the position.
    std::unique_ptr<CWaypoint> TakeAt(Position& position, std::string* pKey = nullptr);

private:
    struct Slot {
        std::string key;
        std::unique_ptr<CWaypoint> record;
        bool live = false;
    };
    // A bucket holds a slot index in its low half and the key's hash in its high half.
    using Bucket = uint64_t;
    static constexpr uint32_t NO_SLOT = UINT32_MAX;
    static constexpr uint32_t DELETED_SLOT = UINT32_MAX - 1;

    static uint32_t Hash(std::string_view key);
    static Bucket MakeBucket(uint32_t nSlot, uint32_t nHash) {
        return (static_cast<Bucket>(nHash) << 32) | nSlot;
    }
    static uint32_t SlotOf(Bucket bucket) { return static_cast<uint32_t>(bucket); }
    static uint32_t HashOf(Bucket bucket) { return static_cast<uint32_t>(bucket >> 32); }

    uint32_t FindSlot(std::string_view key, uint32_t nHash) const;
    size_t FindBucket(std::string_view key, uint32_t nHash) const;
    void InsertBucket(uint32_t nSlot, uint32_t nHash);
    void ReleaseSlot(uint32_t nSlot);
    void MakeRoomForOneMore();
    void Rebuild(bool bCompactSlots);
    Position NextLiveSlot(size_t nFrom) const;

    std::vector<Slot> m_slots;  // insertion order; removed entries stay as dead slots
    std::vector<Bucket> m_buckets;
    size_t m_nCount = 0;
    size_t m_nUsedBuckets = 0;  // live and deleted
};
