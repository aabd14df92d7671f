#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Small reads come from the file's buffer and large ones straight from the
// system; mixed, and after a write that is still buffered, they read the
// bytes in order, up to a short read at the end.
TEST(PlatformFile, ReadsOfAnySizeSeeTheBytesInOrder) {
    CTempDir dir;
    std::string path = dir.File("bytes.bin");
    std::string bytes;
    for (int i = 0; i < 300000; ++i) {
        bytes.push_back(static_cast<char>(i * 7 + i / 251));
    }
    WriteBytes(path, bytes);
    CPlatformFile file;
    ASSERT_TRUE(file.OpenStaged(path, OPEN_TARGET_APPEND));
    file.Write("written", 7);  // buffered: a read must see it
    ASSERT_TRUE(file.Seek(0, CPlatformFile::SeekFrom::Begin));
    std::string expected = "written" + bytes.substr(7);
    size_t nOffset = 0;
    for (size_t nSize : {size_t{1}, size_t{70000}, size_t{3}, size_t{65536}, size_t{200000}}) {
        std::string read(nSize, '\0');
        size_t nRead = file.Read(read.data(), nSize);
        ASSERT_EQ(read.substr(0, nRead), expected.substr(nOffset, nSize)) << nSize;
        nOffset += nRead;
        EXPECT_EQ(file.GetPosition(), nOffset);
    }
    EXPECT_EQ(nOffset, expected.size());
    EXPECT_FALSE(file.HasFailed());
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

// Bytes placed in write space land in order with written ones, across buffer
// boundaries; space larger than a buffer, or on a failed file, is refused.
TEST(PlatformFile, WriteSpaceKeepsTheOrderOfWrites) {
    CTempDir dir;
    std::string path = dir.File("spaced.bin");
    CPlatformFile file;
    ASSERT_TRUE(file.OpenStaged(path, OPEN_TARGET_NEW));
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        std::string piece(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
        if (i % 3 == 0) {
            file.Write(piece.data(), piece.size());
        } else {
            char* pSpace = file.WriteSpace(piece.size());
            ASSERT_NE(pSpace, nullptr);
            piece.copy(pSpace, piece.size());
        }
        expected += piece;
    }
    EXPECT_EQ(file.WriteSpace(1 << 20), nullptr);
    EXPECT_EQ(file.GetPosition(), expected.size());
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(path), expected);

    CPlatformFile full;
    ASSERT_TRUE(full.OpenStaged("/dev/full", OPEN_TARGET_NEW));
    for (int i = 0; i < 100 && !full.HasFailed(); ++i) {
        if (char* pSpace = full.WriteSpace(1000)) {
            std::fill(pSpace, pSpace + 1000, 'x');
        }
    }
    EXPECT_TRUE(full.HasFailed());
    EXPECT_EQ(full.WriteSpace(1), nullptr);
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
