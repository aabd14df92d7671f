#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ChunkedArray.h"
#include "engine/HugePageAllocator.h"
#include "engine/Waypoint.h"

// A hashed map of waypoints keyed by their names, exactly, that keeps its
// entries in the order they were inserted. A name may be reserved without a
// waypoint. Storing a waypoint under a present name keeps the entry's place; a
// removed name that is stored again goes last.
//
// Positions walk the entries in order. SetAt, Reserve and RemoveKey invalidate
// every position; TakeAt removes the entry at a position and leaves the
// advanced position valid, so a whole map can be drained in one walk.
//
// The buckets, the slots' fixed blocks and their huge pages are the program's
// own because each saves more than a twentieth of a million-waypoint
// conversion over its standard counterpart; bench/containers.sh measures them.
class CWaypointMap {
public:
    using Position = size_t;
    static constexpr Position END_POSITION = SIZE_MAX;

    CWaypointMap() = default;
    CWaypointMap(const CWaypointMap&) = delete;
    CWaypointMap& operator=(const CWaypointMap&) = delete;

    size_t GetCount() const { return m_nCount; }
    bool Contains(std::string_view key) const { return FindBucket(key, Hash(key)) != NO_BUCKET; }
    // True when the name is present; pRecord is null for a reservation.
    bool Lookup(std::string_view key, const CWaypoint*& pRecord) const;

    // Stores the waypoint under its name: fills a reservation or replaces the
    // waypoint of a present name in its place, or appends a new entry.
    void SetAt(CWaypoint waypoint);
    // Appends the name without a waypoint, unless it is present.
    void Reserve(std::string_view key);
    bool RemoveKey(std::string_view key);
    // Empties the map; its memory stays for the entries to come.
    void RemoveAll();

    Position GetStartPosition() const { return NextLiveSlot(0); }
    void GetNextAssoc(Position& position, std::string& key, const CWaypoint*& pRecord) const;
    // Removes the entry at the position, advances the position and hands the
    // waypoint over. A reservation comes out as a waypoint with only its name,
    // marked as read from the target, so that no writer writes it.
    CWaypoint TakeAt(Position& position);

private:
    // A reservation's record holds only the name.
    struct Slot {
        CWaypoint record;
        uint32_t hash = 0;
        bool live = false;
        bool reserved = false;
    };
    // A bucket holds a slot index in its low half and the name's hash in its
    // high half. A bucket whose slot is no longer live counts as deleted.
    using Bucket = uint64_t;
    static constexpr size_t NO_BUCKET = SIZE_MAX;

    static uint32_t Hash(std::string_view key);
    static Bucket MakeBucket(size_t nSlot, uint32_t nHash) {
        return (static_cast<Bucket>(nHash) << 32) | static_cast<uint32_t>(nSlot);
    }
    static size_t SlotOf(Bucket bucket) { return static_cast<uint32_t>(bucket); }
    static uint32_t HashOf(Bucket bucket) { return static_cast<uint32_t>(bucket >> 32); }

    size_t FindBucket(std::string_view key, uint32_t nHash) const;
    void Append(CWaypoint record, uint32_t nHash, bool bReserved);
    void InsertBucket(size_t nSlot, uint32_t nHash);
    void ReleaseSlot(Slot& slot);
    void MakeRoomForOneMore();
    void Rebuild(bool bCompactSlots);
    void CompactSlots();
    Position NextLiveSlot(size_t nFrom) const;

    CChunkedArray<Slot> m_slots;  // insertion order, with dead slots
    std::vector<Bucket, CHugePageAllocator<Bucket>> m_buckets;
    size_t m_nCount = 0;
    size_t m_nUsedBuckets = 0;  // not empty: live or deleted
};
