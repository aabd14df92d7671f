#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/UnattendedUserInterface.h"
#include "engine/Waypoint.h"

class CStopwatch {
public:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// The process's peak resident memory so far, in megabytes.
inline double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A distinct valid waypoint for each number.
CWaypoint BenchWaypoint(int nIndex);
