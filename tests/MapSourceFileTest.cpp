#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/Coordinates.h"
#include "files/MapSourceFile.h"
#include "tests/MapSourceBytes.h"
#include "tests/WaypointFileFixture.h"

namespace {

int32_t S(double dDegrees) {
    return DegreesToSemicircles(dDegrees);
}

class MapSourceFile : public WaypointFile<CMapSourceFile> {
protected:
    std::string Damaged(size_t nOffset, const std::string& what) {
        return "File \"" + path + "\" is damaged at byte " + std::to_string(nOffset) + ": " + what;
    }
};

TEST_F(MapSourceFile, WritesTheDocumentedBytes) {
    ASSERT_TRUE(Write({}));
    EXPECT_EQ(ReadBytes(path), mps::File(""));
    ASSERT_TRUE(Write({MakeWaypoint("home", 32.5, -117.25, "x")}));
    EXPECT_EQ(ReadBytes(path), mps::File(mps::Record("home", "x", 387740102, -1398846986)));
}

// The files of tests/data, written by another converter, with the waypoints
// each must give (lowered and the comment cut to 40 characters by the table).
TEST_F(MapSourceFile, ReadsTheWaypointsOfEveryVersion) {
    const std::vector<std::string> attrs = {
        "home|32.500000|-117.250000|front door",
        "trailhead-2|-33.856784|151.215297|opera steps parking",
        "cafe_one|48.858370|2.294481|a comment that is longer than forty char"};
    const std::vector<std::string> mixed = {"hut-a|46.558000|7.835000|water, wood, 12 beds",
                                            "pass_2|46.570200|7.891100|col",
                                            "queenstown|-45.031200|168.662600|queenstown"};
    for (const char* sample : {"attrs-v3.mps", "attrs-v4.mps", "attrs-v5.mps", "mixed-v3.mps",
                               "mixed-v4.mps", "mixed-v5.mps"}) {
        WriteBytes(path, mps::Sample(sample));
        bool bResult = false;
        EXPECT_EQ(Described(&bResult), sample[0] == 'a' ? attrs : mixed) << sample;
        EXPECT_TRUE(bResult) << sample;
    }
    EXPECT_TRUE(ui.messages.empty());
}

// Altitude and symbol as the waypoint records of every version hold them.
TEST_F(MapSourceFile, ReadsAltitudeAndSymbolOfEveryVersion) {
    for (const char* sample : {"attrs-v3.mps", "attrs-v4.mps", "attrs-v5.mps"}) {
        WriteBytes(path, mps::Sample(sample));
        std::vector<std::string> read;
        for (const CWaypoint& waypoint : Read()) {
            read.push_back((waypoint.m_bHasElevation ? FormatDegrees(waypoint.m_dElevation) : "-") +
                           "|" + std::to_string(waypoint.m_nSymbol));
        }
        EXPECT_EQ(read, (std::vector<std::string>{"120.500000|10", "-|45", "35.000000|11"}))
            << sample;
    }
}

// A waypoint with an altitude and a symbol differs from one without only in
// the altitude block after the longitude and in the symbol number.
TEST_F(MapSourceFile, WritesAltitudeAndSymbolInPlace) {
    CWaypoint waypoint = MakeWaypoint("home", 32.5, -117.25, "x");
    waypoint.SetElevation(-1.5);  // bits BFF8000000000000
    waypoint.SetSymbol(0x0102030A);
    CWaypoint plain = MakeWaypoint("plain", 1, 2, "");
    plain.SetSymbol(PLAIN_WAYPOINT_SYMBOL);
    std::string expected = mps::Record("home", "x", S(32.5), S(-117.25));
    const size_t nAltitude = 5 + 5 + 22 + 8;
    expected.replace(nAltitude, 9, std::string("\x01\0\0\0\0\0\0\xF8\xBF", 9));
    expected.replace(nAltitude + 9 + 2 + 17, 4, "\x0A\x03\x02\x01");
    ASSERT_TRUE(Write({waypoint, plain}));
    EXPECT_EQ(ReadBytes(path), mps::File(expected + mps::Record("plain", "", S(1), S(2))));
}

// New waypoints go after the last waypoint record, in the target's layout;
// everything before and after, records of other kinds too, stays byte for byte.
TEST_F(MapSourceFile, AppendsInTheTargetsLayoutBeforeItsRoutesAndTracks) {
    const std::string ours = mps::Header() + mps::Record("a", "", 1, 1) +
                             std::string("\x03\0\0\0Zabc", 8) + mps::Record("b", "", 2, 2) +
                             mps::Record("c", "", 3, 3);
    struct Case {
        std::string original;
        size_t nInsertAt;  // the end of the last 'W' record
        std::string (*record)(const std::string&, const std::string&, int32_t, int32_t);
    };
    const Case cases[] = {
        {mps::Sample("mixed-v5.mps"), 375, mps::RecordV5},  // before the route
        {mps::Sample("attrs-v5.mps"), 508, mps::RecordV5},  // before the end record
        {mps::Sample("mixed-v3.mps"), 345, mps::Record},
        {ours + std::string("\x02\0\0\0Rxy", 7) + mps::EndRecord() + "after", ours.size(),
         mps::Record},
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.original);
        ASSERT_TRUE(Write({MakeWaypoint("new one", 1.5, 2.5, "c, \"d\""),
                           MakeWaypoint("new two", -3.5, -4.5, "")},
                          OPEN_TARGET_APPEND))
            << c.nInsertAt;
        EXPECT_EQ(ReadBytes(path), c.original.substr(0, c.nInsertAt) +
                                       c.record("new one", "c, \"d\"", S(1.5), S(2.5)) +
                                       c.record("new two", "", S(-3.5), S(-4.5)) +
                                       c.original.substr(c.nInsertAt))
            << c.nInsertAt;
        std::vector<std::string> read = Described();
        ASSERT_EQ(read.size(), 5u) << c.nInsertAt;
        EXPECT_EQ(read[3] + read[4],
                  "new one|1.500000|2.500000|c, \"d\"new two|-3.500000|-4.500000|");
    }
    EXPECT_TRUE(ui.messages.empty());
}

// Samples cut short or with a byte changed: read as a source or scanned as a
// target to append to, each is reported with what is wrong and where, the
// conversion fails and the target stays as it was.
TEST_F(MapSourceFile, DamageIsReportedWithItsOffsetAndNeverReadAsSuccess) {
    const std::string sample =
        mps::Sample("mixed-v5.mps");  // W at 45, 162, 263; R, T, V at 375, 609, 721
    auto cut = [&](size_t nLength) { return sample.substr(0, nLength); };
    auto changed = [&](size_t nOffset, char c) {
        std::string bytes = sample;
        bytes[nOffset] = c;
        return bytes;
    };
    std::string huge = mps::Header() + mps::Int32((1 << 20) + 1) + "W" + std::string(1 << 20, 'n') +
                       std::string(8, '\0') + mps::EndRecord();
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {cut(300), Damaged(263, "a record of 107 bytes runs past the end of the file")},
        {cut(375), Damaged(375, "the file ends without its end record")},
        {changed(725, 'Z'), Damaged(728, "the file ends without its end record")},
        {changed(266, '\x01'),
         Damaged(263, "a record of 16777323 bytes runs past the end of the file")},
        {changed(162, '\x30'),
         Damaged(162, "the fields of a waypoint record do not fit inside its length of 48 bytes")},
        {changed(10, 'W'), Damaged(6, "the file does not begin with its format record")},
        {changed(11, 'j'), "File \"" + path +
                               "\" is a MapSource file of a version this program cannot read "
                               "(format letter 'j')"},
        {huge, Damaged(45, "a waypoint record of 1048577 bytes is longer than any waypoint")},
        {cut(723), Damaged(721, "a record runs past the end of the file")},
        {cut(4), "File \"" + path + "\" is not a MapSource waypoint file"},
    };
    for (const Case& c : cases) {
        ExpectAppendRefused(c.bytes, c.message, false);
    }
}

// The table settles each waypoint before the reader reports damage further
// on, also when the records are read many batches ahead of the storing.
TEST_F(MapSourceFile, AWaypointRefusedBeforeDamageIsWhatStopsTheReading) {
    ExpectReadStoppedWith(mps::Header() + mps::Record("a", "", S(1), S(2)) +
                              mps::Record("b", "", 0, S(2)) + mps::Int32(500) + "W",
                          "Stopped at waypoint \"b\", waypoint record 2 of");
    std::string records;
    for (int i = 0; i < 30000; ++i) {
        records += mps::Record("a" + std::to_string(i), "", S(1), S(2));
    }
    ExpectReadStoppedWith(
        mps::Header() + records + mps::Record("b", "", 0, S(2)) + records + mps::Int32(500) + "W",
        "Stopped at waypoint \"b\", waypoint record 30001 of");
    std::string damaged = mps::Header() + records + mps::Int32(500) + "W";
    ExpectReadStoppedWith(damaged, Damaged(damaged.size() - 5,
                                           "a record of 500 bytes runs past "
                                           "the end of the file"));
}

}  // namespace
