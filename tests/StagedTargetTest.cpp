#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/PlatformFile.h"
#include "tests/FailingDisk.h"
#include "tests/TempDir.h"

namespace {

using namespace std::chrono_literals;

constexpr uid_t NOBODY = 65534;

// The sync of the new bytes comes before the rename, and the directory's after
// it; a sync, a rename or a write that fails leaves the target as it was and
// no temporary file behind.
TEST(StagedTarget, ACommitSyncsBeforeItRenamesAndAFailingDiskLeavesTheTarget) {
    struct Case {
        const char* what;
        int nFsyncErrno;
        int nRenameErrno;
        long nBytesLeft;
        const char* error;
    };
    const Case cases[] = {
        {"sound", 0, 0, -1, ""},
        {"sync fails", EIO, 0, -1, "Input/output error"},
        {"rename fails", 0, EXDEV, -1, "Invalid cross-device link"},
        {"disk full", 0, 0, 70000, "No space left on device"},
    };
    for (const Case& c : cases) {
        CTempDir dir;
        std::string path = dir.File("t.mps");
        WriteBytes(path, "old");
        CFailingDisk disk;
        disk.nFsyncErrno = c.nFsyncErrno;
        disk.nRenameErrno = c.nRenameErrno;
        disk.nBytesLeft = c.nBytesLeft;
        CPlatformFile file;
        ASSERT_TRUE(file.OpenStaged(path, OPEN_TARGET_NEW)) << c.what;
        std::string bytes(100000, 'x');
        file.Write(bytes.data(), bytes.size());
        bool bCommitted = file.Commit();
        std::string error = bCommitted ? "" : file.ErrorText();
        file.Close();
        EXPECT_EQ(error, c.error) << c.what;
        EXPECT_EQ(ReadBytes(path), bCommitted ? bytes : "old") << c.what;
        EXPECT_EQ(dir.List(), std::vector<std::string>{"t.mps"}) << c.what;
        if (bCommitted) {
            ASSERT_EQ(disk.calls.size(), 3u);
            EXPECT_EQ(disk.calls[0].rfind("fsync " + dir.Path() + "/.t.mps.pathfolio-", 0), 0u);
            EXPECT_EQ(disk.calls[1], "rename " + path);
            EXPECT_EQ(disk.calls[2], "fsync " + dir.Path());
        }
    }
}

// Our temporary files have a name of their own: a person's ".t.mps.backup" or
// a tool's ".t.mps.a1B2c3" is never taken for a leftover, and a target whose
// name fills a directory entry can still be staged.
TEST(StagedTarget, OnlyOurOwnLeftoversAreRemovedAndLongNamesFit) {
    CTempDir dir;
    std::string target = dir.File("t.mps");
    WriteBytes(target, "old");
    const std::vector<std::string> theirs = {".t.mps.a1B2c3", ".t.mps.backup",
                                             ".t.mps.pathfolio-held00", ".u.mps.pathfolio-a1B2c3"};
    for (const std::string& name : theirs) {
        WriteBytes(dir.File(name), "x");
    }
    WriteBytes(dir.File(".t.mps.pathfolio-a1B2c3"), "left by a killed run");
    int fdHeld = ::open(dir.File(".t.mps.pathfolio-held00").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fdHeld, LOCK_EX), 0);
    CPlatformFile file;
    ASSERT_TRUE(file.OpenStaged(target, OPEN_TARGET_APPEND));
    file.Close();
    ::close(fdHeld);
    std::vector<std::string> expected = theirs;
    expected.push_back("t.mps");
    EXPECT_EQ(dir.List(), expected);

    for (size_t nLength : {200u, 247u, 255u}) {
        std::string name(nLength, 'n');
        ASSERT_TRUE(file.OpenStaged(dir.File(name), OPEN_TARGET_NEW)) << nLength;
        file.Write("new", 3);
        EXPECT_TRUE(file.Commit()) << nLength << " " << file.ErrorText();
        file.Close();
        EXPECT_EQ(ReadBytes(dir.File(name)), "new") << nLength;
    }
}

// Waits that another user can cause end when the stop flag is set: the lock of
// the target's directory as well as the target's own.
TEST(StagedTarget, TheWaitForTheDirectoryLockEndsAtAStop) {
    CTempDir dir;
    int fdDirectory = ::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(fdDirectory, LOCK_EX), 0);
    std::atomic<bool> bStop{false};
    CPlatformFile file;
    file.SetStopFlag(&bStop);
    auto opened = std::async(std::launch::async,
                             [&] { return file.OpenStaged(dir.File("new.mps"), OPEN_TARGET_NEW); });
    std::this_thread::sleep_for(100ms);
    bStop = true;
    bool bEnded = opened.wait_for(5s) == std::future_status::ready;
    ::close(fdDirectory);  // lets a wait that did not end finish
    EXPECT_TRUE(bEnded);
    EXPECT_FALSE(opened.get());
    EXPECT_TRUE(file.WasStopped());
}

// A target that must be new waits while another run creates it, and then
// finds it there; one that appears by other means before the commit is not
// replaced.
TEST(StagedTarget, ANewTargetThatAppearsMeanwhileIsNeverReplaced) {
    CTempDir dir;
    std::string path = dir.File("new.mps");
    CPlatformFile first;
    ASSERT_TRUE(first.OpenStaged(path, OPEN_TARGET_CREATE));
    first.Write("first", 5);
    CPlatformFile second;
    auto opened =
        std::async(std::launch::async, [&] { return second.OpenStaged(path, OPEN_TARGET_CREATE); });
    EXPECT_EQ(opened.wait_for(200ms), std::future_status::timeout);  // waits for the first
    ASSERT_TRUE(first.Commit());
    first.Close();
    EXPECT_FALSE(opened.get());
    EXPECT_TRUE(second.TargetAppeared());

    std::string other = dir.File("other.mps");
    ASSERT_TRUE(first.OpenStaged(other, OPEN_TARGET_CREATE));
    first.Write("mine", 4);
    WriteBytes(other, "theirs");
    EXPECT_FALSE(first.Commit());
    EXPECT_TRUE(first.TargetAppeared());
    first.Close();
    EXPECT_EQ(ReadBytes(other), "theirs");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"new.mps", "other.mps"}));
    EXPECT_EQ(ReadBytes(path), "first");
}

// Discarding says whether the target is still as it was: not after the rename,
// nor once a target written in place (its directory refused the temporary
// file) has had its first write; before that, nothing is written at all.
TEST(StagedTarget, DiscardingSaysWhetherTheTargetIsStillAsItWas) {
    CTempDir dir;
    std::string path = dir.File("t.txt");
    const std::string old(1000, 'o');
    WriteBytes(path, old);
    CPlatformFile file;
    ASSERT_TRUE(file.OpenStaged(path, OPEN_TARGET_NEW));
    file.Write("new", 3);
    ASSERT_TRUE(file.Commit());
    EXPECT_FALSE(file.DiscardStaging());
    file.Close();
    EXPECT_EQ(ReadBytes(path), "new");

    WriteBytes(path, old);
    CFailingDisk disk;
    disk.nMkostempErrno = EACCES;
    ASSERT_TRUE(file.OpenStaged(path, OPEN_TARGET_NEW));
    file.Write("new", 3);
    EXPECT_TRUE(file.DiscardStaging());
    EXPECT_FALSE(file.Commit());
    file.Close();
    EXPECT_EQ(ReadBytes(path), old);

    ASSERT_TRUE(file.OpenStaged(path, OPEN_TARGET_NEW));
    std::string bytes(100000, 'n');
    file.Write(bytes.data(), bytes.size());  // a buffer's worth goes to the target
    EXPECT_FALSE(file.DiscardStaging());
    EXPECT_TRUE(file.Commit());
    file.Close();
    EXPECT_EQ(ReadBytes(path), bytes);
}

// A name that a link of the system's own leads to a pipe (/dev/stdout) is
// refused for what it is.
TEST(StagedTarget, APipeBehindALinkIsNotARegularFile) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    CPlatformFile file;
    EXPECT_FALSE(file.OpenStaged("/proc/self/fd/" + std::to_string(fds[1]), OPEN_TARGET_NEW));
    EXPECT_EQ(file.ErrorText(), "Not a regular file");
    ::close(fds[0]);
    ::close(fds[1]);
}

// In a sticky directory that everyone may write, a link planted by another
// user is not followed; the person's own is.
TEST(StagedTarget, ALinkPlantedInAStickyDirectoryIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant a link as another user";
    }
    CTempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 01777), 0);
    WriteBytes(dir.File("victim"), "precious");
    ASSERT_EQ(::symlink("victim", dir.File("planted.mps").c_str()), 0);
    ASSERT_EQ(::lchown(dir.File("planted.mps").c_str(), NOBODY, NOBODY), 0);
    ASSERT_EQ(::symlink("mine", dir.File("own.mps").c_str()), 0);
    CPlatformFile file;
    EXPECT_FALSE(file.OpenStaged(dir.File("planted.mps"), OPEN_TARGET_NEW));
    EXPECT_EQ(file.ErrorText(), "Permission denied");
    EXPECT_EQ(ReadBytes(dir.File("victim")), "precious");
    ASSERT_TRUE(file.OpenStaged(dir.File("own.mps"), OPEN_TARGET_NEW));
    file.Write("new", 3);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(dir.File("mine")), "new");
}

}  // namespace
