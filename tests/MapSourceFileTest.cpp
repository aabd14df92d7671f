#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/WaypointTable.h"
#include "files/Coordinates.h"
#include "files/MapSourceFile.h"
#include "tests/MapSourceBytes.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

class MapSourceFile : public ::testing::Test {
protected:
    std::string Write(std::vector<CWaypoint> waypoints) {
        CMapSourceFile file(&ui);
        EXPECT_TRUE(WriteWaypointFile(file, ui, path, std::move(waypoints)));
        return ReadBytes(path);
    }

    std::vector<CWaypoint> Read(const std::string& bytes, bool* pbResult = nullptr,
                                bool bFromTarget = false) {
        WriteBytes(path, bytes);
        CMapSourceFile file(&ui);
        return ReadWaypointFile(file, ui, path, bFromTarget, pbResult);
    }

    CTempDir dir;
    std::string path = dir.File("waypoints.mps");
    CScriptedUserInterface ui;
};

TEST_F(MapSourceFile, WritesTheDocumentedBytes) {
    std::string bytes = Write({MakeWaypoint("home", 32.5, -117.25, "x")});
    std::string expected = mps::File(mps::Record("home", "x", 387740102, -1398846986));
    ASSERT_EQ(bytes.size(), 139u);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.substr(45, 10), std::string("\x52\0\0\0\x57home\0", 10));
    EXPECT_EQ(bytes.substr(45 + 28 + 4, 8), std::string("\xC6\x71\x1C\x17\xF6\x49\x9F\xAC", 8));
}

TEST_F(MapSourceFile, EmptyTableAndEmptyStrings) {
    EXPECT_EQ(Write({}), mps::File(""));
    EXPECT_EQ(Write({}).size(), 52u);
    bool bResult = false;
    EXPECT_TRUE(Read(mps::File(""), &bResult).empty());
    EXPECT_TRUE(bResult);

    std::string record = mps::Record("", "", 1, 1);
    EXPECT_EQ(record.size(), 82u);
    EXPECT_EQ(record[0], 0x4D);
}

TEST_F(MapSourceFile, ReadsBackNamesCommentsAndCoordinates) {
    std::string bytes =
        Write({MakeWaypoint("home", 32.5, -117.25, "x"), MakeWaypoint("cape", -33.5, 18.4, ""),
               MakeWaypoint("far", 89.999, 179.999, std::string(40, 'c'))});
    bool bResult = false;
    std::vector<CWaypoint> waypoints = Read(bytes, &bResult, true);
    EXPECT_TRUE(bResult);
    ASSERT_EQ(waypoints.size(), 3u);
    EXPECT_EQ(waypoints[0].m_strName, "home");
    EXPECT_EQ(waypoints[0].m_strComment, "x");
    EXPECT_EQ(FormatDegrees(waypoints[0].m_dLongitude), "-117.250000");
    EXPECT_NEAR(waypoints[1].m_dLatitude, -33.5, 1e-6);
    EXPECT_LT(waypoints[1].m_dLatitude, -33.49999);
    EXPECT_EQ(waypoints[2].m_strComment, std::string(40, 'c'));
    for (const CWaypoint& waypoint : waypoints) {
        EXPECT_TRUE(waypoint.m_bFromTarget);
    }
}

TEST_F(MapSourceFile, MalformedFilesYieldTheCompleteRecordsBeforeTheFault) {
    std::string first = mps::Record("one", "a", 1000, 1000);
    std::string second = mps::Record("two", "b", 2000, 2000);
    std::string wrongType = second;
    wrongType[4] = 'T';
    std::string wrongLength = second;
    wrongLength[0] = static_cast<char>(wrongLength[0] + 1);
    std::string longBody = mps::Record(std::string(100, 'n'), std::string(79, 'c'), 1, 1);
    struct Case {
        const char* what;
        std::string bytes;
        size_t nExpected;
    };
    const Case cases[] = {
        {"shorter than 50 bytes", mps::Header().substr(0, 40), 0},
        {"header only", mps::Header(), 0},
        {"cut in the second record", mps::Header() + first + second.substr(0, 60), 1},
        {"cut in the second name", mps::Header() + first + second.substr(0, 7), 1},
        {"no end record", mps::Header() + first, 1},
        {"wrong type letter", mps::File(first + wrongType + first), 1},
        {"wrong length byte", mps::File(first + wrongLength), 1},
        {"body of 256 bytes", mps::File(first + longBody), 1},
        {"other record first", mps::File(wrongType + first), 0},
        {"name without end",
         mps::Header() + first + std::string("\x60\0\0\0W", 5) + std::string(5000, 'z'), 1},
    };
    for (const Case& c : cases) {
        bool bResult = false;
        std::vector<CWaypoint> waypoints = Read(c.bytes, &bResult);
        EXPECT_TRUE(bResult) << c.what;
        ASSERT_EQ(waypoints.size(), c.nExpected) << c.what;
        if (c.nExpected > 0) {
            EXPECT_EQ(waypoints[0].m_strName, "one") << c.what;
        }
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MapSourceFile, AppendingKeepsTheOldRecordsAndWritesOneEndRecord) {
    std::string old = mps::Record("a", "", 1000, 1000) + mps::Record("b", "", 2000, 2000) +
                      mps::Record("c", "", 3000, 3000);
    WriteBytes(path, mps::File(old));
    CWaypointTable table(&ui);
    CMapSourceFile file(&ui);
    ASSERT_TRUE(file.File().Open(path, OPEN_TARGET_APPEND));
    ASSERT_TRUE(file.ReadWaypoints(table, true));
    CWaypoint d = MakeWaypoint("d", 4.0, 4.0);
    CWaypoint e = MakeWaypoint("e", 5.0, 5.0);
    ASSERT_TRUE(table.AddWaypoint(d));
    ASSERT_TRUE(table.AddWaypoint(e));
    ASSERT_TRUE(file.Export(table));
    file.Close();
    std::string expected =
        mps::File(old + mps::Record("d", "", DegreesToSemicircles(4.0), DegreesToSemicircles(4.0)) +
                  mps::Record("e", "", DegreesToSemicircles(5.0), DegreesToSemicircles(5.0)));
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(Read(expected).size(), 5u);
}

TEST_F(MapSourceFile, RefusesToAppendToAFileThatDoesNotEndWithTheTrailer) {
    const std::string cases[] = {
        std::string("MsRcd", 5),                         // too short
        mps::Header() + mps::Record("a", "", 1, 1),      // no end record
        mps::File(mps::Record("a", "", 1, 1)) + "junk",  // something after it
    };
    for (const std::string& bytes : cases) {
        WriteBytes(path, bytes);
        CWaypointTable table(&ui);
        CWaypoint waypoint = MakeWaypoint("new", 1.0, 1.0);
        ASSERT_TRUE(table.AddWaypoint(waypoint));
        CMapSourceFile file(&ui);
        ASSERT_TRUE(file.File().Open(path, OPEN_TARGET_APPEND));
        ui.messages.clear();
        EXPECT_FALSE(file.Export(table));
        file.Close();
        EXPECT_EQ(ReadBytes(path), bytes);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(path), std::string::npos);
    }
}

TEST_F(MapSourceFile, FailuresOfTheSystemAreReportedNotTakenForSuccess) {
    CWaypointTable table(&ui);
    CMapSourceFile reader(&ui);
    ASSERT_TRUE(reader.File().Open("/proc/self/mem", OPEN_SOURCE));  // reading it fails with EIO
    EXPECT_FALSE(reader.ReadWaypoints(table, false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Fail to read file \"/proc/self/mem\"", 0), 0u);

    CWaypoint waypoint = MakeWaypoint("home", 1.0, 1.0);
    ASSERT_TRUE(table.AddWaypoint(waypoint));
    CMapSourceFile writer(&ui);
    ASSERT_TRUE(
        writer.File().OpenStaged("/dev/full", OPEN_TARGET_NEW));  // writing fails with ENOSPC
    EXPECT_FALSE(writer.Export(table));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].rfind("Fail to write file \"/dev/full\"", 0), 0u);
}

}  // namespace
