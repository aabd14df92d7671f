// Writes a million waypoints from the table to a file and reads them back into
// a table, in each format. Filling the table before a write is not timed.
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
        if (!table.AddWaypoint(waypoint)) {
            std::exit(1);
        }
    }
}

bool TimeWrite(CWaypointFile& file, CUnattendedUserInterface& ui, const std::string& path,
               const char* pFormat) {
    CWaypointTable table(&ui);
    Fill(table);
    CStopwatch stopwatch;
    bool bDone = file.File().Open(path, OPEN_TARGET_NEW) && file.Export(table) && file.Commit();
    file.Close();
    std::printf("%s: wrote 1,000,000 waypoints: %.3f s\n", pFormat, stopwatch.Seconds());
    return bDone;
}

bool TimeRead(CWaypointFile& file, CUnattendedUserInterface& ui, const std::string& path,
              const char* pFormat) {
    CWaypointTable table(&ui);
    CStopwatch stopwatch;
    bool bDone = file.File().Open(path, OPEN_SOURCE) && file.ReadWaypoints(table, false);
    file.Close();
    std::printf("%s: read 1,000,000 waypoints: %.3f s\n", pFormat, stopwatch.Seconds());
    return bDone && table.GetCount() == COUNT;
}

}  // namespace

int main(int argc, char** argv) {
    std::string directory = argc > 1 ? argv[1] : ".";
    CUnattendedUserInterface ui;

    CMapSourceFile mapSource(&ui);
    CTextWaypointFile text(&ui);
    std::string mpsPath = directory + "/bench.mps";
    std::string textPath = directory + "/bench.csv";
    bool bDone = TimeWrite(mapSource, ui, mpsPath, "MapSource") &&
                 TimeRead(mapSource, ui, mpsPath, "MapSource") &&
                 TimeWrite(text, ui, textPath, "text") && TimeRead(text, ui, textPath, "text");
    std::remove(mpsPath.c_str());
    std::remove(textPath.c_str());
    return bDone ? 0 : 1;
}
