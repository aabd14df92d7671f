#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "files/Coordinates.h"
#include "files/WaypointFile.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

inline const CTextTemplate SIMPLE = MakeTemplate(0, 1, 2, 3, 1, ',');  // A, B, C, D, no title row

// Reads and writes one kind of file through its CWaypointFile, as the job does.
template <typename FileType>
class WaypointFile : public ::testing::Test {
protected:
    // Text files ask for a template at every read and write.
    void SetUp() override { ui.templateAnswers.assign(8, CTextTemplate::DefaultLayout()); }

    bool Write(std::vector<CWaypoint> waypoints, unsigned nOpenFlags = OPEN_TARGET_NEW) {
        CWaypointTable table(&ui);
        table.SetStopFlag(&stop);
        FileType file(&ui);
        if (!file.File().OpenStaged(path, nOpenFlags)) {
            return false;
        }
        bool bDone = (nOpenFlags == OPEN_TARGET_NEW || ui.Shown(file.ReadWaypoints(table, true)));
        for (CWaypoint& waypoint : waypoints) {
            bDone = bDone && ui.Shown(table.AddWaypoint(waypoint));
        }
        stop = stopBeforeExport;
        bDone = bDone && ui.Shown(file.Export(table)) && ui.Shown(file.Commit());
        file.Close();
        return bDone;
    }

    std::vector<CWaypoint> Read(bool* pbResult = nullptr) {
        CWaypointTable table(&ui);
        table.SetStopFlag(&stop);
        FileType file(&ui);
        EXPECT_TRUE(file.File().Open(path, OPEN_SOURCE));
        bool bResult = ui.Shown(file.ReadWaypoints(table, false));
        if (pbResult != nullptr) {
            *pbResult = bResult;
        }
        return DrainTable(table);
    }

    // Each waypoint read as "name|latitude|longitude|comment", six decimals.
    std::vector<std::string> Described(bool* pbResult = nullptr) {
        std::vector<std::string> lines;
        for (const CWaypoint& waypoint : Read(pbResult)) {
            lines.push_back(waypoint.m_strName + "|" + FormatDegrees(waypoint.m_dLatitude) + "|" +
                            FormatDegrees(waypoint.m_dLongitude) + "|" + waypoint.m_strComment);
        }
        return lines;
    }

    // Reads the bytes (cleanly or not, as bReads says), then appends a waypoint
    // to them, which must fail with the message and leave them as they were.
    void ExpectAppendRefused(const std::string& bytes, const std::string& message, bool bReads) {
        WriteBytes(path, bytes);
        ui.messages.clear();
        bool bResult = !bReads;
        Read(&bResult);
        EXPECT_EQ(bResult, bReads) << message;
        EXPECT_FALSE(Write({MakeWaypoint("new")}, OPEN_TARGET_APPEND)) << message;
        EXPECT_EQ(ReadBytes(path), bytes) << message;
        EXPECT_EQ(ui.messages, std::vector<std::string>(bReads ? 1 : 2, message));
    }

    CTempDir dir;
    std::string path = dir.File("waypoints");
    CScriptedUserInterface ui;
    std::atomic<bool> stop{false};
    bool stopBeforeExport = false;
};
