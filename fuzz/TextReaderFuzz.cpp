// Arbitrary bytes as a text file; the first bytes choose the template. Read
// them and write what was read as text.
#include "files/TextWaypointFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize < 3) {
        return 0;
    }
    static CMemoryFile source;
    static CMemoryFile target;
    CUnattendedUserInterface ui;
    ui.m_layout.nameColumn = pData[0] & 7;
    ui.m_layout.latitudeColumn = (pData[0] >> 3) & 7;
    ui.m_layout.longitudeColumn = pData[1] & 7;
    ui.m_layout.commentColumn = (pData[1] >> 3) & 31;
    ui.m_layout.firstWaypointRow = pData[2] & 3;
    const char delimiters[] = {',', '\t', '\0', ';'};
    ui.m_layout.delimiter = delimiters[(pData[2] >> 2) & 3];
    source.Fill(pData + 3, nSize - 3);
    target.Fill(pData, 0);

    CWaypointTable table(&ui);
    CTextWaypointFile reader(&ui);
    if (reader.File().Open(source.Path(), OPEN_SOURCE)) {
        reader.ReadWaypoints(table, false);
    }
    reader.Close();
    CTextWaypointFile writer(&ui);
    if (writer.File().Open(target.Path(), OPEN_TARGET_NEW)) {
        writer.Export(table);
    }
    writer.Close();
    return 0;
}
