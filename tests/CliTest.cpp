// Runs pathfolio-cli as a process on files in a fresh directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"
#include "files/Coordinates.h"
#include "tests/MapSourceBytes.h"
#include "tests/TempDir.h"

namespace {

struct CliResult {
    int nExitCode = -1;
    std::string err;
};

class Cli : public ::testing::Test {
protected:
    CliResult Run(std::vector<std::string> args) {
        std::string errPath = dir.File(".stderr");
        pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir.Path().c_str()) != 0) {
                ::_exit(127);
            }
            int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int nullFd = ::open("/dev/null", O_RDONLY);
            ::dup2(fd, STDERR_FILENO);
            ::dup2(nullFd, STDIN_FILENO);
            std::vector<char*> argv;
            std::string program = PATHFOLIO_CLI_PATH;
            argv.push_back(program.data());
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        int nStatus = 0;
        ::waitpid(pid, &nStatus, 0);
        CliResult result;
        result.nExitCode = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
        result.err = ReadBytes(errPath);
        ::unlink(errPath.c_str());
        return result;
    }

    std::string Path(const std::string& name) { return dir.File(name); }
    void Write(const std::string& name, const std::string& bytes) { WriteBytes(Path(name), bytes); }
    std::string Read(const std::string& name) { return ReadBytes(Path(name)); }

    CTempDir dir;
};

const std::string TITLE = "NAME,LATITUDE,LONGITUDE,COMMENT\r\n";

TEST_F(Cli, RoundTripThroughMapSourceKeepsEveryField) {
    std::string rows =
        "Home,32.5,-117.25,The Front Door\r\n"
        "peak_2,-33.912345,18.400001,\r\n"
        "far east,89.999999,179.999999,forty characters of comment; exactly: 40\r\n"
        "south-west,-89.5,-179.5,cut after forty characters of this comment\r\n";
    Write("in.csv", TITLE + rows);
    CliResult toMps = Run({"in.csv", "out.mps"});
    ASSERT_EQ(toMps.nExitCode, 0) << toMps.err;
    EXPECT_EQ(
        toMps.err,
        "pathfolio-cli: The operation has completed successfully (file \"out.mps\" is ready)\n");
    CliResult toText = Run({"out.mps", "back.csv", "--quiet"});
    ASSERT_EQ(toText.nExitCode, 0) << toText.err;
    EXPECT_EQ(toText.err, "");
    EXPECT_EQ(Read("back.csv"),
              TITLE +
                  "home,32.500000,-117.250000,the front door\r\n"
                  "peak_2,-33.912345,18.400001,\r\n"
                  "far east,89.999999,179.999999,forty characters of comment; exactly: 40\r\n"
                  "south-west,-89.500000,-179.500000,cut after forty characters of this comme\r\n");
}

TEST_F(Cli, ExistingTargets) {
    Write("a.mps",
          mps::File(mps::Record("a", "", DegreesToSemicircles(1), DegreesToSemicircles(2))));
    Write("t.csv", TITLE + "b,3.000000,4.000000,\r\n");

    CliResult refused = Run({"a.mps", "t.csv"});
    EXPECT_EQ(refused.nExitCode, 1);
    EXPECT_NE(refused.err.find("\"t.csv\" already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(Read("t.csv"), TITLE + "b,3.000000,4.000000,\r\n");

    ASSERT_EQ(Run({"a.mps", "t.csv", "--existing", "append"}).nExitCode, 0);
    EXPECT_EQ(Read("t.csv"), TITLE + "b,3.000000,4.000000,\r\na,1.000000,2.000000,\r\n");

    ASSERT_EQ(Run({"a.mps", "t.csv", "--existing", "replace"}).nExitCode, 0);
    EXPECT_EQ(Read("t.csv"), TITLE + "a,1.000000,2.000000,\r\n");
}

// A file of another program converts whole, comments survive a round trip
// through text, and a damaged file fails and changes nothing.
TEST_F(Cli, MapSourceFilesOfOtherProgramsAndDamagedOnes) {
    std::string sample = mps::Sample("mixed-v5.mps");
    Write("v5.mps", sample);
    CliResult converted = Run({"v5.mps", "out.csv", "--quiet"});
    ASSERT_EQ(converted.nExitCode, 0) << converted.err;
    EXPECT_EQ(Read("out.csv"), TITLE +
                                   "hut-a,46.558000,7.835000,\"water, wood, 12 beds\"\r\n"
                                   "pass_2,46.570200,7.891100,col\r\n"
                                   "queenstown,-45.031200,168.662600,queenstown\r\n");

    // Back to MapSource through text: the same file, every comment byte for byte.
    std::string records;
    for (const char* comment :
         {"water, wood", "say \"hi\", \"\"", "two\r\nlines", "cr\rlf\n\x1a"}) {
        records += mps::Record("p" + std::to_string(records.size()), comment,
                               DegreesToSemicircles(32.5), DegreesToSemicircles(-117.25));
    }
    Write("comments.mps", mps::File(records));
    ASSERT_EQ(Run({"comments.mps", "comments.csv"}).nExitCode, 0);
    ASSERT_EQ(Run({"comments.csv", "back.mps"}).nExitCode, 0);
    EXPECT_EQ(Read("back.mps"), mps::File(records));

    Write("cut.mps", sample.substr(0, 300));
    Write("in.csv", TITLE + "a,1,1,\r\n");
    const std::string damaged =
        "pathfolio-cli: File \"cut.mps\" is damaged at byte 263: a record "
        "of 107 bytes runs past the end of the file\n";
    CliResult asSource = Run({"cut.mps", "out.csv", "--existing", "replace"});
    CliResult asTarget = Run({"in.csv", "cut.mps", "--existing", "append"});
    for (const CliResult& result : {asSource, asTarget}) {
        EXPECT_EQ(result.nExitCode, 1);
        EXPECT_EQ(result.err, damaged);
    }
    EXPECT_EQ(Read("cut.mps"), sample.substr(0, 300));
    EXPECT_NE(Read("out.csv").find("queenstown"), std::string::npos);
}

// Each answer word of each option settles its faults for good; other faults stay open.
TEST(CliOptions, AnswerWordsMapToResolutions) {
    struct Case {
        const char* option;
        const char* word;
        std::vector<WaypointError> errors;
        Resolution expected;
    };
    const std::vector<WaypointError> badName = {WaypointError::NameEmpty,
                                                WaypointError::NameNotAlphanumeric};
    const std::vector<WaypointError> badCoordinate = {WaypointError::LatitudeInvalid,
                                                      WaypointError::LongitudeInvalid};
    const Case cases[] = {
        {"--on-duplicate", "suffix", {WaypointError::NameExists}, Resolution::AddSuffix},
        {"--on-duplicate", "Overwrite", {WaypointError::NameExists}, Resolution::Overwrite},
        {"--on-duplicate", "discard", {WaypointError::NameExists}, Resolution::Discard},
        {"--on-duplicate", "ABORT", {WaypointError::NameExists}, Resolution::Abort},
        {"--on-long-name", "truncate", {WaypointError::NameTooLong}, Resolution::Truncate},
        {"--on-long-name", "discard", {WaypointError::NameTooLong}, Resolution::Discard},
        {"--on-long-name", "abort", {WaypointError::NameTooLong}, Resolution::Abort},
        {"--on-bad-name", "discard", badName, Resolution::Discard},
        {"--on-bad-name", "abort", badName, Resolution::Abort},
        {"--on-bad-coordinate", "discard", badCoordinate, Resolution::Discard},
        {"--on-bad-coordinate", "abort", badCoordinate, Resolution::Abort},
    };
    const WaypointError all[] = {WaypointError::NameExists,      WaypointError::NameTooLong,
                                 WaypointError::NameEmpty,       WaypointError::NameNotAlphanumeric,
                                 WaypointError::LatitudeInvalid, WaypointError::LongitudeInvalid};
    for (const Case& c : cases) {
        std::string args[] = {"pathfolio-cli", "in.csv", "out.mps", c.option, c.word};
        char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                        args[4].data()};
        CCliOptions options;
        int nExitCode = -1;
        ASSERT_TRUE(ParseCommandLine(5, argv, options, nExitCode)) << c.option << ' ' << c.word;
        CCliUserInterface ui(options, false);
        for (WaypointError error : all) {
            bool bSettled = std::count(c.errors.begin(), c.errors.end(), error) > 0;
            ResolutionPolicy policy;
            std::string name = "x";
            if (!bSettled) {
                ::testing::internal::CaptureStderr();  // the unsettled fault is reported
            }
            ui.ResolveInvalidWaypoint(name, policy, CWaypointTable(nullptr), 40, error);
            if (!bSettled) {
                EXPECT_NE(
                    ::testing::internal::GetCapturedStderr().find(AnswerOptionFor(error).pName),
                    std::string::npos);
            }
            EXPECT_EQ(policy.resolution, bSettled ? c.expected : Resolution::Abort)
                << c.option << ' ' << c.word << ' ' << static_cast<int>(error);
            EXPECT_EQ(policy.applyToAll, bSettled);
        }
    }
}

TEST_F(Cli, AnUnsettledFaultStopsAndSaysWhichOptionSettlesIt) {
    Write("in.csv", TITLE + "ok,1,1,\r\nbad.name,1,1,\r\n");
    Write("out.mps", "old bytes");
    CliResult result = Run({"in.csv", "out.mps", "--existing", "replace"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.err,
              "pathfolio-cli: waypoint \"bad.name\": Waypoint name contain one or more "
              "non-alphanumeric characters; settle it with --on-bad-name discard|abort\n");
    EXPECT_EQ(Read("out.mps"), "old bytes");

    Write("long.csv", TITLE + std::string(41, 'x') + ",1,1,\r\n");
    result = Run({"long.csv", "new.mps"});
    EXPECT_NE(result.err.find("cannot contain more then 40 characters; settle it with "
                              "--on-long-name truncate|discard|abort"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(FileExists(Path("new.mps")));
}

TEST_F(Cli, UsageErrors) {
    Write("in.csv", TITLE);
    const std::vector<std::string> cases[] = {
        {},
        {"in.csv"},
        {"in.csv", "out.txt"},
        {"a.mps", "b.MPS"},
        {"in.csv", "out.mps", "--delimiter", "tab"},
        {"in.csv", "out.mps", "--columns", "A,B,C"},
        {"in.csv", "out.mps", "--columns", "A,B,C,D", "--first-row", "70000"},
        {"in.csv", "out.mps", "--on-bad-coordinate", "suffix"},
        {"in.csv", "out.mps", "--template", "nothing stored"},
        {"in.csv", "out.mps", "--columns", ""},
    };
    for (const std::vector<std::string>& args : cases) {
        CliResult result = Run(args);
        EXPECT_EQ(result.nExitCode, 2) << (args.empty() ? "" : args.back()) << result.err;
    }
    EXPECT_FALSE(FileExists(Path("out.mps")));
    EXPECT_FALSE(FileExists(Path("PathfolioTemplates.dat")));
    EXPECT_EQ(Run({"--help"}).nExitCode, 0);
    EXPECT_EQ(Run({"--version"}).nExitCode, 0);
}

TEST_F(Cli, LayoutsFromColumnsAndFromTheTemplateStore) {
    Write("in.txt", "skip me\n21.5\t-10.5\tnote\tHOME\n");
    CliResult saved = Run({"in.txt", "out.mps", "--quiet", "--columns", "D,B,A,C", "--first-row",
                           "2", "--delimiter", "tab", "--save-template", "Tabbed"});
    ASSERT_EQ(saved.nExitCode, 0) << saved.err;
    ASSERT_EQ(ReadBytes(Path("PathfolioTemplates.dat")).size(), 276u);

    ASSERT_EQ(Run({"out.mps", "back.txt", "--quiet", "--template", "TABBED"}).nExitCode, 0);
    // Rows are always written with commas, whatever the template's delimiter.
    EXPECT_EQ(Read("back.txt"),
              "LONGITUDE,LATITUDE,COMMENT,NAME\r\n21.500000,-10.500000,note,home\r\n");
}

TEST_F(Cli, BadInputGetsAMessageAndLeavesFilesAlone) {
    Write("in.csv", TITLE + "a,1,1,\r\n");
    std::string junk;
    for (int i = 0; i < 4096; ++i) {
        char c = static_cast<char>((i * 37 + 11) % 256);
        junk.push_back(c == '\x1A' ? '\x1B' : c);  // 0x1A would end the text at once
    }
    Write("junk.csv", junk);

    CliResult missing = Run({"nowhere.csv", "out.mps"});
    EXPECT_EQ(missing.nExitCode, 1);
    EXPECT_EQ(missing.err, "pathfolio-cli: Fail to open file \"nowhere.csv\"\n");
    mkdir(Path("dir.mps").c_str(), 0755);
    CliResult dirTarget = Run({"in.csv", "dir.mps"});
    EXPECT_EQ(dirTarget.nExitCode, 1);
    EXPECT_EQ(dirTarget.err, "pathfolio-cli: Fail to open file \"dir.mps\"\n");

    CliResult binary = Run({"junk.csv", "from-junk.mps"});
    EXPECT_EQ(binary.nExitCode, 1);
    EXPECT_EQ(binary.err.find('\x1B'), std::string::npos) << "control characters are escaped";
    EXPECT_NE(binary.err.find("settle it with"), std::string::npos);
    EXPECT_EQ(Read("in.csv"), TITLE + "a,1,1,\r\n");
}

}  // namespace
