// Runs pathfolio-cli as a process on files in a fresh directory.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"
#include "files/Coordinates.h"
#include "tests/MapSourceBytes.h"
#include "tests/TempDir.h"

namespace {

struct CliResult {
    int nExitCode = -1;
    std::string err;  // standard error and output
};

struct CliProcess {
    pid_t pid = -1;
    std::string errPath;
};

enum RunHow : unsigned { AS_ROOT_OR_SELF = 0, AS_NOBODY = 1, INTERRUPT_PENDING = 2 };
constexpr unsigned NOBODY = 65534;

class Cli : public ::testing::Test {
protected:
    // Starts pathfolio-cli in the test's directory, which is also its home.
    CliProcess Start(std::vector<std::string> args, unsigned nHow = AS_ROOT_OR_SELF) {
        CliProcess process;
        process.errPath = dir.File(".stderr" + std::to_string(++m_nRuns));
        process.pid = ::fork();
        if (process.pid == 0) {
            int fd = ::open(process.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            int nullFd = ::open("/dev/null", O_RDONLY);
            ::dup2(fd, STDERR_FILENO);
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(nullFd, STDIN_FILENO);
            ::setenv("HOME", dir.Path().c_str(), 1);
            ::setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
            bool bReady = ::chdir(dir.Path().c_str()) == 0;
            if (nHow & AS_NOBODY) {
                bReady = bReady && ::setgroups(0, nullptr) == 0 && ::setgid(NOBODY) == 0 &&
                         ::setuid(NOBODY) == 0;
            }
            if (nHow & INTERRUPT_PENDING) {
                sigset_t interrupt;
                sigemptyset(&interrupt);
                sigaddset(&interrupt, SIGINT);
                ::sigprocmask(SIG_BLOCK, &interrupt, nullptr);
                ::raise(SIGINT);  // stays pending across exec
            }
            std::vector<char*> argv;
            std::string program = PATHFOLIO_CLI_PATH;
            argv.push_back(program.data());
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            if (bReady) {
                ::execv(program.c_str(), argv.data());
            }
            ::_exit(127);
        }
        return process;
    }

    // Waits for the process, killing it after 30 seconds (a hang fails the test).
    CliResult Finish(const CliProcess& process) {
        int nStatus = 0;
        for (int i = 0; ::waitpid(process.pid, &nStatus, WNOHANG) == 0; ++i) {
            if (i == 3000) {
                ::kill(process.pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        CliResult result;
        result.nExitCode = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
        result.err = ReadBytes(process.errPath);
        ::unlink(process.errPath.c_str());
        return result;
    }

    CliResult Run(std::vector<std::string> args, unsigned nHow = AS_ROOT_OR_SELF) {
        return Finish(Start(std::move(args), nHow));
    }

    // Locks a file as another run would, until the returned descriptor is closed.
    int Lock(const std::string& name) {
        int fd = ::open(Path(name).c_str(), O_RDONLY | O_CLOEXEC);  // not held by the runs
        EXPECT_EQ(::flock(fd, LOCK_EX), 0);
        return fd;
    }

    std::string Path(const std::string& name) { return dir.File(name); }
    void Write(const std::string& name, const std::string& bytes) { WriteBytes(Path(name), bytes); }
    std::string Read(const std::string& name) { return ReadBytes(Path(name)); }

    CTempDir dir;
    int m_nRuns = 0;
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

    // A message shows only the start of a long name.
    Write("long.csv", TITLE + std::string(100000, 'x') + ",1,1,\r\n");
    result = Run({"long.csv", "new.mps"});
    EXPECT_EQ(result.err.rfind("pathfolio-cli: waypoint \"" + std::string(60, 'x') + "...\": ", 0),
              0u)
        << result.err.substr(0, 200);
    EXPECT_NE(result.err.find("cannot contain more then 40 characters; settle it with "
                              "--on-long-name truncate|discard|abort"),
              std::string::npos);
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
    // Without a store in the current directory, the data directory's, created now.
    ASSERT_EQ(Read("data/pathfolio/PathfolioTemplates.dat").size(), 276u);
    EXPECT_NE(Run({"--help"}).err.find(Path("data/pathfolio/PathfolioTemplates.dat")),
              std::string::npos);

    ASSERT_EQ(Run({"out.mps", "back.txt", "--quiet", "--template", "TABBED"}).nExitCode, 0);
    // Rows are written with the template's delimiter.
    EXPECT_EQ(Read("back.txt"),
              "LONGITUDE\tLATITUDE\tCOMMENT\tNAME\r\n21.500000\t-10.500000\tnote\thome\r\n");

    Write("PathfolioTemplates.dat", "");  // one in the current directory comes first
    EXPECT_EQ(Run({"out.mps", "again.txt", "--template", "TABBED"}).nExitCode, 2);
}

TEST_F(Cli, BadInputGetsAMessageAndLeavesFilesAlone) {
    Write("in.csv", TITLE + "a,1,1,\r\n");
    std::string junk;
    for (int i = 0; i < 4096; ++i) {
        char c = static_cast<char>((i * 37 + 11) % 256);
        junk.push_back(c == '\x1A' ? '\x1B' : c);  // 0x1A would end the text at once
    }
    Write("junk.csv", junk);

    ASSERT_EQ(::mkdir(Path("dir.mps").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(Path("pipe.csv").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(Path("pipe.mps").c_str(), 0644), 0);
    ASSERT_EQ(Run({"in.csv", "in.mps"}).nExitCode, 0);
    ASSERT_EQ(::symlink("in.mps", Path("in-link.csv").c_str()), 0);
    const std::string inMps = Read("in.mps");
    const std::vector<std::string> failures[] = {
        {"nowhere.csv", "out.mps", "Fail to open file \"nowhere.csv\" (No such file or directory)"},
        {"in.csv", "dir.mps", "Fail to open file \"dir.mps\" (Is a directory)"},
        {"pipe.csv", "out.mps", "Fail to open file \"pipe.csv\" (Not a regular file)"},
        {"in.csv", "pipe.mps", "Fail to open file \"pipe.mps\" (Not a regular file)"},
        {"in.mps", "in-link.csv", "Cannot write file \"in-link.csv\": it is the source file"},
    };
    for (const std::vector<std::string>& c : failures) {
        CliResult result = Run({c[0], c[1], "--existing", "replace"});
        EXPECT_EQ(result.nExitCode, 1) << c[2];
        EXPECT_EQ(result.err, "pathfolio-cli: " + c[2] + "\n");
    }
    EXPECT_EQ(Read("in.mps"), inMps);
    EXPECT_EQ(Run({"in.mps", "/dev/null", "--existing", "replace", "-q"}).nExitCode, 0);

    CliResult binary = Run({"junk.csv", "from-junk.mps"});
    EXPECT_EQ(binary.nExitCode, 1);
    EXPECT_EQ(binary.err.find('\x1B'), std::string::npos) << "control characters are escaped";
    EXPECT_NE(binary.err.find("settle it with"), std::string::npos);
    EXPECT_EQ(Read("in.csv"), TITLE + "a,1,1,\r\n");
}

// Waiting for the target that another run holds, the run is stopped by a
// signal (or two): it exits with 128 + the first signal's number and leaves the
// target as it was, without a temporary file.
TEST_F(Cli, ASignalStopsTheRunAndSetsTheExitCode) {
    Write("in.csv", TITLE + "a,1,1,\r\n");
    ASSERT_EQ(Run({"in.csv", "t.mps", "-q"}).nExitCode, 0);
    const std::string original = Read("t.mps");
    int fdOther = Lock("t.mps");
    const std::pair<int, int> cases[] = {{SIGINT, 1}, {SIGTERM, 1}, {SIGHUP, 1}, {SIGINT, 2}};
    for (auto [nSignal, nTimes] : cases) {
        CliProcess process = Start({"in.csv", "t.mps", "--existing", "append"});
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (int i = 0; i < nTimes; ++i) {
            ::kill(process.pid, nSignal);
        }
        CliResult result = Finish(process);
        EXPECT_EQ(result.nExitCode, 128 + nSignal) << nSignal << " x" << nTimes;
        EXPECT_EQ(result.err, "pathfolio-cli: interrupted; \"t.mps\" was left as it was\n");
    }
    ::close(fdOther);
    EXPECT_EQ(Read("t.mps"), original);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.csv", "t.mps"}));

    // An interrupt that comes before the job has started is not lost.
    EXPECT_EQ(Run({"in.csv", "new.mps"}, INTERRUPT_PENDING).nExitCode, 128 + SIGINT);
    EXPECT_FALSE(FileExists(Path("new.mps")));
}

// Two runs appending to one target at once: the second waits for the first.
TEST_F(Cli, RunsAppendingAtOnceKeepEveryWaypoint) {
    std::string rows[2] = {TITLE, TITLE};
    for (int i = 0; i < 500; ++i) {
        rows[0] += "a" + std::to_string(i) + ",1,1,\r\n";
        rows[1] += "b" + std::to_string(i) + ",1,1,\r\n";
    }
    Write("a.csv", rows[0]);
    Write("b.csv", rows[1]);
    Write("first.csv", TITLE + "first,1,1,\r\n");
    ASSERT_EQ(Run({"first.csv", "t.mps"}).nExitCode, 0);
    ASSERT_EQ(Run({"first.csv", "first.mps"}).nExitCode, 0);
    int fdOther = Lock("t.mps");
    CliProcess a = Start({"a.csv", "t.mps", "--existing", "append"});
    CliProcess b = Start({"b.csv", "t.mps", "--existing", "append"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Read("t.mps"), Read("first.mps"));  // both wait
    ::close(fdOther);
    EXPECT_EQ(Finish(a).nExitCode, 0);
    EXPECT_EQ(Finish(b).nExitCode, 0);
    ASSERT_EQ(Run({"t.mps", "back.csv"}).nExitCode, 0);
    std::string back = Read("back.csv");
    EXPECT_EQ(std::count(back.begin(), back.end(), '\n'), 1 + 1 + 1000);
}

// Run as an unprivileged user: root ignores permission bits.
TEST_F(Cli, PermissionsOfTheTargetAndItsDirectory) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run as another user";
    }
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    Write("in.csv", TITLE + "a,1,1,\r\n");
    ASSERT_EQ(::mkdir(Path("open").c_str(), 0755), 0);
    ASSERT_EQ(::chown(Path("open").c_str(), NOBODY, NOBODY), 0);
    ASSERT_EQ(::mkdir(Path("closed").c_str(), 0755), 0);
    Write("open/t.mps", "protected");
    Write("closed/t.mps", "old");
    ASSERT_EQ(::chown(Path("closed/t.mps").c_str(), NOBODY, NOBODY), 0);
    Write("open/theirs.mps", "old");  // root replaces it: it stays nobody's
    ASSERT_EQ(::chown(Path("open/theirs.mps").c_str(), NOBODY, NOBODY), 0);
    ASSERT_EQ(Run({"in.csv", "open/theirs.mps", "--existing", "replace"}).nExitCode, 0);
    struct stat before {};
    ASSERT_EQ(::stat(Path("closed/t.mps").c_str(), &before), 0);

    CliResult result = Run({"in.csv", "open/t.mps", "--existing", "replace"}, AS_NOBODY);
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.err, "pathfolio-cli: Fail to open file \"open/t.mps\" (Permission denied)\n");
    EXPECT_EQ(Read("open/t.mps"), "protected");
    EXPECT_EQ(Run({"in.csv", "closed/new.mps"}, AS_NOBODY).err,
              "pathfolio-cli: Fail to open file \"closed/new.mps\" (Permission denied)\n");

    // A writable target in a directory that is not: written in place.
    result = Run({"in.csv", "closed/t.mps", "--existing", "replace", "-q"}, AS_NOBODY);
    EXPECT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_EQ(Read("closed/t.mps").substr(0, 5), "MsRcd");
    struct stat after {};
    ASSERT_EQ(::stat(Path("closed/t.mps").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(::stat(Path("open/theirs.mps").c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, NOBODY);
}

}  // namespace
