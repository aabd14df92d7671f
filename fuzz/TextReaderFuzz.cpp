// Arbitrary bytes as a text file; the first bytes choose the template. Read
// them, check that what was read comes back the same from both kinds of file,
// and write it as text in the chosen layout.
#include <algorithm>
#include <iterator>

#include "files/TextWaypointFile.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/RoundTrip.h"

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

    std::vector<CWaypoint> accepted = ReadAccepted<CTextWaypointFile>(source, ui);
    // Rows are written with commas: only a comma layout of four columns reads them back.
    const CTextTemplate& chosen = ui.m_layout;
    CTextTemplate layout = CTextTemplate::DefaultLayout();
    int columns[] = {chosen.nameColumn, chosen.latitudeColumn, chosen.longitudeColumn,
                     chosen.commentColumn};
    std::sort(std::begin(columns), std::end(columns));
    if (chosen.delimiter == ',' &&
        std::adjacent_find(std::begin(columns), std::end(columns)) == std::end(columns)) {
        layout = chosen;
        layout.firstWaypointRow = 2;  // after the title row
    }
    CheckRoundTrips(accepted, layout);

    CWaypointTable written(&ui);
    for (CWaypoint& waypoint : accepted) {
        static_cast<void>(written.AddWaypoint(waypoint));
    }
    CTextWaypointFile writer(&ui);
    if (writer.File().Open(target.Path(), OPEN_TARGET_NEW)) {
        static_cast<void>(writer.Export(written));
    }
    writer.Close();
    return 0;
}
