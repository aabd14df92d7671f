#include "engine/WaypointMap.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

namespace {

constexpr uint64_t EMPTY_BUCKET = UINT64_MAX;
constexpr uint64_t DELETED_BUCKET = UINT64_MAX - 1;
constexpr size_t MIN_BUCKETS = 16;
constexpr size_t MIN_DEAD_SLOTS_TO_COMPACT = 1024;
constexpr size_t MIN_DEAD_TEXT_BYTES_TO_COMPACT = size_t{1} << 20;

// Lengths in a record take seven bits a byte, the last byte below 0x80.
size_t LengthBytes(size_t nLength) {
    size_t nBytes = 1;
    while (nLength >= 0x80) {
        nLength >>= 7;
        ++nBytes;
    }
    return nBytes;
}

char* PutLength(char* pAt, size_t nLength) {
    while (nLength >= 0x80) {
        *pAt++ = static_cast<char>(0x80 | (nLength & 0x7F));
        nLength >>= 7;
    }
    *pAt++ = static_cast<char>(nLength);
    return pAt;
}

size_t GetLength(const char*& pAt) {
    size_t nLength = 0;
    for (int nShift = 0;; nShift += 7) {
        auto byte = static_cast<unsigned char>(*pAt++);
        nLength |= static_cast<size_t>(byte & 0x7F) << nShift;
        if (byte < 0x80) {
            return nLength;
        }
    }
}

}  // namespace

uint32_t CWaypointMap::NameHash(std::string_view key) {
    return static_cast<uint32_t>(std::hash<std::string_view>()(key));
}

bool CWaypointMap::Lookup(std::string_view key, CWaypoint& record) const {
    const Slot* pSlot = FindSlot(key);
    if (pSlot == nullptr || pSlot->reserved) {
        return false;
    }
    record = WaypointOf(*pSlot);
    return true;
}

bool CWaypointMap::IsReserved(std::string_view key) const {
    const Slot* pSlot = FindSlot(key);
    return pSlot != nullptr && pSlot->reserved;
}

const CWaypointMap::Slot* CWaypointMap::FindSlot(std::string_view key) const {
    size_t nBucket = FindBucket(key, NameHash(key));
    return nBucket == NO_BUCKET ? nullptr : &m_slots[SlotOf(m_buckets[nBucket])];
}

void CWaypointMap::SetAt(const CWaypoint& waypoint, uint32_t nHash) {
    size_t nBucket = FindBucket(waypoint.m_strName, nHash);
    if (nBucket == NO_BUCKET) {
        Append(waypoint, nHash, false);
        return;
    }
    Slot& slot = m_slots[SlotOf(m_buckets[nBucket])];
    size_t nReplacedBytes = RecordOf(slot).nBytes;
    Fill(slot, waypoint);
    m_nLiveTextBytes -= nReplacedBytes;
    slot.reserved = false;
}

void CWaypointMap::Reserve(std::string_view key) {
    uint32_t nHash = NameHash(key);
    if (FindBucket(key, nHash) == NO_BUCKET) {
        CWaypoint placeholder;
        placeholder.m_strName.assign(key);
        placeholder.m_bFromTarget = true;
        Append(placeholder, nHash, true);
    }
}

void CWaypointMap::Append(const CWaypoint& record, uint32_t nHash, bool bReserved) {
    MakeRoomForOneMore();
    Slot slot;
    Fill(slot, record);
    slot.live = true;
    slot.reserved = bReserved;
    try {
        m_slots.push_back(std::move(slot));
    } catch (const std::bad_alloc&) {
        m_nLiveTextBytes -= RecordOf(slot).nBytes;
        throw;
    }
    InsertBucket(m_slots.size() - 1, nHash);
    ++m_nCount;
}

// The arena first: should it find no memory, the slot stays as it was.
void CWaypointMap::Fill(Slot& slot, const CWaypoint& waypoint) {
    CompactTextsIfMostlyDead();
    const std::string& name = waypoint.m_strName;
    const std::string& comment = waypoint.m_strComment;
    size_t nBytes = LengthBytes(name.size()) + LengthBytes(comment.size()) + name.size() +
                    comment.size() + (waypoint.m_bHasElevation ? sizeof(double) : 0) +
                    (waypoint.m_bHasSymbol ? sizeof(int32_t) : 0);
    CTextArena::Place place = m_texts.Allocate(nBytes);
    char* pAt = m_texts.At(place);
    pAt = PutLength(pAt, name.size());
    pAt = PutLength(pAt, comment.size());
    pAt = std::copy(name.begin(), name.end(), pAt);
    pAt = std::copy(comment.begin(), comment.end(), pAt);
    if (waypoint.m_bHasElevation) {
        std::memcpy(pAt, &waypoint.m_dElevation, sizeof(double));
        pAt += sizeof(double);
    }
    if (waypoint.m_bHasSymbol) {
        std::memcpy(pAt, &waypoint.m_nSymbol, sizeof(int32_t));
    }
    slot.text = place;
    slot.latitude = waypoint.m_dLatitude;
    slot.longitude = waypoint.m_dLongitude;
    slot.fromTarget = waypoint.m_bFromTarget ? 1 : 0;
    slot.hasElevation = waypoint.m_bHasElevation ? 1 : 0;
    slot.hasSymbol = waypoint.m_bHasSymbol ? 1 : 0;
    m_nLiveTextBytes += nBytes;
}

CWaypointMap::Record CWaypointMap::RecordOf(const Slot& slot) const {
    const char* pStart = m_texts.At(slot.text);
    const char* pAt = pStart;
    size_t nName = GetLength(pAt);
    size_t nComment = GetLength(pAt);
    Record record;
    record.name = std::string_view(pAt, nName);
    record.comment = std::string_view(pAt + nName, nComment);
    record.pExtras = pAt + nName + nComment;
    record.nBytes = static_cast<size_t>(record.pExtras - pStart) +
                    (slot.hasElevation ? sizeof(double) : 0) +
                    (slot.hasSymbol ? sizeof(int32_t) : 0);
    return record;
}

WaypointView CWaypointMap::ViewOf(const Slot& slot) const {
    Record record = RecordOf(slot);
    WaypointView view;
    view.name = record.name;
    view.comment = record.comment;
    view.dLatitude = slot.latitude;
    view.dLongitude = slot.longitude;
    view.bFromTarget = slot.fromTarget;
    const char* pExtras = record.pExtras;
    if (slot.hasElevation) {
        view.bHasElevation = true;
        std::memcpy(&view.dElevation, pExtras, sizeof(double));
        pExtras += sizeof(double);
    }
    if (slot.hasSymbol) {
        view.bHasSymbol = true;
        std::memcpy(&view.nSymbol, pExtras, sizeof(int32_t));
    }
    return view;
}

CWaypoint CWaypointMap::WaypointOf(const Slot& slot) const {
    WaypointView view = ViewOf(slot);
    CWaypoint waypoint;
    waypoint.m_strName.assign(view.name);
    waypoint.m_strComment.assign(view.comment);
    waypoint.m_dLatitude = view.dLatitude;
    waypoint.m_dLongitude = view.dLongitude;
    waypoint.m_bFromTarget = view.bFromTarget;
    if (view.bHasElevation) {
        waypoint.SetElevation(view.dElevation);
    }
    if (view.bHasSymbol) {
        waypoint.SetSymbol(view.nSymbol);
    }
    return waypoint;
}

bool CWaypointMap::RemoveKey(std::string_view key) {
    size_t nBucket = FindBucket(key, NameHash(key));
    if (nBucket == NO_BUCKET) {
        return false;
    }
    Slot& slot = m_slots[SlotOf(m_buckets[nBucket])];
    m_buckets[nBucket] = DELETED_BUCKET;
    ReleaseSlot(slot);
    return true;
}

void CWaypointMap::RemoveAll() {
    EmptyBuckets();
    m_slots.shrink(0);
    m_texts.Empty();
    m_nLiveTextBytes = 0;
    m_nCount = 0;
    m_nUsedBuckets = 0;
}

// A table sized ahead for many entries and emptied after a few, as when one
// name is overwritten again and again, clears only the runs of buckets that
// begin where the names of its slots hash to: every bucket in use was filled
// for one of them. Once the texts were compacted, removed slots no longer
// have their names.
void CWaypointMap::EmptyBuckets() {
    if (m_bTextsCompacted || m_slots.size() * 16 > m_buckets.size()) {
        std::fill(m_buckets.begin(), m_buckets.end(), EMPTY_BUCKET);
        m_bTextsCompacted = false;
        return;
    }
    size_t nMask = m_buckets.size() - 1;
    for (size_t nSlot = 0; nSlot < m_slots.size(); ++nSlot) {
        for (size_t i = NameHash(NameOf(m_slots[nSlot])) & nMask; m_buckets[i] != EMPTY_BUCKET;
             i = (i + 1) & nMask) {
            m_buckets[i] = EMPTY_BUCKET;
        }
    }
}

void CWaypointMap::GetNextAssoc(Position& position, std::string& key, bool& bReserved) const {
    const Slot& slot = m_slots[position];
    key.assign(NameOf(slot));
    bReserved = slot.reserved;
    position = NextLiveSlot(position + 1);
}

// The slot's bucket is left in place: pointing at a dead slot, it counts as deleted.
void CWaypointMap::RemoveAt(Position& position) {
    Slot& slot = m_slots[position];
    position = NextLiveSlot(position + 1);
    ReleaseSlot(slot);
}

CWaypoint CWaypointMap::TakeAt(Position& position) {
    CWaypoint record = WaypointAt(position);
    RemoveAt(position);
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
            if (slot.live && NameOf(slot) == key) {
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
    m_nLiveTextBytes -= RecordOf(slot).nBytes;
    if (--m_nCount == 0) {
        RemoveAll();
    }
}

void CWaypointMap::MakeRoomForOneMore() {
    size_t nDeadSlots = m_slots.size() - m_nCount;
    if (nDeadSlots >= MIN_DEAD_SLOTS_TO_COMPACT && nDeadSlots > m_nCount) {
        Rebuild(true, (m_nCount + 1) * 3 / 2);
    } else if (IsOverfull(m_nUsedBuckets + 1, m_buckets.size())) {
        Rebuild(false, (m_nCount + 1) * 3 / 2);
    }
}

void CWaypointMap::ExpectMore(size_t nMore) {
    size_t nEntries = m_nCount + nMore;
    if (nMore > 0 && IsOverfull(m_nUsedBuckets + nMore, m_buckets.size())) {
        Rebuild(false, nEntries);
    }
}

// Sizes the buckets for nEntries, at least the live ones, and drops the
// deleted ones; with bCompactSlots also closes the gaps that removed entries
// left. Without gaps, every bucket that is not deleted leads to a live slot
// and holds its name's hash, so the names need not be read and hashed again.
void CWaypointMap::Rebuild(bool bCompactSlots, size_t nEntries) {
    if (bCompactSlots) {
        CompactSlots();
    }
    size_t nBuckets = MIN_BUCKETS;
    while (IsOverfull(std::max(nEntries, m_nCount + 1), nBuckets)) {
        nBuckets *= 2;
    }
    decltype(m_buckets) old(nBuckets, EMPTY_BUCKET);
    old.swap(m_buckets);
    m_nUsedBuckets = 0;
    if (!bCompactSlots && m_slots.size() == m_nCount) {
        for (Bucket bucket : old) {
            if (bucket != EMPTY_BUCKET && bucket != DELETED_BUCKET) {
                InsertBucket(SlotOf(bucket), HashOf(bucket));
            }
        }
        return;
    }
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            InsertBucket(i, NameHash(NameOf(m_slots[i])));
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

void CWaypointMap::CompactTextsIfMostlyDead() {
    size_t nDeadBytes = m_texts.StoredBytes() - m_nLiveTextBytes;
    if (nDeadBytes >= MIN_DEAD_TEXT_BYTES_TO_COMPACT && nDeadBytes > m_nLiveTextBytes) {
        CompactTexts();
    }
}

// Copies the texts of the live slots into a fresh arena, leaving those of
// removed and replaced entries behind. The slots change only once all is
// copied, so that a lack of memory leaves the map as it was.
void CWaypointMap::CompactTexts() {
    CTextArena texts;
    std::vector<CTextArena::Place> places;
    places.reserve(m_nCount);
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            size_t nBytes = RecordOf(m_slots[i]).nBytes;
            CTextArena::Place place = texts.Allocate(nBytes);
            std::memcpy(texts.At(place), m_texts.At(m_slots[i].text), nBytes);
            places.push_back(place);
        }
    }
    auto place = places.begin();
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            m_slots[i].text = *place++;
        }
    }
    m_texts.Swap(texts);
    m_bTextsCompacted = true;
}

CWaypointMap::Position CWaypointMap::NextLiveSlot(size_t nFrom) const {
    for (size_t i = nFrom; i < m_slots.size(); ++i) {
        if (m_slots[i].live) {
            return i;
        }
    }
    return END_POSITION;
}
