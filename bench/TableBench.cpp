// The waypoint table: a million distinct waypoints in and out, and a hundred
// thousand duplicates of one name under a standing Add Suffix. Each case runs
// in its own process (pass its name) so that its peak memory is its own.
#include <cstdio>
#include <cstring>

#include "bench/BenchSupport.h"

namespace {

int DistinctWaypoints() {
    constexpr int COUNT = 1000000;
    CUnattendedUserInterface ui;
    CStopwatch stopwatch;
    {
        CWaypointTable table(&ui);
        for (int i = 0; i < COUNT; ++i) {
            CWaypoint waypoint = BenchWaypoint(i);
            if (!table.AddWaypoint(waypoint).IsOk()) {
                return 1;
            }
        }
        size_t nTaken = 0;
        for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
            nTaken += !table.TakeNext(position).m_strName.empty();
        }
        if (nTaken != COUNT) {
            return 1;
        }
    }
    std::printf("table: 1,000,000 distinct waypoints added and taken: %.3f s, peak %.0f MB\n",
                stopwatch.Seconds(), PeakMegabytes());
    return 0;
}

int Duplicates() {
    constexpr int COUNT = 100000;
    CUnattendedUserInterface ui;
    CWaypointTable table(&ui);
    CStopwatch stopwatch;
    for (int i = 0; i < COUNT; ++i) {
        CWaypoint waypoint = BenchWaypoint(0);
        if (!table.AddWaypoint(waypoint).IsOk()) {
            return 1;
        }
    }
    std::printf("table: 100,000 waypoints of one name with Add Suffix: %.3f s, peak %.0f MB\n",
                stopwatch.Seconds(), PeakMegabytes());
    return table.GetCount() == COUNT ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "distinct") == 0) {
        return DistinctWaypoints();
    }
    if (argc == 2 && std::strcmp(argv[1], "duplicates") == 0) {
        return Duplicates();
    }
    std::fprintf(stderr, "usage: table_bench distinct|duplicates\n");
    return 2;
}
