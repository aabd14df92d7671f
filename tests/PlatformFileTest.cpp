#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/PlatformFile.h"
#include "tests/TempDir.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
    CPlatformFile file;
    EXPECT_TRUE(file.Open(path, OPEN_SOURCE));
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadLine(line)) {
        lines.push_back(line);
    }
    EXPECT_FALSE(file.HasFailed());
    return lines;
}

TEST(PlatformFile, LinesLongerThanTheBufferAndLineEndsAcrossItsEdge) {
    CTempDir dir;
    std::string path = dir.File("long.txt");
    std::string longLine(200000, 'x');
    std::string nearEdge(65535,
                         'y');  // its CR is the buffer's last byte, its LF the next one's first
    WriteBytes(path, longLine + "\r\n" + nearEdge + "\r\nend");
    EXPECT_EQ(Lines(path), (std::vector<std::string>{longLine, nearEdge, "end"}));
}

TEST(PlatformFile, ReadUntilStopsOnTheStopByteAcrossTheBufferEdge) {
    CTempDir dir;
    std::string path = dir.File("strings.bin");
    std::string first(65530, 'a');
    WriteBytes(path, first + '\0' + "0123456789" + '\0' + std::string(300, 'z'));
    CPlatformFile file;
    ASSERT_TRUE(file.Open(path, OPEN_SOURCE));
    std::string text;
    ASSERT_TRUE(file.ReadUntil('\0', text, 70000));
    EXPECT_EQ(text, first);
    EXPECT_EQ(file.GetPosition(), 65530u);
    ASSERT_TRUE(file.Seek(1, CPlatformFile::SeekFrom::Current));
    ASSERT_TRUE(file.ReadUntil('\0', text, 10));  // exactly the limit
    EXPECT_EQ(text, "0123456789");
    ASSERT_TRUE(file.Seek(1, CPlatformFile::SeekFrom::Current));
    EXPECT_FALSE(file.ReadUntil('\0', text, 256));  // over the limit
    ASSERT_TRUE(file.Seek(-300, CPlatformFile::SeekFrom::End));
    EXPECT_FALSE(file.ReadUntil('\0', text, 1000));  // the file ends first
    EXPECT_FALSE(file.HasFailed());
}

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
    std::string line;
    ASSERT_TRUE(appended.ReadLine(line));
    EXPECT_EQ(line, "new");
    ASSERT_TRUE(appended.Seek(0, CPlatformFile::SeekFrom::End));
    appended.WriteLine("more");
    appended.Close();  // without Commit
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"target.txt"});
}

TEST(PlatformFile, ReplacingThroughALinkReplacesTheFileItNames) {
    CTempDir dir;
    std::string real = dir.File("real.txt");
    std::string link = dir.File("link.txt");
    WriteBytes(real, "old");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    CPlatformFile file;
    ASSERT_TRUE(file.OpenStaged(link, OPEN_TARGET_NEW));
    file.Write("new", 3);
    ASSERT_TRUE(file.Commit());
    file.Close();
    EXPECT_EQ(ReadBytes(real), "new");
    struct stat status {};
    ASSERT_EQ(::lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
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

TEST(PlatformFile, FailuresToOpen) {
    CTempDir dir;
    CPlatformFile file;
    EXPECT_FALSE(file.Open(dir.File("missing"), OPEN_SOURCE));
    EXPECT_TRUE(file.HasFailed());
    EXPECT_FALSE(file.Open(dir.Path(), OPEN_SOURCE));
    EXPECT_FALSE(file.Open("/dev/zero", OPEN_SOURCE));
    EXPECT_FALSE(file.OpenStaged(dir.Path(), OPEN_TARGET_NEW));
    EXPECT_FALSE(file.OpenStaged(dir.File("missing/inside"), OPEN_TARGET_NEW));
    EXPECT_FALSE(file.OpenStaged(dir.File("missing"), OPEN_TARGET_APPEND));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(dir.List().empty());
}

}  // namespace
