#pragma once

#include <cstdlib>
#include <vector>

#include "files/Coordinates.h"
#include "files/MapSourceFile.h"
#include "files/TextWaypointFile.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Utf8.h"
#include "platform/Windows1252.h"

// Takes every waypoint out of the table, in order.
inline std::vector<CWaypoint> TakeAll(CWaypointTable& table) {
    std::vector<CWaypoint> waypoints;
    for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
        waypoints.push_back(table.TakeNext(position));
    }
    return waypoints;
}

// A coordinate that a kind of file writes as 0 (too small, or for MapSource
// out of reach) cannot come back: 0 is no coordinate.
inline bool Holds(const CMapSourceFile*, double dDegrees) {
    return DegreesToSemicircles(dDegrees) != 0;
}
inline bool Holds(const CTextWaypointFile*, double dDegrees) {
    return std::strtod(FormatDegrees(dDegrees).c_str(), nullptr) != 0.0;
}
// What a text reads back as: MapSource holds Windows-1252, so a character it
// lacks comes back as its plain letters, lowered and cut again by the gate.
inline std::string SameText(const CMapSourceFile*, const std::string& text, size_t nLimit) {
    int nReplaced = 0;
    std::string kept = Windows1252ToUtf8(Utf8ToWindows1252(text, nReplaced));
    LowerText(kept);
    TruncateCharacters(kept, nLimit);
    return kept;
}
inline std::string SameText(const CTextWaypointFile*, const std::string& text, size_t) {
    return text;
}
// What a coordinate reads back as: the semicircle below it, or six decimals.
inline bool SameCoordinate(const CMapSourceFile*, double dWritten, double dRead) {
    return dRead == SemicirclesToDegrees(DegreesToSemicircles(dWritten));
}
inline bool SameCoordinate(const CTextWaypointFile*, double dWritten, double dRead) {
    return FormatDegrees(dRead) == FormatDegrees(dWritten);
}

// Every waypoint the gate accepted, written to a new file of the kind and read
// back, is the same waypoint, in the same order, unless the kind cannot hold
// one of its coordinates.
template <typename FileType>
void CheckRoundTrip(const std::vector<CWaypoint>& accepted, CUnattendedUserInterface& ui) {
    static CMemoryFile file;
    const FileType* pKind = nullptr;
    file.Fill(nullptr, 0);
    CWaypointTable table(&ui);
    std::vector<CWaypoint> expected;
    for (CWaypoint waypoint : accepted) {
        waypoint.m_bFromTarget = false;
        if (Holds(pKind, waypoint.m_dLatitude) && Holds(pKind, waypoint.m_dLongitude)) {
            expected.push_back(waypoint);
        }
        if (!table.AddWaypoint(waypoint).IsOk()) {
            __builtin_trap();
        }
    }
    FileType writer(&ui);
    if (!writer.File().Open(file.Path(), OPEN_TARGET_NEW) || !writer.Export(table).IsOk()) {
        __builtin_trap();
    }
    writer.Close();
    CWaypointTable back(&ui);
    FileType reader(&ui);
    if (!reader.File().Open(file.Path(), OPEN_SOURCE) ||
        !reader.ReadWaypoints(back, false).IsOk()) {
        __builtin_trap();
    }
    reader.Close();
    std::vector<CWaypoint> read = TakeAll(back);
    if (read.size() != expected.size()) {
        __builtin_trap();
    }
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i].m_strName != expected[i].m_strName ||
            read[i].m_strComment != SameText(pKind, expected[i].m_strComment, MAX_COMMENT_LENGTH) ||
            !SameCoordinate(pKind, expected[i].m_dLatitude, read[i].m_dLatitude) ||
            !SameCoordinate(pKind, expected[i].m_dLongitude, read[i].m_dLongitude)) {
            __builtin_trap();
        }
    }
}

// Both kinds; text files in the layout given.
inline void CheckRoundTrips(const std::vector<CWaypoint>& accepted, const CTextTemplate& layout) {
    CUnattendedUserInterface ui;
    ui.m_layout = layout;
    CheckRoundTrip<CMapSourceFile>(accepted, ui);
    CheckRoundTrip<CTextWaypointFile>(accepted, ui);
}
