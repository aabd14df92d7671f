#pragma once

#include <cstdint>
#include <string>

#include "engine/Waypoint.h"

// What became of the waypoints of one conversion's source. Every waypoint read
// is written, discarded or overwritten by a later one of the same name; the
// other counts say how some of them were changed on the way.
struct CRunSummary {
    int64_t nRead = 0;
    int64_t nWritten = 0;
    int64_t nRenamed = 0;  // given a suffix or a typed name
    int64_t nCleaned = 0;
    int64_t nNamesCut = 0;
    int64_t nCommentsCut = 0;
    int64_t nOverwritten = 0;
    int64_t nDiscarded[WAYPOINT_ERROR_COUNT] = {};  // by fault
    int64_t nReplacedCharacters = 0;                // that the target's encoding lacks

    int64_t DiscardedTotal() const;
};

// The summary in a few lines of text, each ended by a line feed; counts of
// zero are left out.
std::string DescribeSummary(const CRunSummary& summary);
