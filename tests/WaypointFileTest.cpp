#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "files/Coordinates.h"
#include "files/MapSourceFile.h"
#include "files/TextFieldCodec.h"
#include "files/TextWaypointFile.h"
#include "tests/MapSourceBytes.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

const CTextTemplate SIMPLE = MakeTemplate(0, 1, 2, 3, 1, ',');  // A, B, C, D, no title row

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
        bool bDone = (nOpenFlags == OPEN_TARGET_NEW || file.ReadWaypoints(table, true));
        for (CWaypoint& waypoint : waypoints) {
            bDone = bDone && table.AddWaypoint(waypoint);
        }
        stop = stopBeforeExport;
        bDone = bDone && file.Export(table) && file.Commit();
        file.Close();
        return bDone;
    }

    std::vector<CWaypoint> Read(bool* pbResult = nullptr) {
        CWaypointTable table(&ui);
        table.SetStopFlag(&stop);
        FileType file(&ui);
        EXPECT_TRUE(file.File().Open(path, OPEN_SOURCE));
        bool bResult = file.ReadWaypoints(table, false);
        if (pbResult != nullptr) {
            *pbResult = bResult;
        }
        return DrainTable(table);
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const CWaypoint& waypoint : Read()) {
            names.push_back(waypoint.m_strName);
        }
        return names;
    }

    CTempDir dir;
    std::string path = dir.File("waypoints");
    CScriptedUserInterface ui;
    std::atomic<bool> stop{false};
    bool stopBeforeExport = false;
};

using FileTypes = ::testing::Types<CMapSourceFile, CTextWaypointFile>;
TYPED_TEST_SUITE(WaypointFile, FileTypes);

TYPED_TEST(WaypointFile, RoundTripKeepsEveryField) {
    std::string comment(40, 'c');
    ASSERT_TRUE(this->Write({MakeWaypoint("home", 32.5, -117.25, "x"),
                             MakeWaypoint("cape", -33.912345, 18.400001, ""),
                             MakeWaypoint("far east", 89.999999, 179.999999, comment)}));
    bool bResult = false;
    std::vector<CWaypoint> waypoints = this->Read(&bResult);
    EXPECT_TRUE(bResult);
    ASSERT_EQ(waypoints.size(), 3u);
    const char* expected[][4] = {{"home", "32.500000", "-117.250000", "x"},
                                 {"cape", "-33.912345", "18.400001", ""},
                                 {"far east", "89.999999", "179.999999", comment.c_str()}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(waypoints[i].m_strName, expected[i][0]);
        EXPECT_EQ(FormatDegrees(waypoints[i].m_dLatitude), expected[i][1]);
        EXPECT_EQ(FormatDegrees(waypoints[i].m_dLongitude), expected[i][2]);
        EXPECT_EQ(waypoints[i].m_strComment, expected[i][3]);
    }
    EXPECT_TRUE(this->ui.messages.empty());
}

TYPED_TEST(WaypointFile, AppendingWritesOnlyTheNewWaypointsAfterTheOldOnes) {
    ASSERT_TRUE(this->Write({MakeWaypoint("a"), MakeWaypoint("b")}));
    this->ui.waypointAnswers.push_back({Resolution::Discard});
    ASSERT_TRUE(this->Write({MakeWaypoint("c"), MakeWaypoint("A")}, OPEN_TARGET_APPEND));
    EXPECT_EQ(this->Names(), (std::vector<std::string>{"a", "b", "c"}));
}

TYPED_TEST(WaypointFile, AStopEndsReadingAndExportAndLeavesTheTargetAsItWas) {
    ASSERT_TRUE(this->Write({MakeWaypoint("a")}));
    std::string before = ReadBytes(this->path);
    this->stopBeforeExport = true;
    EXPECT_FALSE(this->Write({MakeWaypoint("b")}, OPEN_TARGET_APPEND));
    EXPECT_EQ(ReadBytes(this->path), before);
    EXPECT_EQ(this->dir.List(), std::vector<std::string>{"waypoints"});
    bool bResult = true;
    EXPECT_TRUE(this->Read(&bResult).empty());  // the stop flag is still set
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(this->ui.messages.empty());
}

TYPED_TEST(WaypointFile, FailuresOfTheSystemAreReportedAndEndTheExport) {
    this->path = "/proc/self/mem";  // reading it fails with EIO
    bool bResult = true;
    this->Read(&bResult);
    EXPECT_FALSE(bResult);
    ASSERT_EQ(this->ui.messages.size(), 1u);
    EXPECT_EQ(this->ui.messages[0].rfind("Fail to read file \"/proc/self/mem\" (", 0), 0u);

    // /dev/full takes the first buffer's worth and fails it: mid-stream.
    this->path = "/dev/full";
    std::vector<CWaypoint> many;
    for (int i = 0; i < 3000; ++i) {
        many.push_back(MakeWaypoint("w" + std::to_string(i)));
    }
    this->ui.counterTexts.clear();
    EXPECT_FALSE(this->Write(many));
    ASSERT_EQ(this->ui.messages.size(), 2u);
    EXPECT_EQ(this->ui.messages[1], "Fail to write file \"/dev/full\" (No space left on device)");
    EXPECT_LT(this->ui.Counters().size(), 2 * 3000u) << "the export stops at the failure";
}

// ---- MapSource files ----

class MapSourceFile : public WaypointFile<CMapSourceFile> {};

TEST_F(MapSourceFile, WritesTheDocumentedBytes) {
    ASSERT_TRUE(Write({MakeWaypoint("home", 32.5, -117.25, "x")}));
    EXPECT_EQ(ReadBytes(path), mps::File(mps::Record("home", "x", 387740102, -1398846986)));
    ASSERT_TRUE(Write({}));
    EXPECT_EQ(ReadBytes(path), mps::File(""));
}

TEST_F(MapSourceFile, ReadingStopsQuietlyAtTheFirstRecordItCannotTakeAndSaysWhy) {
    using End = CMapSourceFile::ReadEnd;
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
        End end;
    };
    const Case cases[] = {
        {"whole file", mps::File(first + second), 2, End::EndRecord},
        {"shorter than the header", mps::Header().substr(0, 40), 0, End::FileEnded},
        {"cut in the second record", mps::Header() + first + second.substr(0, 60), 1,
         End::FileEnded},
        {"cut in the second name", mps::Header() + first + second.substr(0, 7), 1, End::FileEnded},
        {"no end record", mps::Header() + first, 1, End::FileEnded},
        {"wrong type letter", mps::File(first + wrongType + first), 1, End::OtherRecordType},
        {"wrong length byte", mps::File(first + wrongLength), 1, End::OtherRecordLength},
        {"body of 256 bytes", mps::File(first + longBody), 1, End::OtherRecordLength},
        {"name without end",
         mps::Header() + first + std::string("\x60\0\0\0W", 5) + std::string(5000, 'z'), 1,
         End::OtherRecordLength},
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.bytes);
        CWaypointTable table(&ui);
        CMapSourceFile file(&ui);
        ASSERT_TRUE(file.File().Open(path, OPEN_SOURCE));
        EXPECT_TRUE(file.ReadWaypoints(table, false)) << c.what;
        EXPECT_EQ(file.LastReadEnd(), c.end) << c.what;
        EXPECT_EQ(table.GetCount(), c.nExpected) << c.what;
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MapSourceFile, RefusesToAppendToAFileThatDoesNotEndWithTheEndRecord) {
    const std::string cases[] = {
        std::string("MsRcd", 5),
        mps::Header() + mps::Record("a", "", 1, 1),
        mps::File(mps::Record("a", "", 1, 1)) + "junk",
    };
    for (const std::string& bytes : cases) {
        WriteBytes(path, bytes);
        ui.messages.clear();
        EXPECT_FALSE(Write({MakeWaypoint("new")}, OPEN_TARGET_APPEND));
        EXPECT_EQ(ReadBytes(path), bytes);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("Cannot append to file"), std::string::npos);
    }
}

// ---- text files ----

class TextFile : public WaypointFile<CTextWaypointFile> {
protected:
    std::vector<std::string> NamesOf(const std::string& bytes, const CTextTemplate& layout) {
        WriteBytes(path, bytes);
        ui.templateAnswers.assign(1, layout);
        return Names();
    }
};

TEST_F(TextFile, TheLayoutDecidesColumnsAndTitleRow) {
    ui.templateAnswers.assign(1, MakeTemplate(2, 0, 1, 4, 2, ','));  // C, A, B, E
    ASSERT_TRUE(Write({MakeWaypoint("home", 32.5, -117.25, "x")}));
    EXPECT_EQ(ReadBytes(path),
              "LATITUDE,LONGITUDE,NAME,,COMMENT\r\n32.500000,-117.250000,home,,x\r\n");
    EXPECT_EQ(ui.templateOwned, std::vector<bool>{false});  // the export's dialog has no owner

    // Columns are always joined with commas; far columns make room.
    CTextTemplate far = MakeTemplate(0, 1, 2, 100, 1, '\t');
    ui.templateAnswers.assign(1, far);
    ASSERT_TRUE(Write({MakeWaypoint("a", 1, 1, "c, d")}));
    std::string row = ReadBytes(path).substr(ReadBytes(path).find('\n') + 1);
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), 101);
}

TEST_F(TextFile, LineEndsAndTheEndOfText) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"CR LF", "a,1,1\r\nb,1,1\r\n", {"a", "b"}},
        {"LF", "a,1,1\nb,1,1\n", {"a", "b"}},
        {"no last line feed", "a,1,1\nb,1,1", {"a", "b"}},
        {"0x1A ends the text", "a,1,1\nb,1,1\x1A\nc,1,1\n", {"a", "b"}},
        {"0x1A on a line of its own", "a,1,1\n\x1A\nc,1,1\n", {"a"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamesOf(c.bytes, SIMPLE), c.names) << c.what;
    }
    WriteBytes(path, "a,1,1,x\ry\r\n");  // a lone CR stays in the line
    ui.templateAnswers.assign(1, SIMPLE);
    EXPECT_EQ(Read().at(0).m_strComment, "x\ry");
}

TEST_F(TextFile, SplittingRule) {
    struct Case {
        std::string line;
        char delimiter;
        std::vector<std::string> columns;
    };
    const Case cases[] = {
        {"a,,b", ',', {"a", "", "b"}},
        {"a,b,", ',', {"a", "b"}},
        {",a", ',', {"", "a"}},
        {"", ',', {}},
        {"a,b", '\0', {"a,b"}},
        {"a\tb,c", '\t', {"a", "b,c"}},
        {" \"x,y\" ", ',', {" \"x", "y\" "}},
    };
    for (const Case& c : cases) {
        CTextFieldCodec codec(&SIMPLE);
        CTextWaypointFile::SplitLine(c.line, c.delimiter, codec);
        EXPECT_EQ(codec.m_fields, c.columns) << c.line;
    }
}

TEST_F(TextFile, TitleRowsAndBlankLinesAreWaypointsFromTheFirstRowOn) {
    ui.waypointAnswers.assign(2, {Resolution::Discard});
    EXPECT_EQ(NamesOf("NAME,LATITUDE,LONGITUDE,COMMENT\r\n\r\nok,1,1\r\n", SIMPLE),
              std::vector<std::string>{"ok"});
    ASSERT_EQ(ui.prompts.size(), 2u);
    EXPECT_EQ(ui.prompts[0].error, WaypointError::LatitudeInvalid);
    EXPECT_EQ(ui.prompts[1].error, WaypointError::NameEmpty);
}

TEST_F(TextFile, ACancelledOrImpossibleTemplateReadsAndWritesNothing) {
    WriteBytes(path, "a,1,1\n");
    CTextTemplate broken = SIMPLE;
    broken.commentColumn = 0x7FFFFFFF;
    ui.templateAnswers = {std::nullopt, broken};
    for (int i = 0; i < 2; ++i) {
        bool bResult = true;
        EXPECT_TRUE(Read(&bResult).empty());
        EXPECT_FALSE(bResult);
    }
    EXPECT_EQ(ui.messages.size(), 1u);  // only the impossible column is reported
    ui.templateAnswers = {std::nullopt};
    EXPECT_FALSE(Write({MakeWaypoint("b")}, OPEN_TARGET_APPEND));
    EXPECT_EQ(ReadBytes(path), "a,1,1\n");
}

}  // namespace
