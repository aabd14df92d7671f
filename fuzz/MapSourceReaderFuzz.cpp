// Arbitrary bytes as a MapSource file: read them, check that what was read
// comes back the same from both kinds of file, and append it to a copy of the
// same bytes, which must then read cleanly if it did before.
#include "files/MapSourceFile.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/RoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static CMemoryFile source;
    static CMemoryFile target;
    source.Fill(pData, nSize);
    target.Fill(pData, nSize);
    CUnattendedUserInterface ui;

    CWaypointTable table(&ui);
    CMapSourceFile reader(&ui);
    if (reader.File().Open(source.Path(), OPEN_SOURCE)) {
        static_cast<void>(reader.ReadWaypoints(table, false));
    }
    reader.Close();
    std::vector<CWaypoint> accepted = TakeAll(table);
    CheckRoundTrips(accepted, CTextTemplate::DefaultLayout());

    // A file that reads cleanly still does after the append.
    CMapSourceFile writer(&ui);
    if (writer.File().Open(target.Path(), OPEN_TARGET_APPEND)) {
        CWaypointTable scanned(&ui);
        CWaypointTable added(&ui);
        for (CWaypoint& waypoint : accepted) {
            static_cast<void>(added.AddWaypoint(waypoint));
        }
        if (writer.ReadWaypoints(scanned, true).IsOk() && writer.Export(added).IsOk()) {
            CWaypointTable again(&ui);
            if (!writer.ReadWaypoints(again, false).IsOk()) {
                __builtin_trap();
            }
        }
    }
    writer.Close();
    return 0;
}
