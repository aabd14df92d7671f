#include "bench/BenchSupport.h"

#include <cstdio>
#include <string>

CWaypoint BenchWaypoint(int nIndex) {
    CWaypoint waypoint;
    char name[] = "wp-0000000";
    for (int i = 9, n = nIndex; i >= 3; --i, n /= 10) {
        name[i] = static_cast<char>('0' + n % 10);
    }
    waypoint.m_strName = name;
    waypoint.m_dLatitude = -80.0 + (nIndex % 160000) * 0.001 + 0.0005;
    waypoint.m_dLongitude = 170.0 - (nIndex % 340000) * 0.001 + 0.0005;
    waypoint.m_strComment = nIndex % 2 == 0 ? "even note" : "odd note";
    waypoint.m_bFromTarget = false;
    return waypoint;
}
