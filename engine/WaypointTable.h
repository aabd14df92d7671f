#pragma once

#include <atomic>
#include <climits>
#include <memory>
#include <string>
#include <string_view>

#include "engine/ImportUserInterface.h"
#include "engine/RunSummary.h"
#include "engine/UniqueNameFinder.h"
#include "engine/Waypoint.h"
#include "engine/WaypointMap.h"
#include "platform/Status.h"

// How the person settled one kind of waypoint fault.
enum class Resolution : int {
    None = 0,  // no answer yet
    AddSuffix = 1,
    Overwrite = 2,
    Discard = 3,
    Edit = 4,
    Truncate = 5,
    Abort = 6,
    Clean = 7,  // the name made valid by CleanName
};

// Whether the invalid-waypoint dialog offers the answer for the fault. The
// table acts only on offered answers; anything else, including a dialog
// closed without an answer, aborts.
bool IsOffered(Resolution resolution, WaypointError error);

struct ResolutionPolicy {
    Resolution resolution = Resolution::None;
    bool applyToAll = false;
};

constexpr std::string_view SUFFIX_ALPHABET = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr int MAX_NAME_LENGTH = 40;
constexpr int MAX_COMMENT_LENGTH = 40;
constexpr int MAX_TABLE_ENTRIES = INT_MAX;

// If the text is longer than nLength characters, keeps its first nLength
// (characters, not bytes).
void TruncateText(std::string& text, int nLength);

// The waypoints of one conversion job, keyed by their lower-cased names, with
// the person's standing answers to waypoint faults and the stage counters.
// A fresh table is built for every job.
class CWaypointTable : private CWaypointMap {
public:
    using CWaypointMap::END_POSITION;
    using CWaypointMap::Position;

    // pStatusWnd may be null: nobody is asked (a fault aborts) and no count is shown.
    explicit CWaypointTable(CImportUserInterface* pStatusWnd);

    using CWaypointMap::Contains;
    using CWaypointMap::GetCount;
    using CWaypointMap::GetNextAssoc;
    using CWaypointMap::GetStartPosition;
    using CWaypointMap::IsReserved;
    using CWaypointMap::Lookup;
    using CWaypointMap::NameHash;
    using CWaypointMap::Prefetch;
    using CWaypointMap::ViewAt;
    // Removing a key offers it to the unique-name search again.
    bool RemoveKey(std::string_view key);

    // Lowers, validates and stores a copy of the waypoint, asking the person to
    // settle a fault. Anything but ok means: stop reading, the job ends
    // (stopped by an Abort or the job's stop, or failed at a limit).
    Status AddWaypoint(CWaypoint& waypoint, const WaypointOrigin& origin = {});
    // The same for a waypoint whose name is lowered already, with the name's
    // NameHash, as a reader that prefetched the name's lookup has them.
    Status AddLoweredWaypoint(CWaypoint& waypoint, uint32_t nNameHash,
                              const WaypointOrigin& origin);

    // Sizes the table for about this many waypoints to come, as a reader
    // guesses them from its file's length; a guess past a few million is taken
    // as that, so that a huge or sparse file reserves no more.
    void ExpectWaypoints(uint64_t nWaypoints);

    // While AddWaypoint runs (the person settles a fault, the progress shows it
    // stored): the waypoint, lowered, and where it was read. Null otherwise.
    const CWaypoint* PendingWaypoint() const { return m_pPending; }
    const WaypointOrigin& PendingOrigin() const { return m_pendingOrigin; }
    // Why the next waypoint's invalid coordinate was refused, in its reader's
    // words, for the message that ends a run on it; AddWaypoint forgets it.
    void SetCoordinateNote(std::string note) { m_coordinateNote = std::move(note); }

    // Removes the entry at the position, advances the position and hands the
    // waypoint over; shows the export counter.
    CWaypoint TakeNext(Position& position);
    // The same for a writer that read the entry with ViewAt: removes it
    // without a copy. waypoint is what ViewAt gave for the position.
    void DropNext(Position& position, const WaypointView& waypoint);

    // Gives the name the first free suffixed form and reserves it in the table.
    bool MakeUniqueName(std::string& name);

    // Lets the job stop the reading and writing of its files at the next waypoint.
    void SetStopFlag(const std::atomic<bool>* pStopRequested) { m_pStopRequested = pStopRequested; }
    bool StopRequested() const {
        return m_pStopRequested != nullptr && m_pStopRequested->load(std::memory_order_relaxed);
    }

    CRunSummary& Summary() { return m_summary; }
    const CRunSummary& Summary() const { return m_summary; }

    int ScanCount() const { return m_nScanCount; }

    ResolutionPolicy m_policies[WAYPOINT_ERROR_COUNT];
    CImportUserInterface* const m_pStatusWnd;
    int m_nMaxNameLength = MAX_NAME_LENGTH;
    int m_nMaxCommentLength = MAX_COMMENT_LENGTH;
    int m_nMaxEntries = MAX_TABLE_ENTRIES;

private:
    enum class Step { Store, Retry, Skip, Stop, Fail };

    void ShowCounter(int nCount);
    // ResolveAndStore; a lack of memory fails the reading.
    Status TryToStore(CWaypoint& waypoint, uint32_t nNameHash);
    bool MayCutComment(const CWaypoint& waypoint) const;
    void StoreWithCutComment(const CWaypoint& waypoint, uint32_t nNameHash);
    Status ResolveAndStore(CWaypoint& waypoint, uint32_t nNameHash);
    WaypointError Classify(const CWaypoint& waypoint, uint32_t nNameHash) const;
    Resolution AskResolution(const CWaypoint& waypoint, WaypointError error, std::string& name);
    Step Resolve(CWaypoint& waypoint, WaypointError error);
    Status Store(const CWaypoint& waypoint, uint32_t nNameHash);
    int NextCounterValue(const CWaypoint& waypoint);
    Status AbortStatus(const CWaypoint& waypoint, WaypointError error) const;
    std::string CoordinateNote(const CWaypoint& waypoint, WaypointError error) const;
    void CountResolution(const CWaypoint& waypoint, Resolution resolution, WaypointError error);

    CUniqueNameFinder m_uniqueNames{SUFFIX_ALPHABET};
    const std::atomic<bool>* m_pStopRequested = nullptr;
    CRunSummary m_summary;
    std::string m_coordinateNote;
    const CWaypoint* m_pPending = nullptr;
    WaypointOrigin m_pendingOrigin;
    int m_nScanCount = 0;
    int m_nExportCount = 0;
};
