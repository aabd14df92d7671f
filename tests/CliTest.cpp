// Runs pathfolio-cli as a process on files in a fresh directory.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"
#include "files/Coordinates.h"
#include "job/Converter.h"
#include "tests/MapSourceBytes.h"
#include "tests/TempDir.h"

namespace {

struct CliResult {
    int nExitCode = -1;
    std::string err;  // standard error and output
};

enum RunHow : unsigned {
    AS_ROOT_OR_SELF = 0,
    AS_NOBODY = 1,
    INTERRUPT_PENDING = 2,
    STANDARD_CLOSED = 4,    // standard input, output and error closed
    INTERRUPT_IGNORED = 8,  // SIGINT ignored by whoever started it
};
constexpr unsigned NOBODY = 65534;

// The converter, copied where any user can run it: the build may sit in a
// directory that only its owner can enter (/root).
const std::string& ProgramForAnyone() {
    static CTempDir reachable;
    static std::string program = [] {
        std::string copy = reachable.File("pathfolio-cli");
        std::filesystem::copy_file(PATHFOLIO_CLI_PATH, copy);
        ::chmod(reachable.Path().c_str(), 0755);
        ::chmod(copy.c_str(), 0755);
        return copy;
    }();
    return program;
}

class Cli : public ::testing::Test {
protected:
    // Starts pathfolio-cli in the test's directory, which is also its home.
    // Its messages go to a file, or to fdErr when that is set.
    pid_t Start(std::vector<std::string> args, unsigned nHow = AS_ROOT_OR_SELF) {
        std::string program = (nHow & AS_NOBODY) ? ProgramForAnyone() : PATHFOLIO_CLI_PATH;
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = fdErr >= 0
                         ? fdErr
                         : ::open(ErrPath(::getpid()).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            ::dup2(fd, STDERR_FILENO);
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
            if (nHow & STANDARD_CLOSED) {
                for (int fdStandard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
                    ::close(fdStandard);
                }
            }
            if (nHow & INTERRUPT_IGNORED) {
                ::signal(SIGINT, SIG_IGN);  // kept across exec
            }
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
            std::vector<char*> argv = {program.data()};
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            if (bReady) {
                ::execv(program.c_str(), argv.data());
            }
            ::_exit(127);
        }
        return pid;
    }

    // Waits for the process, killing it after 30 seconds (a hang fails the test).
    CliResult Finish(pid_t pid) {
        int nStatus = 0;
        for (int i = 0; ::waitpid(pid, &nStatus, WNOHANG) == 0; ++i) {
            if (i == 3000) {
                ::kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        CliResult result;
        result.nExitCode = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
        result.err = ReadBytes(ErrPath(pid));
        ::unlink(ErrPath(pid).c_str());
        return result;
    }

    CliResult Run(std::vector<std::string> args, unsigned nHow = AS_ROOT_OR_SELF) {
        return Finish(Start(std::move(args), nHow));
    }

    // Waits until the run's main thread waits for its stop signals, so that a
    // signal sent now is the run's to handle, not the default action of a run
    // still starting up. Where the system does not say what a process waits
    // in, two seconds stand in for it.
    static void WaitUntilStopSignalsAreTaken(pid_t pid) {
        const std::string wchan = "/proc/" + std::to_string(pid) + "/wchan";
        for (int i = 0; i < 200; ++i) {
            if (ReadBytes(wchan).find("sigtimedwait") != std::string::npos) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // Locks a file as another run would, until the returned descriptor is closed.
    int Lock(const std::string& name) {
        int fd = ::open(Path(name).c_str(), O_RDONLY | O_CLOEXEC);  // not held by the runs
        EXPECT_EQ(::flock(fd, LOCK_EX), 0);
        return fd;
    }

    std::string ErrPath(pid_t pid) { return dir.File(".stderr" + std::to_string(pid)); }
    // How many rows a text file has.
    size_t Rows(const std::string& name) {
        std::string text = Read(name);
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    std::string Path(const std::string& name) { return dir.File(name); }
    void Write(const std::string& name, const std::string& bytes) { WriteBytes(Path(name), bytes); }
    std::string Read(const std::string& name) { return ReadBytes(Path(name)); }

    CTempDir dir;
    int fdErr = -1;
};

const std::string TITLE = "NAME,LATITUDE,LONGITUDE,COMMENT\r\n";

// a.csv and b.csv, with waypoints a0, a1, ... and b0, b1, ...
void WriteTwoSources(const CTempDir& dir, int nCount) {
    for (std::string name : {"a", "b"}) {
        std::string rows = TITLE;
        for (int i = 0; i < nCount; ++i) {
            rows += name + std::to_string(i) + ",1,1,\r\n";
        }
        WriteBytes(dir.File(name + ".csv"), rows);
    }
}

std::string OneWaypoint(const std::string& name) {
    return mps::File(mps::Record(name, "", DegreesToSemicircles(1), DegreesToSemicircles(2)));
}

// Comments survive a round trip through text byte for byte.
TEST_F(Cli, CommentsSurviveARoundTripThroughText) {
    std::string records;
    for (const char* comment :
         {"water, wood", "say \"hi\", \"\"", "two\r\nlines", "cr\rlf\n\x1a"}) {
        records += mps::Record("p" + std::to_string(records.size()), comment,
                               DegreesToSemicircles(32.5), DegreesToSemicircles(-117.25));
    }
    Write("comments.mps", mps::File(records));
    CliResult quiet = Run({"comments.mps", "comments.csv", "-q"});
    ASSERT_EQ(quiet.nExitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    CliResult back = Run({"comments.csv", "back.mps"});
    EXPECT_EQ(back.err,
              "pathfolio-cli: The operation has completed successfully (file "
              "\"back.mps\" is ready)\n  Waypoints read: 4, written: 4\n");
    EXPECT_EQ(Read("back.mps"), mps::File(records));
}

// Accented text from UTF-8 reaches the MapSource file as Windows-1252 and comes
// back with every character that Windows-1252 has; what it lacks is replaced
// and counted. A Windows-1252 text file gives the bytes it always gave.
TEST_F(Cli, AccentsTravelThroughMapSourceInWindows1252) {
    const int32_t nLat = DegreesToSemicircles(47.3769);
    const int32_t nLon = DegreesToSemicircles(8.5417);
    Write("utf8.csv", TITLE +
                          "zurich,47.3769,8.5417,Gr\xC3\xBC"
                          "ezi \xC5\x93uvre \xE2\x82\xAC\r\n" +
                          "lodz,47.3769,8.5417,\xC5\x82\xC3\xB3"
                          "d\xC5\xBA\r\n");
    CliResult result = Run({"utf8.csv", "utf8.mps"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_NE(result.err.find("Characters replaced by their closest plain letter or '?': 2"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(Read("utf8.mps"), mps::File(mps::Record("zurich",
                                                      "gr\xFC"
                                                      "ezi \x9Cuvre \x80",
                                                      nLat, nLon) +
                                          mps::Record("lodz",
                                                      "l\xF3"
                                                      "dz",
                                                      nLat, nLon)));
    ASSERT_EQ(Run({"utf8.mps", "back.csv", "-q"}).nExitCode, 0);
    EXPECT_EQ(Read("back.csv"), TITLE +
                                    "zurich,47.376900,8.541700,gr\xC3\xBC"
                                    "ezi \xC5\x93uvre \xE2\x82\xAC\r\n" +
                                    "lodz,47.376900,8.541700,l\xC3\xB3"
                                    "dz\r\n");

    // Every byte a comment may hold in Windows-1252 (lower case, as stored), as it was.
    std::string bytes;
    for (int c = 0x20; c < 0x100; ++c) {
        bytes.push_back(c == ',' || c == '"' || (c >= 'A' && c <= 'Z') ? '.'
                                                                       : static_cast<char>(c));
    }
    for (char& c : bytes) {  // capitals of the code page are lowered on the way in
        auto u = static_cast<unsigned char>(c);
        c = u == 0x8A || u == 0x8C || u == 0x8E || (u >= 0xC0 && u <= 0xDE && u != 0xD7) ? '.' : c;
    }
    bytes[0x9F - 0x20] = '.';
    std::string rows;
    std::string records;
    for (size_t i = 0; i < bytes.size(); i += 40) {
        std::string name = "w" + std::to_string(i);
        rows += name + ",47.3769,8.5417," + bytes.substr(i, 40) + "\r\n";
        records += mps::Record(name, bytes.substr(i, 40), nLat, nLon);
    }
    Write("1252.csv", TITLE + rows);
    ASSERT_EQ(Run({"1252.csv", "1252.mps", "-q"}).nExitCode, 0);
    EXPECT_EQ(Read("1252.mps"), mps::File(records));
}

// What spreadsheet programs in German, French or Italian settings save: a
// semicolon file with decimal commas and notes, read by its title row,
// converted to MapSource and back to the same bytes.
TEST_F(Cli, SemicolonsAndDecimalCommasBothWaysAndBack) {
    const std::string semicolons =
        "NAME;LATITUDE;LONGITUDE;COMMENT\r\n"
        "geneve;46,204400;6,143200;\"l\xC3\xA9man; jet d'eau\"\r\n"
        "zermatt;46,020700;7,749100;\r\n";
    Write("in.csv", semicolons);
    CliResult result = Run({"in.csv", "out.mps", "--columns", "auto"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    result = Run({"out.mps", "back.csv", "--columns", "A,B,C,D", "--first-row", "2", "--delimiter",
                  "semicolon", "--decimal-comma", "-q"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_EQ(Read("back.csv"), semicolons);

    Write("notes.txt", "Lat\tLon\tNotes\r\n1\t2\tx\r\n");
    result = Run({"notes.txt", "notes.mps", "--columns", "auto"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.err,
              "pathfolio-cli: --columns auto: The first line of \"notes.txt\": no title for the "
              "name (name, title, ident)\n");
}

// Out-of-range coordinates from any kind of file, and names that need
// cleaning, are settled by their options (a name that cleaning empties is
// discarded); the summary accounts for each row.
TEST_F(Cli, RangesNotationsAndCleanNamesWithTheirSummary) {
    Write("far.mps",
          mps::File(mps::Record("ok", "", DegreesToSemicircles(1), DegreesToSemicircles(2)) +
                    mps::Record("pole", "", DegreesToSemicircles(100), DegreesToSemicircles(2))));
    CliResult result = Run({"far.mps", "far.csv"});
    EXPECT_NE(result.err.find("\"pole\", waypoint record 2 of \"far.mps\": Waypoint latitude "
                              "is invalid (100.000000 is beyond 90 degrees)\n"),
              std::string::npos)
        << result.err;
    result = Run({"far.mps", "far.csv", "--on-bad-coordinate", "discard"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_NE(
        result.err.find("  Waypoints read: 2, written: 1\n  Discarded: 1 (1 invalid latitude)\n"),
        std::string::npos)
        << result.err;
    EXPECT_EQ(Read("far.csv"), TITLE + "ok,1.000000,2.000000,\r\n");

    Write("in.txt",
          "Name\tLatitude\tLongitude\r\n"
          "Sant Juli\xC3\xA0 de L\xC3\xB2ria\tN 42\xC2\xB0 27.82'\tE 1\xC2\xB0 29' 24\"\r\n"
          "St. Mary's\t45 30 15 S\t-122.5\r\n"
          "St Marys\t4007.38N\t1\r\n"
          "Sant Julia de Loria\t91\t1\r\n"
          "\xE5\x9F\x8E\xE9\x83\x8A\t1\t1\r\n");
    result = Run({"in.txt", "out.mps", "--columns", "auto", "--on-bad-name", "clean",
                  "--on-duplicate", "suffix", "--on-bad-coordinate", "discard"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_NE(result.err.find("  Waypoints read: 5, written: 2\n  Changed: 3 cleaned\n"
                              "  Discarded: 3 (1 empty name, 2 invalid latitude)\n"),
              std::string::npos)
        << result.err;
    ASSERT_EQ(Run({"out.mps", "out.csv", "-q"}).nExitCode, 0);
    EXPECT_EQ(Read("out.csv"), TITLE + "sant julia de loria,42.463667,1.490000,\r\n" +
                                   "st marys,-45.504167,-122.500000,\r\n");
}

TEST_F(Cli, AnExistingTargetIsLeftAloneUnlessTheCommandSaysWhatToDo) {
    Write("a.mps", OneWaypoint("a"));
    Write("t.csv", TITLE + "b,3.000000,4.000000,\r\n");
    CliResult refused = Run({"a.mps", "t.csv"});
    EXPECT_EQ(refused.nExitCode, 1);
    EXPECT_NE(refused.err.find("\"t.csv\" already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(Read("t.csv"), TITLE + "b,3.000000,4.000000,\r\n");
}

// Each answer word of each option settles its faults for good (clean, which has
// nothing to work on in an empty name, discards it); other faults stay open.
// Across the first two command lines every option gives a different answer.
TEST(CliOptions, AnswerWordsSettleTheFaultsOfTheirOption) {
    using R = Resolution;
    const WaypointError all[] = {WaypointError::NameExists,      WaypointError::NameTooLong,
                                 WaypointError::NameEmpty,       WaypointError::NameNotAlphanumeric,
                                 WaypointError::LatitudeInvalid, WaypointError::LongitudeInvalid};
    struct Case {
        std::vector<std::string> args;
        R expected[6];  // for each of all; None: left open
    };
    const Case cases[] = {
        {{"--on-duplicate", "suffix", "--on-long-name", "truncate", "--on-bad-name", "discard",
          "--on-bad-coordinate", "abort"},
         {R::AddSuffix, R::Truncate, R::Discard, R::Discard, R::Abort, R::Abort}},
        {{"--on-duplicate", "Overwrite", "--on-long-name", "discard", "--on-bad-name", "abort",
          "--on-bad-coordinate", "discard"},
         {R::Overwrite, R::Discard, R::Abort, R::Abort, R::Discard, R::Discard}},
        {{"--on-duplicate", "discard", "--on-long-name", "ABORT", "--on-bad-name", "clean"},
         {R::Discard, R::Abort, R::Discard, R::Clean, R::None, R::None}},
        {{"--on-duplicate", "abort"}, {R::Abort, R::None, R::None, R::None, R::None, R::None}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"pathfolio-cli", "in.csv", "out.mps"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        CCliOptions options;
        int nExitCode = -1;
        ASSERT_TRUE(
            ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options, nExitCode))
            << c.args[1];
        ConversionRequest request = RequestFor(options, CTextTemplate::DefaultLayout());
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(request.answers[static_cast<size_t>(all[i])], c.expected[i])
                << c.args[1] << i;
        }
    }
}

// The message names the waypoint, its line and the fault, then the option that
// settles the fault; it shows only the start of a long name and escapes control
// characters. An abort answer says the same without the option.
TEST_F(Cli, AnUnsettledFaultStopsAndSaysWhichOptionSettlesIt) {
    Write("in.csv", TITLE + "ok,1,1,\r\nbad.\x1Bname,1,1,\r\n");
    Write("out.mps", "old bytes");
    CliResult result = Run({"in.csv", "out.mps", "--existing", "replace"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.err,
              "pathfolio-cli: Stopped at waypoint \"bad.\\x1Bname\", line 3 of \"in.csv\": "
              "Waypoint name contain one or more non-alphanumeric characters\n"
              "pathfolio-cli: settle it with --on-bad-name clean|discard|abort\n");
    EXPECT_EQ(Read("out.mps"), "old bytes");
    result = Run({"in.csv", "out.mps", "--existing", "replace", "--on-bad-name", "abort"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.err,
              "pathfolio-cli: Stopped at waypoint \"bad.\\x1Bname\", line 3 of \"in.csv\": "
              "Waypoint name contain one or more non-alphanumeric characters\n");

    Write("long.csv", TITLE + std::string(100000, 'x') + ",1,1,\r\n");
    result = Run({"long.csv", "new.mps"});
    EXPECT_EQ(result.err.rfind("pathfolio-cli: Stopped at waypoint \"" + std::string(60, 'x') +
                                   "...\", line 2 of \"long.csv\": ",
                               0),
              0u)
        << result.err.substr(0, 200);
    EXPECT_NE(result.err.find("settle it with --on-long-name truncate|discard|abort"),
              std::string::npos);
    EXPECT_FALSE(FileExists(Path("new.mps")));
}

// GPX is a kind of its own: every direction works, elevation and symbol
// travel between MapSource and GPX, and a GPX target is appended to in place.
TEST_F(Cli, GpxInEveryDirection) {
    Write("attrs.mps", mps::Sample("attrs-v5.mps"));
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"attrs.mps", "a.gpx"},
                                               {"a.gpx", "b.mps"},
                                               {"b.mps", "c.gpx"},
                                               {"c.gpx", "c.csv"},
                                               {"c.csv", "d.gpx"},
                                               {"d.gpx", "d.txt"}}) {
        CliResult result = Run(args);
        ASSERT_EQ(result.nExitCode, 0) << args[0] << " " << result.err;
    }
    EXPECT_EQ(Read("c.gpx"), Read("a.gpx"));  // a fixed point: nothing lost on the way
    EXPECT_NE(Read("a.gpx").find("    <ele>120.5</ele>\n    <name>home</name>\n"),
              std::string::npos);
    EXPECT_NE(Read("a.gpx").find("<sym>Parking Area</sym>"), std::string::npos);
    EXPECT_EQ(Read("d.txt"), Read("c.csv"));

    const std::string tracks = "<trk><name>walk</name></trk>\n</gpx>\n";
    Write("walks.gpx", "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n" + tracks);
    ASSERT_EQ(Run({"c.csv", "walks.gpx", "--existing", "append", "-q"}).nExitCode, 0);
    std::string walks = Read("walks.gpx");
    EXPECT_EQ(walks.substr(walks.size() - tracks.size()), tracks);
    EXPECT_NE(walks.find("<name>cafe_one</name>"), std::string::npos);

    Write("cut.gpx", Read("a.gpx").substr(0, 300));
    CliResult cut = Run({"cut.gpx", "walks.mps"});
    EXPECT_EQ(cut.nExitCode, 1);
    EXPECT_EQ(cut.err,
              "pathfolio-cli: File \"cut.gpx\" cannot be read as GPX at line 3: unclosed token\n");
    EXPECT_FALSE(FileExists(Path("walks.mps")));
}

TEST_F(Cli, UsageErrors) {
    Write("in.csv", TITLE);
    const std::vector<std::string> cases[] = {
        {"in.csv"},
        {"in.csv", "out.txt"},
        {"a.mps", "b.MPS"},
        {"a.Gpx", "b.gpx"},
        {"in.csv", "out.mps", "--delimiter", "tab"},
        {"in.csv", "out.mps", "--columns", "A,B,C"},
        {"in.csv", "out.mps", "--columns", "A,B,C,D", "--first-row", "70000"},
        {"in.csv", "out.mps", "--on-bad-coordinate", "suffix"},
        {"in.csv", "out.mps", "--template", "nothing stored"},
        {"in.csv", "out.mps", "--columns", ""},
    };
    for (const std::vector<std::string>& args : cases) {
        CliResult result = Run(args);
        EXPECT_EQ(result.nExitCode, 2) << args.back() << result.err;
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

// Pipes and devices as source, and pipes as target, are refused at once instead
// of blocking; devices stay allowed as targets.
TEST_F(Cli, FailuresToOpenSayWhyAndPipesNeverBlock) {
    Write("in.csv", TITLE + "a,1,1,\r\n");
    Write("in.mps", OneWaypoint("a"));
    ASSERT_EQ(::mkfifo(Path("pipe.csv").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(Path("pipe.mps").c_str(), 0644), 0);
    const std::vector<std::string> failures[] = {
        {"nowhere.csv", "out.mps", "Fail to open file \"nowhere.csv\" (No such file or directory)"},
        {"pipe.csv", "out.mps", "Fail to open file \"pipe.csv\" (Not a regular file)"},
        {"/dev/zero", "out.mps", "Fail to open file \"/dev/zero\" (Not a regular file)"},
        {"in.csv", "pipe.mps", "Fail to open file \"pipe.mps\" (Not a regular file)"},
    };
    for (const std::vector<std::string>& c : failures) {
        CliResult result = Run({c[0], c[1], "--existing", "replace"});
        EXPECT_EQ(result.nExitCode, 1) << c[2];
        EXPECT_EQ(result.err, "pathfolio-cli: " + c[2] + "\n");
    }
    EXPECT_FALSE(FileExists(Path("out.mps")));
    EXPECT_EQ(Run({"in.mps", "/dev/null", "--existing", "replace", "-q"}).nExitCode, 0);
}

// Waiting for the target that another run holds, the run is stopped by a
// signal (or two): it exits with 128 + the first signal's number and leaves the
// target as it was, without a temporary file.
TEST_F(Cli, ASignalStopsTheRunAndSetsTheExitCode) {
    Write("in.csv", TITLE + "a,1,1,\r\n");
    const std::string original = OneWaypoint("b");
    Write("t.mps", original);
    int fdOther = Lock("t.mps");
    const std::pair<int, int> cases[] = {{SIGINT, 1}, {SIGTERM, 1}, {SIGHUP, 1}, {SIGINT, 2}};
    for (auto [nSignal, nTimes] : cases) {
        pid_t pid = Start({"in.csv", "t.mps", "--existing", "append"});
        WaitUntilStopSignalsAreTaken(pid);
        for (int i = 0; i < nTimes; ++i) {
            ::kill(pid, nSignal);
        }
        CliResult result = Finish(pid);
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
    WriteTwoSources(dir, 500);
    const std::string first = OneWaypoint("first");
    Write("t.mps", first);
    int fdOther = Lock("t.mps");
    pid_t a = Start({"a.csv", "t.mps", "--existing", "append"});
    pid_t b = Start({"b.csv", "t.mps", "--existing", "append"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Read("t.mps"), first);  // both wait
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

// Two runs that create one new target at once: the second finds the first's
// file and, told to append, adds its waypoints to it; otherwise it says that
// the target exists. No waypoint is lost, and no run claims work it dropped.
TEST_F(Cli, RunsCreatingOneTargetAtOnceLoseNothing) {
    WriteTwoSources(dir, 500);
    for (bool bAppend : {true, false}) {
        std::vector<std::string> options;
        if (bAppend) {
            options = {"--existing", "append"};
        }
        // Both runs meet at the directory's lock, before either has a file.
        int fdDirectory = ::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_EQ(::flock(fdDirectory, LOCK_EX), 0);
        std::vector<std::string> args[2] = {{"a.csv", "t.mps"}, {"b.csv", "t.mps"}};
        pid_t pids[2];
        for (int i = 0; i < 2; ++i) {
            args[i].insert(args[i].end(), options.begin(), options.end());
            pids[i] = Start(args[i]);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(fdDirectory);
        CliResult results[2] = {Finish(pids[0]), Finish(pids[1])};
        int nSucceeded = (results[0].nExitCode == 0) + (results[1].nExitCode == 0);
        ASSERT_EQ(Run({"t.mps", "back.csv", "--existing", "replace", "-q"}).nExitCode, 0);
        if (bAppend) {
            EXPECT_EQ(nSucceeded, 2) << results[0].err << results[1].err;
            EXPECT_EQ(Rows("back.csv"), 1u + 1000u);
        } else {
            EXPECT_EQ(nSucceeded, 1) << results[0].err << results[1].err;
            EXPECT_NE((results[0].err + results[1].err).find("\"t.mps\" already exists"),
                      std::string::npos);
            EXPECT_EQ(Rows("back.csv"), 1u + 500u);
        }
        ::unlink(Path("t.mps").c_str());
    }
}

// Started with standard input, output and error closed (by cron, say), the
// run's files do not take their numbers, so no message lands in the target.
TEST_F(Cli, ClosedStandardDescriptorsNeverReceiveTheMessages) {
    Write("a.mps", OneWaypoint("a"));
    ASSERT_EQ(Run({"a.mps", "expected.csv"}).nExitCode, 0);
    EXPECT_EQ(Run({"a.mps", "new.csv"}, STANDARD_CLOSED).nExitCode, 0);
    EXPECT_EQ(Read("new.csv"), Read("expected.csv"));
}

// A signal while the run waits for the template store's lock, before the job,
// ends it as one during the job does; also one that whoever started the run
// ignored (the run is told to stop all the same, never left to go on).
TEST_F(Cli, ASignalBeforeTheJobEndsTheRunWithItsMessage) {
    Write("in.txt", "1\t2\tname\tnote\n");
    Write("PathfolioTemplates.dat", "");
    int fdStore = Lock("PathfolioTemplates.dat");
    for (unsigned nHow : {AS_ROOT_OR_SELF, INTERRUPT_IGNORED}) {
        pid_t pid = Start({"in.txt", "new.mps", "--columns", "C,A,B,D", "--delimiter", "tab",
                           "--save-template", "saved"},
                          nHow);
        WaitUntilStopSignalsAreTaken(pid);
        ::kill(pid, SIGINT);
        CliResult result = Finish(pid);
        EXPECT_EQ(result.nExitCode, 128 + SIGINT) << nHow;
        EXPECT_EQ(result.err, "pathfolio-cli: interrupted; \"new.mps\" was left as it was\n")
            << nHow;
    }
    ::close(fdStore);
    EXPECT_EQ(Read("PathfolioTemplates.dat"), "");
    EXPECT_FALSE(FileExists(Path("new.mps")));
}

// A second signal after the new file was renamed over the target cannot leave
// the target as it was any more: the run finishes and says what it did. The
// run is held in its success message by a full pipe on its standard error.
TEST_F(Cli, ASecondSignalAfterTheRenameLetsTheRunSayWhatItDid) {
    Write("in.csv", TITLE + "a,1,1,\r\n");
    const std::string original = OneWaypoint("b");
    Write("t.mps", original);
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ASSERT_EQ(::fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
    const std::string filler(4096, '.');
    while (::write(fds[1], filler.data(), filler.size()) > 0) {
    }
    ASSERT_EQ(::fcntl(fds[1], F_SETFL, 0), 0);  // the run's writes wait for room
    fdErr = fds[1];
    pid_t pid = Start({"in.csv", "t.mps", "--existing", "append"});
    ::close(fds[1]);
    for (int i = 0; i < 3000 && Read("t.mps") == original; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(Read("t.mps"), original);
    ::kill(pid, SIGINT);
    ::kill(pid, SIGTERM);
    std::string err;
    char chunk[4096];
    pollfd readable = {fds[0], POLLIN, 0};
    while (::poll(&readable, 1, 30000) > 0) {
        ssize_t nRead = ::read(fds[0], chunk, sizeof chunk);
        if (nRead <= 0) {
            break;
        }
        err.append(chunk, static_cast<size_t>(nRead));
    }
    ::close(fds[0]);
    CliResult result = Finish(pid);
    err.erase(0, err.find_first_not_of('.'));
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_EQ(err,
              "pathfolio-cli: " + SuccessMessage("t.mps") + "  Waypoints read: 1, written: 1\n");
}

// A target written in place (its directory refuses a temporary file) is
// changed by its first write: signals that come after it let the write run to
// its end, so the target is whole, and the run says so.
TEST_F(Cli, SignalsDuringAnInPlaceWriteLeaveTheTargetWhole) {
    unsigned nHow = AS_ROOT_OR_SELF;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("closed").c_str(), 0755), 0);
    const std::string original = OneWaypoint("b");
    Write("closed/t.mps", original);
    if (::geteuid() == 0) {
        nHow = AS_NOBODY;  // root may write any directory
        ASSERT_EQ(::chown(Path("closed/t.mps").c_str(), NOBODY, NOBODY), 0);
    } else {
        ASSERT_EQ(::chmod(Path("closed").c_str(), 0555), 0);
    }
    const size_t nCount = 300000;
    std::string rows = TITLE;
    for (size_t i = 0; i < nCount; ++i) {
        rows += "w" + std::to_string(i) + ",1,1,\r\n";
    }
    Write("in.csv", rows);
    pid_t pid = Start({"in.csv", "closed/t.mps", "--existing", "replace"}, nHow);
    struct stat status {};
    for (int i = 0; i < 30000 && ::stat(Path("closed/t.mps").c_str(), &status) == 0 &&
                    static_cast<size_t>(status.st_size) == original.size();
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Both signals come at once, in the middle of the write.
    ::kill(pid, SIGSTOP);
    ::kill(pid, SIGINT);
    ::kill(pid, SIGTERM);
    ::kill(pid, SIGCONT);
    CliResult result = Finish(pid);
    ::chmod(Path("closed").c_str(), 0755);
    EXPECT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_EQ(result.err, "pathfolio-cli: " + SuccessMessage("closed/t.mps") +
                              "  Waypoints read: " + std::to_string(nCount) +
                              ", written: " + std::to_string(nCount) + "\n");
    ASSERT_EQ(Run({"closed/t.mps", "back.csv", "-q"}).nExitCode, 0);
    EXPECT_EQ(Rows("back.csv"), 1 + nCount);
}

}  // namespace
