#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/PlatformFile.h"
#include "tests/TempDir.h"

namespace {

TEST(PlatformFile, AStagedTargetChangesOnlyOnCommit) {
    CTempDir dir;
    std::string path = dir.File("target.txt");
    WriteBytes(path, "old\n");
    ::chmod(path.c_str(), 0640);

    CPlatformFile replaced;
    ASSERT_TRUE(replaced.OpenStaged(path, OPEN_TARGET_NEW));
    replaced.WriteLine("new");
    ASSERT_TRUE(replaced.Flush());
    EXPECT_EQ(ReadBytes(path), "old\n");
    ASSERT_TRUE(replaced.Commit());
    replaced.Close();
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    CPlatformFile appended;
    ASSERT_TRUE(appended.OpenStaged(path, OPEN_TARGET_APPEND));
    char copied[5] = {};
    ASSERT_EQ(appended.Read(copied, sizeof copied), sizeof copied);  // a copy of the target
    EXPECT_EQ(std::string(copied, sizeof copied), "new\r\n");
    ASSERT_TRUE(appended.Seek(0, CPlatformFile::SeekFrom::End));
    appended.WriteLine("more");
    appended.Close();  // without Commit
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"target.txt"});
}

// A link is followed to the file it names, also one that does not exist yet.
TEST(PlatformFile, ReplacingThroughALinkReplacesTheFileItNames) {
    CTempDir dir;
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    WriteBytes(dir.File("real.txt"), "old");
    struct Case {
        const char* link;
        const char* linkTarget;
        const char* written;
    };
    const Case cases[] = {
        {"link.txt", "real.txt", "real.txt"},
        {"dangling.txt", "sub/new.txt", "sub/new.txt"},
        {"sub/chain.txt", "../link.txt", "real.txt"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(::symlink(c.linkTarget, dir.File(c.link).c_str()), 0);
        CPlatformFile file;
        ASSERT_TRUE(file.OpenStaged(dir.File(c.link), OPEN_TARGET_NEW)) << c.link;
        file.Write(c.link, 3);
        ASSERT_TRUE(file.Commit()) << c.link;
        file.Close();
        EXPECT_EQ(ReadBytes(dir.File(c.written)), std::string(c.link, 3)) << c.link;
    }
}

// The first failure is kept: later writes do nothing and Flush and Commit report it.
TEST(PlatformFile, ErrorsAreStickyAndCommitReportsThem) {
    CPlatformFile full;
    ASSERT_TRUE(full.OpenStaged("/dev/full", OPEN_TARGET_NEW));
    std::string block(100000, 'x');
    full.Write(block.data(), block.size());  // the first buffer's flush fails
    EXPECT_TRUE(full.HasFailed());
    full.WriteLine("more");
    EXPECT_FALSE(full.Flush());
    EXPECT_FALSE(full.Commit());
    EXPECT_EQ(full.ErrorText(), "No space left on device");

    // A rename that fails leaves the staged bytes out of the target's place.
    CTempDir dir;
    std::string path = dir.File("target");
    CPlatformFile staged;
    ASSERT_TRUE(staged.OpenStaged(path, OPEN_TARGET_NEW));
    staged.Write("new", 3);
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);  // a directory cannot be replaced by a file
    EXPECT_FALSE(staged.Commit());
    EXPECT_FALSE(staged.ErrorText().empty());
    staged.Close();
    EXPECT_EQ(dir.List(), std::vector<std::string>{"target"});
}

// Another run's lock on the target is waited for, until the stop flag is set;
// a set flag also ends the copy for an append and a read, and a temporary file
// discarded from another thread cannot be committed.
TEST(PlatformFile, LocksWaitsStopsAndDiscards) {
    CTempDir dir;
    std::string target = dir.File("t.txt");
    WriteBytes(target, "old");
    int fdOther = ::open(target.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fdOther, LOCK_EX), 0);
    std::atomic<bool> bStop{false};
    CPlatformFile file;
    file.SetStopFlag(&bStop);
    std::thread stopper([&bStop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        bStop = true;
    });
    EXPECT_FALSE(file.OpenStaged(target, OPEN_TARGET_NEW));
    stopper.join();
    EXPECT_TRUE(file.WasStopped());
    ::close(fdOther);
    EXPECT_FALSE(file.OpenStaged(target, OPEN_TARGET_APPEND));  // the copy sees the flag
    EXPECT_TRUE(file.WasStopped());
    char byte = 0;
    ASSERT_TRUE(file.Open(target, OPEN_SOURCE));
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_TRUE(file.WasStopped());

    bStop = false;
    ASSERT_TRUE(file.OpenStaged(target, OPEN_TARGET_NEW));
    file.Write("new", 3);
    file.DiscardStaging();
    EXPECT_EQ(dir.List(), std::vector<std::string>{"t.txt"});
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadBytes(target), "old");
}

}  // namespace
