#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "files/Coordinates.h"
#include "job/Converter.h"
#include "tests/MapSourceBytes.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

using Answer = CScriptedUserInterface::WaypointAnswer;

const CTextTemplate SIMPLE = MakeTemplate(0, 1, 2, 3, 2, ',', "simple");  // A B C D, title row

std::string Mps(const std::vector<std::string>& names) {
    std::string records;
    for (const std::string& name : names) {
        records += mps::Record(name, "", DegreesToSemicircles(10.5), DegreesToSemicircles(20.5));
    }
    return mps::File(records);
}

class Converter : public ::testing::Test {
protected:
    bool Convert(int nSourceKind, int nTargetKind) {
        CConverter converter(&ui);
        converter.Start(nSourceKind, nTargetKind);
        return converter.Wait();
    }

    void ExpectIdle() {
        EXPECT_TRUE(ui.enabled[IDC_TEXT_TO_MAPSOURCE]);
        EXPECT_TRUE(ui.enabled[IDC_MAPSOURCE_TO_TEXT]);
        for (int nId : {IDC_SCAN_LABEL, IDC_IMPORT_LABEL, IDC_EXPORT_LABEL}) {
            EXPECT_FALSE(ui.enabled[nId]) << nId;
        }
        for (int nId : {IDC_SCAN_CHECK, IDC_IMPORT_CHECK, IDC_EXPORT_CHECK}) {
            EXPECT_FALSE(ui.checked[nId]) << nId;
        }
        ASSERT_FALSE(ui.counterTexts.empty());
        EXPECT_EQ(ui.counterTexts.back(), "");
    }

    CTempDir dir;
    std::string text = dir.File("points.csv");
    std::string mapSource = dir.File("points.mps");
    CScriptedUserInterface ui;
};

TEST_F(Converter, MapSourceAppendedToATextFileRunsAllThreeStages) {
    WriteBytes(mapSource, Mps({"home", "new"}));
    WriteBytes(text, "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,1.000000,2.000000,\r\n");
    ui.fileAnswers = {mapSource, text};
    ui.existingFileAnswers = {ExistingFileChoice::Append};
    ui.templateAnswers = {SIMPLE, SIMPLE};
    ui.waypointAnswers = {Answer(Resolution::Discard)};
    ASSERT_TRUE(Convert(KIND_MAPSOURCE, KIND_TEXT));

    EXPECT_EQ(ReadBytes(text),
              "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,1.000000,2.000000,\r\n"
              "new,10.500000,20.500000,\r\n");
    EXPECT_EQ(ui.templateOwned, (std::vector<bool>{true, false}));
    ExpectIdle();
}

// Whether it ends before the stages or in one, a job that does not succeed
// leaves the target byte for byte and no temporary file.
TEST_F(Converter, AJobThatEndsEarlyOrFailsLeavesEverythingAsItWas) {
    const std::string original = "NAME,LATITUDE,LONGITUDE,COMMENT\r\nkept,1.000000,2.000000,\r\n";
    WriteBytes(mapSource, Mps({"a", "a", "b"}));  // the duplicate aborts: nobody settles it
    struct Case {
        const char* what;
        std::deque<std::optional<std::string>> files;
        ExistingFileChoice existing;
        std::deque<std::optional<CTextTemplate>> templates;
        bool bFailsToOpen;
    };
    const Case cases[] = {
        {"source chooser cancelled", {std::nullopt}, {}, {}, false},
        {"target chooser cancelled", {mapSource, std::nullopt}, {}, {}, false},
        {"existing file: Abort", {mapSource, text}, ExistingFileChoice::Abort, {}, false},
        {"existing file: Escape", {mapSource, text}, ExistingFileChoice::None, {}, false},
        {"source missing", {dir.File("missing.mps")}, {}, {}, true},
        {"target is a directory", {mapSource, dir.Path()}, {}, {}, true},
        {"target folder missing", {mapSource, dir.File("no/such.csv")}, {}, {}, true},
        {"replace, abort", {mapSource, text}, ExistingFileChoice::Replace, {}, false},
        {"append, abort", {mapSource, text}, ExistingFileChoice::Append, {SIMPLE}, false},
        {"append, cancel", {mapSource, text}, ExistingFileChoice::Append, {std::nullopt}, false},
    };
    for (const Case& c : cases) {
        WriteBytes(text, original);
        ui = CScriptedUserInterface();
        ui.fileAnswers = c.files;
        ui.existingFileAnswers = {c.existing};
        ui.templateAnswers = c.templates;
        EXPECT_FALSE(Convert(KIND_MAPSOURCE, KIND_TEXT)) << c.what;
        ASSERT_EQ(ui.messages.size(), c.bFailsToOpen ? 1u : 0u) << c.what;
        if (c.bFailsToOpen) {
            EXPECT_EQ(ui.messages[0].rfind("Fail to open file \"", 0), 0u) << c.what;
        }
        EXPECT_EQ(ui.templateOwned.size(), c.templates.size()) << c.what;
        EXPECT_EQ(ReadBytes(text), original) << c.what;
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"points.csv", "points.mps"})) << c.what;
        ExpectIdle();
    }
}

// Under a link or another hard link, the source is refused as the target
// before anything is asked or written.
TEST_F(Converter, TheSourceAsTargetIsRefused) {
    WriteBytes(text, "NAME,LATITUDE,LONGITUDE,COMMENT\r\na,1,1,\r\n");
    ASSERT_EQ(::symlink(text.c_str(), mapSource.c_str()), 0);
    ASSERT_EQ(::link(text.c_str(), dir.File("hard.mps").c_str()), 0);
    for (const std::string& target : {mapSource, dir.File("hard.mps")}) {
        ui = CScriptedUserInterface();
        ui.fileAnswers = {text, target};
        ui.existingFileAnswers = {ExistingFileChoice::Replace};
        EXPECT_FALSE(Convert(KIND_TEXT, KIND_MAPSOURCE));
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Cannot write file \"" + target +
                                                        "\": it is the source file"});
        EXPECT_EQ(ui.existingFileAnswers.size(), 1u) << "not asked";
    }
    EXPECT_EQ(ReadBytes(text), "NAME,LATITUDE,LONGITUDE,COMMENT\r\na,1,1,\r\n");
}

// Holds the job in its first question until the test lets it go on.
class CGatedUserInterface : public CScriptedUserInterface {
public:
    bool ChooseFile(FileRole role, const std::string& title, const std::string& filter,
                    const std::string& defaultExtension, std::string& path) override {
        if (!m_bAsked) {
            m_bAsked = true;
            asked.set_value();
            opened.wait();
        }
        return CScriptedUserInterface::ChooseFile(role, title, filter, defaultExtension, path);
    }
    std::promise<void> asked;
    std::promise<void> open;

private:
    std::shared_future<void> opened = open.get_future().share();
    bool m_bAsked = false;  // only the worker reads and writes it
};

TEST_F(Converter, StartDoesNothingWhileAJobRuns) {
    WriteBytes(mapSource, Mps({"a"}));
    CGatedUserInterface gated;
    gated.fileAnswers = {mapSource, text};
    gated.templateAnswers = {SIMPLE};
    CConverter converter(&gated);
    converter.Start(KIND_MAPSOURCE, KIND_TEXT);
    gated.asked.get_future().wait();
    EXPECT_TRUE(converter.IsRunning());
    converter.Start(KIND_TEXT, KIND_MAPSOURCE);
    gated.open.set_value();
    EXPECT_TRUE(converter.Wait());
    EXPECT_FALSE(converter.IsRunning());
    EXPECT_EQ(gated.messages.size(), 1u);  // one job, one success message
}

// The destructor stops a running job and waits for its worker; a question
// that is open meanwhile must be answered, and the job then ends as stopped.
TEST_F(Converter, DestroyingTheJobStopsItAndWaitsForItsWorker) {
    WriteBytes(mapSource, Mps({"a"}));
    CGatedUserInterface gated;
    gated.fileAnswers = {mapSource, text};
    gated.templateAnswers = {SIMPLE};
    std::thread opener([&gated] {
        gated.asked.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gated.open.set_value();
    });
    {
        CConverter converter(&gated);
        converter.Start(KIND_MAPSOURCE, KIND_TEXT);
    }
    opener.join();
    EXPECT_FALSE(FileExists(text));  // stopped at the first waypoint: nothing written
    EXPECT_TRUE(gated.enabled[IDC_TEXT_TO_MAPSOURCE]);
    CConverter idle(&gated);  // destroying an idle job returns at once
}

}  // namespace
