#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "files/Coordinates.h"
#include "files/FileKinds.h"
#include "job/Converter.h"
#include "tests/FailingDisk.h"
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
    ConversionRequest Request(FileKind sourceKind, const std::string& source, FileKind targetKind,
                              const std::string& target) {
        ConversionRequest request;
        request.source = {source, sourceKind, {}};
        request.target = {target, targetKind, {}};
        return request;
    }
    bool Convert(const ConversionRequest& request) {
        CConverter converter(&ui);
        converter.Start(request);
        return converter.Wait();
    }
    bool Convert(FileKind sourceKind, const std::string& source, FileKind targetKind,
                 const std::string& target) {
        return Convert(Request(sourceKind, source, targetKind, target));
    }

    CTempDir dir;
    std::string text = dir.File("points.csv");
    std::string mapSource = dir.File("points.mps");
    CScriptedUserInterface ui;
};

TEST_F(Converter, MapSourceAppendedToATextFileRunsAllThreeStages) {
    WriteBytes(mapSource, Mps({"home", "new"}));
    WriteBytes(text, "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,1.000000,2.000000,\r\n");
    ui.existingFileAnswers = {ExistingFileChoice::Append};
    ui.templateAnswers = {SIMPLE, SIMPLE};
    ui.waypointAnswers = {Answer(Resolution::Discard)};
    ASSERT_TRUE(Convert(FileKind::MapSource, mapSource, FileKind::Text, text));

    EXPECT_EQ(ReadBytes(text),
              "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,1.000000,2.000000,\r\n"
              "new,10.500000,20.500000,\r\n");
    EXPECT_EQ(ui.templateUses, (std::vector<TemplateUse>{TemplateUse::Read, TemplateUse::Write}));
    EXPECT_EQ(ui.events, (std::vector<std::string>{"scan+", "scan-", "import+", "import-",
                                                   "export+", "export-", "ended ok"}));
    EXPECT_EQ(ui.messageKinds, std::vector<MessageKind>{MessageKind::Success});
}

// What the request settles is not asked: the existing target, the layout of
// the text file and the answers to waypoint faults.
TEST_F(Converter, TheRequestSettlesWhatItKnows) {
    WriteBytes(mapSource, Mps({"home", "new", "home"}));
    WriteBytes(text, "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,1.000000,2.000000,\r\n");
    ConversionRequest request = Request(FileKind::MapSource, mapSource, FileKind::Text, text);
    request.existingTarget = ExistingTarget::Append;
    request.target.options.layout = SIMPLE;
    request.answers[static_cast<int>(WaypointError::NameExists)] = Resolution::AddSuffix;
    ASSERT_TRUE(Convert(request));
    EXPECT_EQ(ReadBytes(text),
              "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,1.000000,2.000000,\r\n"
              "home-0,10.500000,20.500000,\r\nnew,10.500000,20.500000,\r\n"
              "home-1,10.500000,20.500000,\r\n");
    EXPECT_TRUE(ui.prompts.empty() && ui.templateUses.empty());

    request.existingTarget = ExistingTarget::Replace;
    ASSERT_TRUE(Convert(request));
    EXPECT_EQ(ReadBytes(text),
              "NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,10.500000,20.500000,\r\n"
              "new,10.500000,20.500000,\r\nhome-0,10.500000,20.500000,\r\n");
}

// Whether it ends before the stages or in one, a job that does not succeed
// leaves the target byte for byte and no temporary file.
TEST_F(Converter, AJobThatEndsEarlyOrFailsLeavesEverythingAsItWas) {
    const std::string original = "NAME,LATITUDE,LONGITUDE,COMMENT\r\nkept,1.000000,2.000000,\r\n";
    WriteBytes(mapSource, Mps({"a", "a", "b"}));  // the duplicate aborts: nobody settles it
    const char* const ABORTED_AT_A = "Stopped at waypoint \"a\", waypoint record 2 of ";
    struct Case {
        const char* what;
        std::string source;
        std::string target;
        ExistingFileChoice existing;
        std::deque<std::optional<CTextTemplate>> templates;
        const char* message;  // how the failure message begins; null: none
    };
    const Case cases[] = {
        {"existing file: Abort", mapSource, text, ExistingFileChoice::Abort, {}, nullptr},
        {"existing file: Escape", mapSource, text, ExistingFileChoice::None, {}, nullptr},
        {"source missing", dir.File("missing.mps"), text, {}, {}, "Fail to open file \""},
        {"target is a directory", mapSource, dir.Path(), {}, {}, "Fail to open file \""},
        {"target folder missing",
         mapSource,
         dir.File("no/such.csv"),
         {},
         {},
         "Fail to open file \""},
        {"same kinds", text, dir.File("other.csv"), {}, {}, "The source and the target must be"},
        {"replace, abort", mapSource, text, ExistingFileChoice::Replace, {}, ABORTED_AT_A},
        {"append, abort", mapSource, text, ExistingFileChoice::Append, {SIMPLE}, ABORTED_AT_A},
        {"append, cancel", mapSource, text, ExistingFileChoice::Append, {std::nullopt}, nullptr},
    };
    for (const Case& c : cases) {
        WriteBytes(text, original);
        ui = CScriptedUserInterface();
        ui.existingFileAnswers = {c.existing};
        ui.templateAnswers = c.templates;
        FileKind sourceKind = KindOfPath(c.source);
        FileKind targetKind = c.target == dir.Path() ? FileKind::Text : KindOfPath(c.target);
        EXPECT_FALSE(Convert(sourceKind, c.source, targetKind, c.target)) << c.what;
        ASSERT_EQ(ui.messages.size(), c.message != nullptr ? 1u : 0u) << c.what;
        if (c.message != nullptr) {
            EXPECT_EQ(ui.messages[0].rfind(c.message, 0), 0u) << c.what << ": " << ui.messages[0];
        }
        EXPECT_EQ(ui.templateUses.size(), c.templates.size()) << c.what;
        EXPECT_EQ(ReadBytes(text), original) << c.what;
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"points.csv", "points.mps"})) << c.what;
        EXPECT_EQ(ui.events.back(), "ended failed") << c.what;
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
        ui.existingFileAnswers = {ExistingFileChoice::Replace};
        EXPECT_FALSE(Convert(FileKind::Text, text, FileKind::MapSource, target));
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Cannot write file \"" + target +
                                                        "\": it is the source file"});
        EXPECT_EQ(ui.existingFileAnswers.size(), 1u) << "not asked";
    }
    EXPECT_EQ(ReadBytes(text), "NAME,LATITUDE,LONGITUDE,COMMENT\r\na,1,1,\r\n");
}

// Holds the job in its first template question until the test lets it go on.
class CGatedUserInterface : public CScriptedUserInterface {
public:
    bool ChooseTextTemplate(CTextTemplate& chosen, const std::string& path, bool bEmpty,
                            TemplateUse use) override {
        if (!m_bAsked) {
            m_bAsked = true;
            asked.set_value();
            opened.wait();
        }
        return CScriptedUserInterface::ChooseTextTemplate(chosen, path, bEmpty, use);
    }
    std::promise<void> asked;
    std::promise<void> open;

private:
    std::shared_future<void> opened = open.get_future().share();
    bool m_bAsked = false;  // only the worker reads and writes it
};

const char* const ONE_POINT = "NAME,LATITUDE,LONGITUDE,COMMENT\r\na,1,1,\r\n";

TEST_F(Converter, StartDoesNothingWhileAJobRuns) {
    WriteBytes(text, ONE_POINT);
    CGatedUserInterface gated;
    gated.templateAnswers = {SIMPLE};
    CConverter converter(&gated);
    ASSERT_TRUE(converter.Start(Request(FileKind::Text, text, FileKind::MapSource, mapSource)));
    gated.asked.get_future().wait();
    EXPECT_TRUE(converter.IsRunning());
    EXPECT_FALSE(converter.Start(Request(FileKind::MapSource, mapSource, FileKind::Text, text)));
    gated.open.set_value();
    EXPECT_TRUE(converter.Wait());
    EXPECT_FALSE(converter.IsRunning());
    EXPECT_EQ(gated.messages.size(), 1u);  // one job, one success message
}

// The destructor stops a running job and waits for its worker; a question
// that is open meanwhile must be answered, and the job then ends as stopped.
TEST_F(Converter, DestroyingTheJobStopsItAndWaitsForItsWorker) {
    WriteBytes(text, ONE_POINT);
    CGatedUserInterface gated;
    gated.templateAnswers = {SIMPLE};
    std::thread opener([&gated] {
        gated.asked.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gated.open.set_value();
    });
    {
        CConverter converter(&gated);
        converter.Start(Request(FileKind::Text, text, FileKind::MapSource, mapSource));
    }
    opener.join();
    EXPECT_FALSE(FileExists(mapSource));  // stopped at the first waypoint: nothing written
    EXPECT_EQ(gated.events.back(), "ended failed");
    EXPECT_TRUE(gated.messages.empty());
    CConverter idle(&gated);  // destroying an idle job returns at once
}

// Stops its job when the export reports the waypoint with the given count.
class CStoppingUserInterface : public CScriptedUserInterface {
public:
    void ShowProgress(int nCount) override {
        CScriptedUserInterface::ShowProgress(nCount);
        if (!events.empty() && events.back() == "export+" && nCount == nStopAt) {
            pConverter->RequestStop();
        }
    }
    CConverter* pConverter = nullptr;
    int nStopAt = 0;
};

// A stop after the last waypoint of the export still keeps a staged target as
// it was; a target written in place (its directory refuses a temporary file)
// is changed by its first write, so once its export has begun it runs to the
// end and the target is whole.
TEST_F(Converter, AStopDuringTheExportKeepsTheTargetOrWritesItWhole) {
    std::string rows = "NAME,LATITUDE,LONGITUDE,COMMENT\r\n";
    for (int i = 0; i < 3; ++i) {
        rows += "p" + std::to_string(i) + ",10.5,20.5,\r\n";
    }
    WriteBytes(text, rows);
    for (bool bInPlace : {false, true}) {
        WriteBytes(mapSource, Mps({"old"}));
        CFailingDisk disk;
        disk.nMkostempErrno = bInPlace ? EACCES : 0;
        CStoppingUserInterface stopping;
        stopping.templateAnswers = {SIMPLE};
        stopping.nStopAt = bInPlace ? 0 : 2;
        ConversionRequest request = Request(FileKind::Text, text, FileKind::MapSource, mapSource);
        request.existingTarget = ExistingTarget::Replace;
        CConverter converter(&stopping);
        stopping.pConverter = &converter;
        converter.Start(request);
        EXPECT_EQ(converter.Wait(), bInPlace);
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"points.csv", "points.mps"}));
        EXPECT_EQ(ReadBytes(mapSource), bInPlace ? Mps({"p0", "p1", "p2"}) : Mps({"old"}))
            << bInPlace;
    }
}

// An exception that escapes the job's own checks ends the job with a message,
// never the program.
TEST_F(Converter, AnUnexpectedFailureOnTheWorkerEndsTheJobWithAMessage) {
    class CThrowingUserInterface : public CScriptedUserInterface {
        ExistingFileChoice AskExistingFile(const std::string&) override {
            throw std::length_error("too long");
        }
    } throwing;
    WriteBytes(text, ONE_POINT);
    WriteBytes(mapSource, Mps({"old"}));
    CConverter converter(&throwing);
    converter.Start(Request(FileKind::Text, text, FileKind::MapSource, mapSource));
    EXPECT_FALSE(converter.Wait());
    EXPECT_EQ(throwing.messages, std::vector<std::string>{"The conversion failed: too long"});
    EXPECT_EQ(ReadBytes(mapSource), Mps({"old"}));
}

}  // namespace
