// Arbitrary bytes as a MapSource file: read them, write what was read to a new
// file, and append it to a copy of the same bytes.
#include "files/MapSourceFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static CMemoryFile source;
    static CMemoryFile target;
    source.Fill(pData, nSize);
    target.Fill(pData, nSize);
    CUnattendedUserInterface ui;

    CWaypointTable table(&ui);
    CMapSourceFile reader(&ui);
    if (reader.File().Open(source.Path(), OPEN_SOURCE)) {
        reader.ReadWaypoints(table, false);
    }
    reader.Close();

    CMapSourceFile writer(&ui);
    if (writer.File().Open(target.Path(), OPEN_TARGET_APPEND)) {
        CWaypointTable scanned(&ui);
        writer.ReadWaypoints(scanned, true);
        writer.Export(table);
    }
    writer.Close();
    return 0;
}
