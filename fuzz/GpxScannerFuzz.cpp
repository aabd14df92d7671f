// Arbitrary bytes as a GPX file, read by the scanner (with expat from where it
// stops) and by expat alone: the same outcome, problem, line, structure and
// waypoints, whatever the size of the scanner's buffer.
#include <cstdio>
#include <cstring>

#include "files/GpxReader.h"
#include "fuzz/RoundTrip.h"

namespace {

struct Reading {
    CGpxReader::Result result;
    uint64_t nProblemLine;
    std::string problem;
    CGpxReader::Structure structure;
    std::vector<CWaypoint> waypoints;
};

Reading ReadWith(CGpxReader::Parser parser, size_t nBufferSize, const CMemoryFile& source) {
    CUnattendedUserInterface ui;
    CWaypointTable table(&ui);
    CGpxReader reader(parser, nBufferSize);
    CPlatformFile file;
    if (!file.Open(source.Path(), OPEN_SOURCE)) {
        __builtin_trap();
    }
    Reading reading{reader.Read(file, &table, false), reader.ProblemLine(), reader.Problem(),
                    reader.GetStructure(), TakeAll(table)};
    return reading;
}

bool SameWaypoint(const CWaypoint& a, const CWaypoint& b) {
    auto sameNumber = [](double x, double y) {
        return std::memcmp(&x, &y, sizeof x) == 0;  // NaN as NaN
    };
    return a.m_strName == b.m_strName && a.m_strComment == b.m_strComment &&
           sameNumber(a.m_dLatitude, b.m_dLatitude) && sameNumber(a.m_dLongitude, b.m_dLongitude) &&
           a.m_bHasElevation == b.m_bHasElevation && sameNumber(a.m_dElevation, b.m_dElevation) &&
           a.m_bHasSymbol == b.m_bHasSymbol && a.m_nSymbol == b.m_nSymbol;
}

void CheckScannerAgreesWithExpat(const uint8_t* pData, size_t nSize) {
    static CMemoryFile source;
    source.Fill(pData, nSize);
    // Buffers of 16 bytes and up, so that pieces are cut at every place.
    size_t nBufferSize = nSize == 0 ? 16 : 16 + pData[nSize - 1] * 4;
    Reading scanned = ReadWith(CGpxReader::Parser::Scanner, nBufferSize, source);
    Reading parsed = ReadWith(CGpxReader::Parser::Expat, nBufferSize, source);
    const CGpxReader::Structure& a = scanned.structure;
    const CGpxReader::Structure& b = parsed.structure;
    // What a reader knows of the file's structure counts only when it read all of it.
    bool bSameStructure =
        scanned.result != CGpxReader::Result::Done ||
        (a.nInsertAt == b.nInsertAt && a.bEmptyRoot == b.bEmptyRoot && a.prefix == b.prefix &&
         a.bUtf8 == b.bUtf8 && a.bUtf16 == b.bUtf16 && a.bHasEntities == b.bHasEntities);
    bool bSame = scanned.result == parsed.result && scanned.nProblemLine == parsed.nProblemLine &&
                 scanned.problem == parsed.problem && bSameStructure &&
                 scanned.waypoints.size() == parsed.waypoints.size();
    for (size_t i = 0; bSame && i < scanned.waypoints.size(); ++i) {
        bSame = SameWaypoint(scanned.waypoints[i], parsed.waypoints[i]);
    }
    if (!bSame) {
        for (const Reading* pReading : {&scanned, &parsed}) {
            std::fprintf(
                stderr, "result %d, line %llu: %s; insert at %llu%s, %zu waypoints\n",
                static_cast<int>(pReading->result),
                static_cast<unsigned long long>(pReading->nProblemLine), pReading->problem.c_str(),
                static_cast<unsigned long long>(pReading->structure.nInsertAt),
                pReading->structure.bEmptyRoot ? " (empty root)" : "", pReading->waypoints.size());
        }
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CheckScannerAgreesWithExpat(pData, nSize);
    return 0;
}
