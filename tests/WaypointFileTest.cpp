#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "files/GpxFile.h"
#include "files/MapSourceFile.h"
#include "files/TextWaypointFile.h"
#include "tests/WaypointFileFixture.h"

namespace {

using FileTypes = ::testing::Types<CMapSourceFile, CTextWaypointFile, CGpxFile>;
TYPED_TEST_SUITE(WaypointFile, FileTypes);

// Comments come back byte for byte, whatever they hold; a NUL byte ends one.
TYPED_TEST(WaypointFile, RoundTripKeepsEveryField) {
    std::string comment(40, 'c');
    ASSERT_TRUE(this->Write({MakeWaypoint("home", 32.5, -117.25, "x"),
                             MakeWaypoint("cape", -33.912345, 18.400001, ""),
                             MakeWaypoint("far east", 89.999999, 179.999999, comment),
                             MakeWaypoint("quotes", 1, 2, "at smith, \"john\"; \"\""),
                             MakeWaypoint("breaks", 1, 2, "two\r\nlines\nlone\rcr\x1a\t"),
                             MakeWaypoint("text end", 1, 2, "before\x1a after"),
                             MakeWaypoint("nul", 1, 2, std::string("ab\0cd", 5))}));
    bool bResult = false;
    EXPECT_EQ(this->Described(&bResult),
              (std::vector<std::string>{
                  "home|32.500000|-117.250000|x", "cape|-33.912345|18.400001|",
                  "far east|89.999999|179.999999|" + comment,
                  "quotes|1.000000|2.000000|at smith, \"john\"; \"\"",
                  "breaks|1.000000|2.000000|two\r\nlines\nlone\rcr\x1a\t",
                  "text end|1.000000|2.000000|before\x1a after", "nul|1.000000|2.000000|ab"}));
    EXPECT_TRUE(bResult);
    EXPECT_TRUE(this->ui.messages.empty());
}

TYPED_TEST(WaypointFile, AppendingWritesOnlyTheNewWaypointsAfterTheOldOnes) {
    ASSERT_TRUE(this->Write({MakeWaypoint("a"), MakeWaypoint("b")}));
    this->ui.waypointAnswers.push_back({Resolution::Discard});
    ASSERT_TRUE(this->Write({MakeWaypoint("c"), MakeWaypoint("A")}, OPEN_TARGET_APPEND));
    const std::string rest = "|32.500000|-117.250000|";
    EXPECT_EQ(this->Described(), (std::vector<std::string>{"a" + rest, "b" + rest, "c" + rest}));
}

// Records where each waypoint put before the person was read, then answers from the script.
class COriginRecorder : public CScriptedUserInterface {
public:
    std::vector<std::string> origins;  // "unit:number:path:name"

    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override {
        const WaypointOrigin& origin = table.PendingOrigin();
        origins.push_back(std::to_string(static_cast<int>(origin.unit)) + ":" +
                          std::to_string(origin.nNumber) + ":" + std::string(origin.filePath) +
                          ":" + table.PendingWaypoint()->m_strName);
        CScriptedUserInterface::ResolveInvalidWaypoint(name, policy, table, nMaxNameLength, error);
    }
};

// A fault met while reading tells where the waypoint stands: its line in a text
// file (after the title row), the line where its element begins in a GPX file,
// its waypoint record in a MapSource file.
TYPED_TEST(WaypointFile, AFaultMetWhileReadingTellsWhereTheWaypointWasRead) {
    ASSERT_TRUE(this->Write({MakeWaypoint("a"), MakeWaypoint("b"), MakeWaypoint("c")}));
    COriginRecorder recorder;
    recorder.templateAnswers.assign(1, CTextTemplate::DefaultLayout());
    recorder.waypointAnswers.push_back({Resolution::Discard});
    CWaypointTable table(&recorder);
    CWaypoint taken = MakeWaypoint("b");
    ASSERT_TRUE(table.AddWaypoint(taken).IsOk());
    TypeParam file(&recorder);
    ASSERT_TRUE(file.OpenSource(this->path).IsOk());
    EXPECT_TRUE(file.ReadWaypoints(table, false).IsOk());
    const char* pWhere = std::is_same_v<TypeParam, CTextWaypointFile> ? "1:3:"
                         : std::is_same_v<TypeParam, CMapSourceFile>  ? "2:2:"
                                                                      : "1:6:";
    EXPECT_EQ(recorder.origins, std::vector<std::string>{pWhere + this->path + ":b"});
    EXPECT_EQ(table.PendingWaypoint(), nullptr);
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
    this->ui.counters.clear();
    EXPECT_FALSE(this->Write(many));
    ASSERT_EQ(this->ui.messages.size(), 2u);
    EXPECT_EQ(this->ui.messages[1], "Fail to write file \"/dev/full\" (No space left on device)");
    EXPECT_LT(this->ui.counters.size(), 2 * 3000u) << "the export stops at the failure";
}

}  // namespace
