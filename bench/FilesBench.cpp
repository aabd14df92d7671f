// Writes a million waypoints from the table to a file and reads them back into
// a table, in each format, and reads them from a version 5 MapSource file,
// which should take no more than 1.2 times this program's own layout. Filling
// the table before a write is not timed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "files/MapSourceFile.h"
#include "files/TextWaypointFile.h"

namespace {

constexpr int COUNT = 1000000;

void Fill(CWaypointTable& table) {
    for (int i = 0; i < COUNT; ++i) {
        CWaypoint waypoint = BenchWaypoint(i);
        if (!table.AddWaypoint(waypoint).IsOk()) {
            std::exit(1);
        }
    }
}

bool TimeWrite(CWaypointFile& file, CUnattendedUserInterface& ui, const std::string& path,
               const char* pFormat) {
    CWaypointTable table(&ui);
    Fill(table);
    CStopwatch stopwatch;
    bool bDone = file.File().Open(path, OPEN_TARGET_NEW) && file.Export(table).IsOk() &&
                 file.Commit().IsOk();
    file.Close();
    std::printf("%s: wrote 1,000,000 waypoints: %.3f s\n", pFormat, stopwatch.Seconds());
    return bDone;
}

bool TimeRead(CWaypointFile& file, CUnattendedUserInterface& ui, const std::string& path,
              const char* pFormat, double* pdSeconds = nullptr) {
    CWaypointTable table(&ui);
    CStopwatch stopwatch;
    bool bDone = file.File().Open(path, OPEN_SOURCE) && file.ReadWaypoints(table, false).IsOk();
    file.Close();
    double dSeconds = stopwatch.Seconds();
    std::printf("%s: read 1,000,000 waypoints: %.3f s\n", pFormat, dSeconds);
    if (pdSeconds != nullptr) {
        *pdSeconds = dSeconds;
    }
    return bDone && table.GetCount() == COUNT;
}

// An empty file of version 5 (format letter 'i'), the waypoints appended to it.
bool WriteVersion5(CMapSourceFile& file, CUnattendedUserInterface& ui, const std::string& path) {
    FILE* pEmpty = std::fopen(path.c_str(), "wb");
    static const char EMPTY[] = "MsRcd\0\x02\0\0\0Di\0\x02\0\0\0V\0\x01";
    bool bDone =
        pEmpty != nullptr && std::fwrite(EMPTY, 1, sizeof EMPTY - 1, pEmpty) == sizeof EMPTY - 1;
    bDone = pEmpty != nullptr && std::fclose(pEmpty) == 0 && bDone;
    CWaypointTable table(&ui);
    Fill(table);
    bDone = bDone && file.File().Open(path, OPEN_TARGET_APPEND) && file.Export(table).IsOk() &&
            file.Commit().IsOk();
    file.Close();
    return bDone;
}

}  // namespace

int main(int argc, char** argv) {
    std::string directory = argc > 1 ? argv[1] : ".";
    CUnattendedUserInterface ui;

    CMapSourceFile mapSource(&ui);
    CTextWaypointFile text(&ui);
    std::string mpsPath = directory + "/bench.mps";
    std::string textPath = directory + "/bench.csv";
    std::string version5Path = directory + "/bench-v5.mps";
    // The first read of a process also pays for the table's memory, so each
    // layout is read twice, in turns, and the faster read of each compared.
    double dOwn[2] = {};
    double dVersion5[2] = {};
    bool bDone = TimeWrite(mapSource, ui, mpsPath, "MapSource") &&
                 WriteVersion5(mapSource, ui, version5Path);
    for (int i = 0; i < 2 && bDone; ++i) {
        bDone = TimeRead(mapSource, ui, mpsPath, "MapSource", &dOwn[i]) &&
                TimeRead(mapSource, ui, version5Path, "MapSource version 5", &dVersion5[i]);
    }
    bDone = bDone && TimeWrite(text, ui, textPath, "text") && TimeRead(text, ui, textPath, "text");
    if (bDone) {
        std::printf(
            "MapSource version 5 / own layout, the faster of two reads each: %.2f (at most 1.2)\n",
            std::min(dVersion5[0], dVersion5[1]) / std::min(dOwn[0], dOwn[1]));
    }
    std::remove(mpsPath.c_str());
    std::remove(version5Path.c_str());
    std::remove(textPath.c_str());
    return bDone ? 0 : 1;
}
