#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/WaypointTable.h"
#include "files/TextFieldCodec.h"
#include "files/TextWaypointFile.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

using Answer = CScriptedUserInterface::WaypointAnswer;

const CTextTemplate LAYOUT_EXAMPLE = MakeTemplate(2, 0, 1, 4, 2, ',');  // C, A, B, E
const CTextTemplate SIMPLE = MakeTemplate(0, 1, 2, 3, 1, ',');          // A, B, C, D

class TextFile : public ::testing::Test {
protected:
    std::vector<CWaypoint> Read(const std::string& bytes, const CTextTemplate& layout,
                                bool* pbResult = nullptr) {
        WriteBytes(path, bytes);
        ui.templateAnswers.push_back(layout);
        CTextWaypointFile file(&ui);
        return ReadWaypointFile(file, ui, path, false, pbResult);
    }

    std::vector<std::string> Names(const std::string& bytes, const CTextTemplate& layout) {
        std::vector<std::string> names;
        for (const CWaypoint& waypoint : Read(bytes, layout)) {
            names.push_back(waypoint.m_strName);
        }
        return names;
    }

    // Writes to the file, appending when asked to, and returns its bytes.
    std::string Write(const std::vector<CWaypoint>& waypoints, const CTextTemplate& layout,
                      unsigned nOpenFlags = OPEN_TARGET_NEW) {
        ui.templateAnswers.push_back(layout);
        CTextWaypointFile file(&ui);
        EXPECT_TRUE(WriteWaypointFile(file, ui, path, waypoints, nOpenFlags));
        return ReadBytes(path);
    }

    CTempDir dir;
    std::string path = dir.File("waypoints.csv");
    CScriptedUserInterface ui;
};

TEST_F(TextFile, TheLayoutExampleIsWrittenAndReadBack) {
    std::string bytes = Write({MakeWaypoint("home", 32.5, -117.25, "x")}, LAYOUT_EXAMPLE);
    EXPECT_EQ(bytes, "LATITUDE,LONGITUDE,NAME,,COMMENT\r\n32.500000,-117.250000,home,,x\r\n");
    ASSERT_EQ(ui.templateRequests.size(), 1u);
    EXPECT_TRUE(ui.templateRequests[0].bEmpty);
    EXPECT_FALSE(ui.templateRequests[0].bOwned);

    std::vector<CWaypoint> waypoints = Read(bytes, LAYOUT_EXAMPLE);
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].m_strName, "home");
    EXPECT_EQ(waypoints[0].m_dLatitude, 32.5);
    EXPECT_EQ(waypoints[0].m_dLongitude, -117.25);
    EXPECT_EQ(waypoints[0].m_strComment, "x");
    EXPECT_TRUE(ui.templateRequests[1].bOwned);
    EXPECT_FALSE(ui.templateRequests[1].bEmpty);
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
        EXPECT_EQ(Names(c.bytes, SIMPLE), c.names) << c.what;
    }
    // A lone CR stays in the line, here in the comment.
    std::vector<CWaypoint> waypoints = Read("a,1,1,x\ry\r\n", SIMPLE);
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].m_strComment, "x\ry");
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

TEST_F(TextFile, EveryLineFromTheFirstWaypointRowIsAWaypoint) {
    ui.waypointAnswers.assign(3, Answer{Resolution::Discard});
    // The title row read as a waypoint has no latitude; a blank line has no name.
    Read("NAME,LATITUDE,LONGITUDE,COMMENT\r\n\r\nok,1,1\r\n", SIMPLE);
    ASSERT_EQ(ui.prompts.size(), 2u);
    EXPECT_EQ(ui.prompts[0].error, WaypointError::LatitudeInvalid);
    EXPECT_EQ(ui.prompts[1].error, WaypointError::NameEmpty);
}

TEST_F(TextFile, CancellingTheTemplateReadsAndWritesNothing) {
    WriteBytes(path, "a,1,1\n");
    CWaypointTable table(&ui);
    CTextWaypointFile file(&ui);
    ASSERT_TRUE(file.File().Open(path, OPEN_SOURCE));
    ui.templateAnswers.push_back(std::nullopt);
    EXPECT_FALSE(file.ReadWaypoints(table, false));
    EXPECT_EQ(table.GetCount(), 0u);
    file.Close();

    CWaypoint waypoint = MakeWaypoint("a", 1, 1, "");
    ASSERT_TRUE(table.AddWaypoint(waypoint));
    ASSERT_TRUE(file.File().Open(path, OPEN_TARGET_NEW));
    ui.templateAnswers.push_back(std::nullopt);
    EXPECT_FALSE(file.Export(table));
    EXPECT_EQ(table.GetCount(), 1u);
}

TEST_F(TextFile, AppendingWritesNoTitleAndContinuesAnUnendedLastLine) {
    WriteBytes(path, "old,1,1");
    EXPECT_EQ(Write({MakeWaypoint("new", 2, 2, "")}, SIMPLE, OPEN_TARGET_APPEND),
              "old,1,1new,2.000000,2.000000,\r\n");
}

TEST_F(TextFile, CommasAreWrittenAsTheyAreWhateverTheDelimiter) {
    CTextTemplate tabs = SIMPLE;
    tabs.delimiter = '\t';
    std::string bytes = Write({MakeWaypoint("a", 1, 1, "one, two")}, tabs);
    EXPECT_EQ(bytes, "NAME,LATITUDE,LONGITUDE,COMMENT\r\na,1.000000,1.000000,one, two\r\n");
    std::vector<CWaypoint> waypoints = Read(bytes.substr(bytes.find('\n') + 1), SIMPLE);
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].m_strComment, "one");
}

TEST_F(TextFile, SharedAndFarColumns) {
    CTextTemplate shared = MakeTemplate(0, 1, 2, 0, 1, ',');
    EXPECT_EQ(Write({MakeWaypoint("a", 1, 1, "note")}, shared),
              "COMMENT,LATITUDE,LONGITUDE\r\nnote,1.000000,1.000000\r\n");
    std::vector<CWaypoint> waypoints = Read("same,1,1\n", shared);
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].m_strComment, "same");

    CTextTemplate far = MakeTemplate(0, 1, 2, 100, 1, ',');
    std::string bytes = Write({MakeWaypoint("a", 1, 1, "c")}, far);
    std::string row = bytes.substr(bytes.find('\n') + 1);
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), 100);
    EXPECT_EQ(Read("a,1,1\n", far).at(0).m_strComment, "");
}

TEST_F(TextFile, ATemplateWithAnImpossibleColumnIsRefused) {
    CTextTemplate broken = SIMPLE;
    broken.commentColumn = 0x7FFFFFFF;
    bool bResult = true;
    EXPECT_TRUE(Read("a,1,1\n", broken, &bResult).empty());
    EXPECT_FALSE(bResult);
    ASSERT_EQ(ui.messages.size(), 1u);
}

}  // namespace
