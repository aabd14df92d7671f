#pragma once

#include <cmath>
#include <cstdlib>
#include <vector>

#include "files/Coordinates.h"
#include "files/GarminSymbols.h"
#include "files/GpxFieldCodec.h"
#include "files/GpxFile.h"
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

// The waypoints that the gate accepted from the file, up to where reading ended.
template <typename FileType>
std::vector<CWaypoint> ReadAccepted(const CMemoryFile& file, CUnattendedUserInterface& ui) {
    CWaypointTable table(&ui);
    FileType reader(&ui);
    if (reader.File().Open(file.Path(), OPEN_SOURCE)) {
        static_cast<void>(reader.ReadWaypoints(table, false));
    }
    reader.Close();
    return TakeAll(table);
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
// GPX holds every character but U+FFFE and U+FFFF, written as U+FFFD.
inline std::string SameText(const CGpxFile*, const std::string& text, size_t) {
    std::string kept;
    for (size_t i = 0; i < text.size();) {
        char32_t c = NextCharacter(text, i);
        AppendUtf8(kept, c == 0xFFFE || c == 0xFFFF ? 0xFFFD : c);
    }
    return kept;
}
inline bool Holds(const CGpxFile*, double dDegrees) {
    return std::isfinite(dDegrees);
}
// What a coordinate reads back as: the semicircle below it, or six decimals.
inline bool SameCoordinate(const CMapSourceFile*, double dWritten, double dRead) {
    return dRead == SemicirclesToDegrees(DegreesToSemicircles(dWritten));
}
inline bool SameCoordinate(const CTextWaypointFile*, double dWritten, double dRead) {
    return FormatDegrees(dRead) == FormatDegrees(dWritten);
}
// Exactly, but for a longitude past 180 degrees, which comes back turned into
// range, and a coordinate on a MapSource semicircle, which may move by a few
// units in the last place.
inline bool SameCoordinate(const CGpxFile*, double dWritten, double dRead) {
    double dExpected = GpxLongitude(dWritten);
    return dRead == dWritten || dRead == dExpected ||
           std::abs(dRead - dExpected) <= 8 * std::abs(std::nextafter(dExpected, 0.0) - dExpected);
}

// The elevation and symbol that come back: none from text; from MapSource the
// plain waypoint when there was no symbol; from GPX also for a number it cannot name.
inline bool SameAttributes(const CTextWaypointFile*, const CWaypoint&, const CWaypoint&) {
    return true;
}
inline int32_t SymbolOf(const CWaypoint& waypoint) {
    return waypoint.m_bHasSymbol ? waypoint.m_nSymbol : PLAIN_WAYPOINT_SYMBOL;
}
inline bool SameElevation(const CWaypoint& written, const CWaypoint& read) {
    return written.m_bHasElevation == read.m_bHasElevation &&
           (!written.m_bHasElevation || written.m_dElevation == read.m_dElevation);
}
inline bool SameAttributes(const CMapSourceFile*, const CWaypoint& written, const CWaypoint& read) {
    return SameElevation(written, read) && SymbolOf(read) == SymbolOf(written);
}
inline bool SameAttributes(const CGpxFile*, const CWaypoint& written, const CWaypoint& read) {
    return SameElevation(written, read) && read.m_bHasSymbol == written.m_bHasSymbol &&
           SymbolOf(read) == SymbolNumber(SymbolName(SymbolOf(written)));
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
            !SameCoordinate(pKind, expected[i].m_dLongitude, read[i].m_dLongitude) ||
            !SameAttributes(pKind, expected[i], read[i])) {
            __builtin_trap();
        }
    }
}

// Every kind; text files in the layout given.
inline void CheckRoundTrips(const std::vector<CWaypoint>& accepted, const CTextTemplate& layout) {
    CUnattendedUserInterface ui;
    ui.m_layout = layout;
    CheckRoundTrip<CMapSourceFile>(accepted, ui);
    CheckRoundTrip<CTextWaypointFile>(accepted, ui);
    CheckRoundTrip<CGpxFile>(accepted, ui);
}

// Arbitrary bytes as a file of the kind: read them, check that what was read
// comes back the same from every kind of file, and append it to a copy of the
// same bytes, which must then read cleanly, with the new waypoints, if it did
// before.
template <typename FileType>
void CheckReadAndAppend(const uint8_t* pData, size_t nSize) {
    static CMemoryFile source;
    static CMemoryFile target;
    source.Fill(pData, nSize);
    target.Fill(pData, nSize);
    CUnattendedUserInterface ui;

    std::vector<CWaypoint> accepted = ReadAccepted<FileType>(source, ui);
    CheckRoundTrips(accepted, CTextTemplate::DefaultLayout());

    FileType writer(&ui);
    if (writer.File().Open(target.Path(), OPEN_TARGET_APPEND)) {
        CWaypointTable scanned(&ui);
        CWaypointTable added(&ui);
        for (CWaypoint& waypoint : accepted) {
            static_cast<void>(added.AddWaypoint(waypoint));
        }
        size_t nAdded = added.GetCount();
        if (writer.ReadWaypoints(scanned, true).IsOk() && writer.Export(added).IsOk()) {
            CWaypointTable again(&ui);
            if (!writer.ReadWaypoints(again, true).IsOk() ||
                again.GetCount() < scanned.GetCount() + nAdded) {
                __builtin_trap();
            }
        }
    }
    writer.Close();
}
