#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ChunkedArray.h"
#include "engine/HugePageAllocator.h"
#include "engine/TextArena.h"
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
// An entry keeps its coordinates in a slot and its texts in an arena of
// bytes, about half of what a waypoint object takes, which the system would
// have to clear page by page; waypoints go in and come out as objects. The buckets, the slots'
// fixed blocks and their huge pages are the program's own because each saves more than a twentieth
// of a million-waypoint conversion over its standard counterpart; bench/containers.sh measures
// them.
class CWaypointMap {
public:
    using Position = size_t;
    static constexpr Position END_POSITION = SIZE_MAX;

    CWaypointMap() = default;
    CWaypointMap(const CWaypointMap&) = delete;
    CWaypointMap& operator=(const CWaypointMap&) = delete;

    size_t GetCount() const { return m_nCount; }
    // The hash of a name, for the calls below that take it, so that a name
    // that is prefetched, looked up and stored is hashed once.
    static uint32_t NameHash(std::string_view key);
    bool Contains(std::string_view key) const { return Contains(key, NameHash(key)); }
    bool Contains(std::string_view key, uint32_t nHash) const {
        return FindBucket(key, nHash) != NO_BUCKET;
    }
    // Asks for the memory where a lookup of the name with this hash begins, to be read soon.
    void Prefetch(uint32_t nHash) const {
        if (!m_buckets.empty()) {
            __builtin_prefetch(&m_buckets[nHash & (m_buckets.size() - 1)]);
        }
    }
    // True when a waypoint is stored under the name (not for a reservation); copies it.
    bool Lookup(std::string_view key, CWaypoint& record) const;
    // True when the name is present without a waypoint.
    bool IsReserved(std::string_view key) const;

    // Stores the waypoint under its name: fills a reservation or replaces the
    // waypoint of a present name in its place, or appends a new entry.
    void SetAt(const CWaypoint& waypoint) { SetAt(waypoint, NameHash(waypoint.m_strName)); }
    void SetAt(const CWaypoint& waypoint, uint32_t nNameHash);
    // Appends the name without a waypoint, unless it is present.
    void Reserve(std::string_view key);
    bool RemoveKey(std::string_view key);
    // Empties the map; its memory stays for the entries to come.
    void RemoveAll();
    // Makes room for nMore entries besides the present ones at once, rather
    // than growing step by step.
    void ExpectMore(size_t nMore);

    Position GetStartPosition() const { return NextLiveSlot(0); }
    void GetNextAssoc(Position& position, std::string& key, bool& bReserved) const;
    // The entry at the position. A reservation comes out as a waypoint with
    // only its name, marked as read from the target, so that no writer writes it.
    WaypointView ViewAt(Position position) const { return ViewOf(m_slots[position]); }
    // Removes the entry at the position and advances the position.
    void RemoveAt(Position& position);
    // The entry at the position, copied.
    CWaypoint WaypointAt(Position position) const { return WaypointOf(m_slots[position]); }
    // RemoveAt, handing the waypoint over.
    CWaypoint TakeAt(Position& position);

private:
    // A waypoint's coordinates and flags. Its record in m_texts holds the
    // rest: the lengths of the name and the comment (seven bits a byte), the
    // name, the comment, then the elevation and the symbol where the waypoint
    // has them. A reservation has only a name. 24 bytes: the name's hash is
    // in its bucket, and worked out again when the buckets are rebuilt.
    struct Slot {
        double latitude = 0.0;
        double longitude = 0.0;
        uint64_t text : CTextArena::PLACE_BITS;
        uint64_t live : 1;
        uint64_t reserved : 1;
        uint64_t fromTarget : 1;
        uint64_t hasElevation : 1;
        uint64_t hasSymbol : 1;

        Slot() : text(0), live(0), reserved(0), fromTarget(1), hasElevation(0), hasSymbol(0) {}
    };
    static_assert(sizeof(Slot) == 24, "a slot of a million-waypoint table");
    // A slot's record in m_texts, read.
    struct Record {
        std::string_view name;
        std::string_view comment;
        const char* pExtras;  // the elevation and the symbol
        size_t nBytes;        // of the whole record
    };
    // A bucket holds a slot index in its low half and the name's hash in its
    // high half. A bucket whose slot is no longer live counts as deleted.
    using Bucket = uint64_t;
    static constexpr size_t NO_BUCKET = SIZE_MAX;

    // Buckets are at most five eighths used (live or deleted): with the hash
    // beside each slot index a lookup still reads few of them, and ten million
    // names fit in 16 Mi buckets rather than 32 Mi.
    static bool IsOverfull(size_t nUsed, size_t nBuckets) { return nUsed * 8 > nBuckets * 5; }
    static Bucket MakeBucket(size_t nSlot, uint32_t nHash) {
        return (static_cast<Bucket>(nHash) << 32) | static_cast<uint32_t>(nSlot);
    }
    static size_t SlotOf(Bucket bucket) { return static_cast<uint32_t>(bucket); }
    static uint32_t HashOf(Bucket bucket) { return static_cast<uint32_t>(bucket >> 32); }

    Record RecordOf(const Slot& slot) const;
    std::string_view NameOf(const Slot& slot) const { return RecordOf(slot).name; }
    void Fill(Slot& slot, const CWaypoint& waypoint);
    WaypointView ViewOf(const Slot& slot) const;
    CWaypoint WaypointOf(const Slot& slot) const;
    const Slot* FindSlot(std::string_view key) const;
    size_t FindBucket(std::string_view key, uint32_t nHash) const;
    void Append(const CWaypoint& record, uint32_t nHash, bool bReserved);
    void InsertBucket(size_t nSlot, uint32_t nHash);
    void ReleaseSlot(Slot& slot);
    void EmptyBuckets();
    void MakeRoomForOneMore();
    void Rebuild(bool bCompactSlots, size_t nEntries);
    void CompactSlots();
    void CompactTextsIfMostlyDead();
    void CompactTexts();
    Position NextLiveSlot(size_t nFrom) const;

    CChunkedArray<Slot> m_slots;  // insertion order, with dead slots
    CTextArena m_texts;
    size_t m_nLiveTextBytes = 0;
    bool m_bTextsCompacted = false;  // since the map was last empty
    std::vector<Bucket, CHugePageAllocator<Bucket>> m_buckets;
    size_t m_nCount = 0;
    size_t m_nUsedBuckets = 0;  // not empty: live or deleted
};
