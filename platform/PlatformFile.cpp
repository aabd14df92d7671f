#include "platform/PlatformFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t BUFFER_SIZE = 1 << 16;

std::string DirectoryOf(const std::string& path) {
    size_t nSlash = path.rfind('/');
    if (nSlash == std::string::npos) {
        return ".";
    }
    return nSlash == 0 ? "/" : path.substr(0, nSlash);
}

std::string BaseNameOf(const std::string& path) {
    size_t nSlash = path.rfind('/');
    return nSlash == std::string::npos ? path : path.substr(nSlash + 1);
}

constexpr const char* NOT_REGULAR = "Not a regular file";
constexpr int MAX_LINKS_FOLLOWED = 40;

// The file that the path names after following symbolic links, also when the
// last link names a file that does not exist yet. False (errno set) on a loop.
bool ResolveLink(std::string path, std::string& resolved) {
    for (int nLinks = 0; nLinks <= MAX_LINKS_FOLLOWED; ++nLinks) {
        struct stat status {};
        std::string target(PATH_MAX, '\0');
        ssize_t nLength = 0;
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode) ||
            (nLength = ::readlink(path.c_str(), target.data(), target.size())) <= 0) {
            resolved = path;
            return true;
        }
        target.resize(static_cast<size_t>(nLength));
        path = target[0] == '/' ? target : DirectoryOf(path) + "/" + target;
    }
    errno = ELOOP;
    return false;
}

// Blocking again, once a named pipe can no longer stop the open.
bool ClearNonBlocking(int fd) {
    int nFlags = ::fcntl(fd, F_GETFL);
    return nFlags >= 0 && ::fcntl(fd, F_SETFL, nFlags & ~O_NONBLOCK) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A temporary file of the target: "." + the target's name + "." + six letters or digits.
bool IsStagingName(const std::string& name, const std::string& targetName) {
    size_t nLength = targetName.size() + 8;
    return name.size() == nLength && name[0] == '.' &&
           name.compare(1, targetName.size(), targetName) == 0 &&
           name[targetName.size() + 1] == '.' &&
           std::all_of(name.end() - 6, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// An exclusive lock on a directory, held while a temporary file is created and
// locked, or while leftovers are removed: so a leftover is never taken for one
// that a run has just created and not yet locked.
class CDirectoryLock {
public:
    explicit CDirectoryLock(const std::string& directory)
        : m_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        while (m_fd >= 0 && !m_bHeld) {
            m_bHeld = ::flock(m_fd, LOCK_EX) == 0;
            if (!m_bHeld && errno != EINTR) {
                break;
            }
        }
    }
    ~CDirectoryLock() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CDirectoryLock(const CDirectoryLock&) = delete;
    CDirectoryLock& operator=(const CDirectoryLock&) = delete;
    bool Held() const { return m_bHeld; }

private:
    int m_fd;
    bool m_bHeld = false;
};

// Removes the target's temporary files that no run holds: those of a run that
// was killed. Call with the directory locked.
void RemoveLeftovers(const std::string& directory, const std::string& targetName) {
    DIR* pDirectory = ::opendir(directory.c_str());
    if (pDirectory == nullptr) {
        return;
    }
    while (const dirent* pEntry = ::readdir(pDirectory)) {
        std::string name = pEntry->d_name;
        if (!IsStagingName(name, targetName)) {
            continue;
        }
        std::string path = directory + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat status {};
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ::closedir(pDirectory);
}

// The permissions a newly created file gets: 0666 less the process's umask.
mode_t NewFileMode() {
    mode_t nMask = 022;
    if (FILE* pStatus = std::fopen("/proc/self/status", "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, pStatus) != nullptr) {
            unsigned nValue = 0;
            if (std::sscanf(line, "Umask: %o", &nValue) == 1) {
                nMask = static_cast<mode_t>(nValue);
                break;
            }
        }
        std::fclose(pStatus);
    }
    return 0666 & ~nMask;
}

// 0, or the errno of the failure; a file system that cannot sync a directory
// (EINVAL) has nothing to sync.
int SyncDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int nErrno = ::fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    ::close(fd);
    return nErrno;
}

// strerror_r comes in two kinds; both are thread-safe, unlike strerror.
[[maybe_unused]] const char* DescribeError(int nResult, const char* pBuffer) {
    return nResult == 0 ? pBuffer : "Unknown error";
}
[[maybe_unused]] const char* DescribeError(const char* pText, const char*) {
    return pText;
}

}  // namespace

CPlatformFile::CPlatformFile() = default;

CPlatformFile::~CPlatformFile() {
    Close();
}

bool CPlatformFile::Open(const std::string& path, unsigned nOpenFlags) {
    Close();
    m_nErrno = 0;
    m_pReason = nullptr;
    m_bDiscarded = false;
    m_strPath = path;
    return OpenDescriptor(path, nOpenFlags);
}

bool CPlatformFile::OpenDescriptor(const std::string& path, unsigned nOpenFlags) {
    int nFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;  // a named pipe must not block the open
    switch (nOpenFlags & 3) {
        case modeWrite:
            nFlags |= O_WRONLY;
            break;
        case modeReadWrite:
            nFlags |= O_RDWR;
            break;
        default:
            nFlags |= O_RDONLY;
            break;
    }
    if (nOpenFlags & modeCreate) {
        nFlags |= O_CREAT;
        if (!(nOpenFlags & modeNoTruncate)) {
            nFlags |= O_TRUNC;
        }
    }
    m_fd = ::open(path.c_str(), nFlags, 0666);
    if (m_fd < 0) {
        return Fail(errno);
    }
    struct stat status {};
    int nErrno = ::fstat(m_fd, &status) != 0 ? errno : 0;
    const char* pReason = nullptr;
    if (nErrno == 0 && S_ISDIR(status.st_mode)) {
        nErrno = EISDIR;
    } else if (nErrno == 0 && (S_ISFIFO(status.st_mode) ||
                               ((nOpenFlags & 3) == modeRead && !S_ISREG(status.st_mode)))) {
        nErrno = EINVAL;  // a pipe, or a device such as /dev/zero, would never end
        pReason = NOT_REGULAR;
    } else if (nErrno == 0 && !ClearNonBlocking(m_fd)) {
        nErrno = errno;
    }
    if (nErrno != 0) {
        ::close(m_fd);
        m_fd = -1;
        return Fail(nErrno, pReason);
    }
    return true;
}

bool CPlatformFile::OpenStaged(const std::string& path, unsigned nOpenFlags) {
    Close();
    m_nErrno = 0;
    m_pReason = nullptr;
    m_bDiscarded = false;
    m_strPath = path;
    std::string targetPath;
    bool bOpened =
        ResolveLink(path, targetPath) ? OpenAndLockTarget(targetPath, nOpenFlags) : Fail(errno);
    if (bOpened && m_fd < 0) {
        bOpened = (nOpenFlags & modeNoTruncate) && m_fdTarget < 0
                      ? Fail(ENOENT)
                      : CreateStagingFile(targetPath, nOpenFlags);
    }
    if (!bOpened) {
        Close();  // keeps the failure
    }
    return bOpened;
}

// Opens an existing target for writing, which checks that the process may
// write it, and locks it. The run that held the lock may have renamed a new
// file over the path meanwhile; that one is then opened and locked instead. A
// device is opened as the file itself. No target is no failure.
bool CPlatformFile::OpenAndLockTarget(const std::string& targetPath, unsigned nOpenFlags) {
    int nFlags = ((nOpenFlags & modeNoTruncate) ? O_RDWR : O_WRONLY) | O_CLOEXEC | O_NOCTTY;
    for (;;) {
        struct stat status {};
        if (::stat(targetPath.c_str(), &status) != 0) {
            return errno == ENOENT || Fail(errno);
        }
        if (S_ISDIR(status.st_mode)) {
            return Fail(EISDIR);
        }
        if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
            return Fail(EINVAL, NOT_REGULAR);
        }
        if (!S_ISREG(status.st_mode)) {
            return OpenDescriptor(targetPath, nOpenFlags);  // a device is written directly
        }
        m_fdTarget = ::open(targetPath.c_str(), nFlags | O_NONBLOCK);
        if (m_fdTarget < 0) {
            return Fail(errno);
        }
        if (!WaitForLock(m_fdTarget)) {
            return false;
        }
        struct stat opened {};
        struct stat current {};
        if (::fstat(m_fdTarget, &opened) == 0 && ::stat(targetPath.c_str(), &current) == 0 &&
            SameFile(opened, current)) {
            return ClearNonBlocking(m_fdTarget) || Fail(errno);
        }
        ::close(m_fdTarget);
        m_fdTarget = -1;
    }
}

bool CPlatformFile::WaitForLock(int fd) {
    const timespec pause = {0, 20'000'000};
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return true;  // a file system without locks: go on without
        }
        if (StopRequested()) {
            return Fail(ECANCELED);
        }
        ::nanosleep(&pause, nullptr);
    }
    return true;
}

bool CPlatformFile::CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags) {
    std::string directory = DirectoryOf(targetPath);
    std::string stagingPath = directory + "/." + BaseNameOf(targetPath) + ".XXXXXX";
    int nErrno = 0;
    {
        CDirectoryLock directoryLock(directory);
        if (directoryLock.Held()) {
            RemoveLeftovers(directory, BaseNameOf(targetPath));
        }
        m_fd = ::mkostemp(stagingPath.data(), O_CLOEXEC);
        nErrno = m_fd < 0 ? errno : 0;
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_EX);
        }
    }
    if (m_fd < 0 && (nErrno == EACCES || nErrno == EPERM) && m_fdTarget >= 0) {
        // The directory may not be written, the target may: write it in place.
        std::swap(m_fd, m_fdTarget);
        m_bTruncatePending = !(nOpenFlags & modeNoTruncate);
        return true;
    }
    if (m_fd < 0) {
        return Fail(nErrno);
    }
    {
        std::lock_guard<std::mutex> guard(m_stagingMutex);
        m_strStagingPath = stagingPath;
    }
    m_strTargetPath = targetPath;
    TakeOwnerAndMode();
    if ((nOpenFlags & modeNoTruncate) && !HasFailed()) {
        CopyFromTarget();
        m_nPosition = 0;
    }
    return !HasFailed();
}

// The temporary file gets the target's owner and group where the system
// allows it (a user may give a file only to a group of their own), and its
// permissions; a new target, those of a newly created file.
void CPlatformFile::TakeOwnerAndMode() {
    struct stat status {};
    mode_t nMode = NewFileMode();
    if (m_fdTarget >= 0 && ::fstat(m_fdTarget, &status) == 0) {
        if (::fchown(m_fd, status.st_uid, status.st_gid) != 0) {
            (void)::fchown(m_fd, static_cast<uid_t>(-1), status.st_gid);
        }
        nMode = status.st_mode & 07777;
    }
    if (::fchmod(m_fd, nMode) != 0) {
        Fail(errno);
    }
}

bool CPlatformFile::CopyFromTarget() {
    std::vector<char> chunk(BUFFER_SIZE);
    for (off_t nOffset = 0;;) {
        if (StopRequested()) {
            return Fail(ECANCELED);
        }
        ssize_t nRead = ::pread(m_fdTarget, chunk.data(), chunk.size(), nOffset);
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead <= 0) {
            return (nRead == 0 || Fail(errno)) && Flush();
        }
        nOffset += nRead;
        Write(chunk.data(), static_cast<size_t>(nRead));
        if (HasFailed()) {
            return false;
        }
    }
}

bool CPlatformFile::Commit() {
    if (!Flush() || !TruncateIfPending()) {
        return false;
    }
    if (::fsync(m_fd) != 0 && errno != EINVAL) {
        return Fail(errno);
    }
    {
        std::lock_guard<std::mutex> guard(m_stagingMutex);
        if (m_bDiscarded) {
            return Fail(ECANCELED);
        }
        if (m_strStagingPath.empty()) {
            return true;
        }
        if (::rename(m_strStagingPath.c_str(), m_strTargetPath.c_str()) != 0) {
            return Fail(errno);
        }
        m_strStagingPath.clear();
    }
    int nErrno = SyncDirectory(DirectoryOf(m_strTargetPath));
    return nErrno == 0 || Fail(nErrno);
}

void CPlatformFile::DiscardStaging() {
    std::lock_guard<std::mutex> guard(m_stagingMutex);
    m_bDiscarded = true;
    if (!m_strStagingPath.empty()) {
        ::unlink(m_strStagingPath.c_str());
        m_strStagingPath.clear();
    }
}

bool CPlatformFile::IsSameFile(const std::string& path) const {
    struct stat opened {};
    struct stat named {};
    return m_fd >= 0 && ::fstat(m_fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           SameFile(opened, named);
}

void CPlatformFile::Close() {
    if (m_fd >= 0) {
        (void)Flush();  // a caller that needs the bytes on disk flushes or commits first
    }
    {
        // Removed before its descriptor, and so its lock, goes.
        std::lock_guard<std::mutex> guard(m_stagingMutex);
        if (!m_strStagingPath.empty()) {
            ::unlink(m_strStagingPath.c_str());
            m_strStagingPath.clear();
        }
    }
    for (int* pFd : {&m_fd, &m_fdTarget}) {
        if (*pFd >= 0) {
            ::close(*pFd);
            *pFd = -1;
        }
    }
    m_bTruncatePending = false;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferUse = BufferUse::None;
    m_nBufferStart = 0;
    m_nBufferFill = 0;
    m_nPosition = 0;
}

// A target replaced in place is emptied just before its first bytes are written.
bool CPlatformFile::TruncateIfPending() {
    if (m_bTruncatePending) {
        if (::ftruncate(m_fd, 0) != 0) {
            return Fail(errno);
        }
        m_bTruncatePending = false;
    }
    return true;
}

bool CPlatformFile::Fail(int nErrno, const char* pReason) {
    if (m_nErrno == 0) {
        m_nErrno = nErrno != 0 ? nErrno : EIO;
        m_pReason = pReason;
    }
    return false;
}

std::string CPlatformFile::ErrorText() const {
    if (m_pReason != nullptr) {
        return m_pReason;
    }
    char buffer[256] = {};
    return DescribeError(::strerror_r(m_nErrno, buffer, sizeof buffer), buffer);
}

size_t CPlatformFile::BufferedReadable() const {
    if (m_bufferUse != BufferUse::Reading || m_nPosition < m_nBufferStart ||
        m_nPosition >= m_nBufferStart + m_nBufferFill) {
        return 0;
    }
    return static_cast<size_t>(m_nBufferStart + m_nBufferFill - m_nPosition);
}

// Reads the block at the current position; false at the end of the file or on failure.
bool CPlatformFile::FillBuffer() {
    if (m_fd < 0 || HasFailed() || !Flush() || m_bTruncatePending) {
        return false;
    }
    if (StopRequested()) {
        return Fail(ECANCELED);
    }
    m_buffer.resize(BUFFER_SIZE);
    for (;;) {
        ssize_t nRead =
            ::pread(m_fd, m_buffer.data(), m_buffer.size(), static_cast<off_t>(m_nPosition));
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            DropReadBuffer();
            return Fail(errno);
        }
        m_bufferUse = BufferUse::Reading;
        m_nBufferStart = m_nPosition;
        m_nBufferFill = static_cast<size_t>(nRead);
        return nRead > 0;
    }
}

void CPlatformFile::DropReadBuffer() {
    if (m_bufferUse == BufferUse::Reading) {
        m_bufferUse = BufferUse::None;
        m_nBufferFill = 0;
    }
}

size_t CPlatformFile::Read(void* pBuffer, size_t nCount) {
    auto* pOut = static_cast<char*>(pBuffer);
    size_t nDone = 0;
    while (nDone < nCount) {
        size_t nAvailable = BufferedReadable();
        if (nAvailable == 0) {
            if (!FillBuffer()) {
                break;
            }
            continue;
        }
        size_t nTake = std::min(nAvailable, nCount - nDone);
        std::memcpy(pOut + nDone, m_buffer.data() + (m_nPosition - m_nBufferStart), nTake);
        nDone += nTake;
        m_nPosition += nTake;
    }
    return nDone;
}

void CPlatformFile::Write(const void* pData, size_t nCount) {
    if (m_fd < 0) {
        Fail(EBADF);
        return;
    }
    if (HasFailed()) {
        return;
    }
    DropReadBuffer();
    const auto* pIn = static_cast<const char*>(pData);
    while (nCount > 0) {
        if (m_bufferUse != BufferUse::Writing) {
            m_buffer.resize(BUFFER_SIZE);
            m_bufferUse = BufferUse::Writing;
            m_nBufferStart = m_nPosition;
            m_nBufferFill = 0;
        }
        if (m_nBufferFill == m_buffer.size()) {
            if (!Flush()) {
                return;
            }
            continue;
        }
        size_t nTake = std::min(nCount, m_buffer.size() - m_nBufferFill);
        std::memcpy(m_buffer.data() + m_nBufferFill, pIn, nTake);
        m_nBufferFill += nTake;
        m_nPosition += nTake;
        pIn += nTake;
        nCount -= nTake;
    }
}

bool CPlatformFile::Flush() {
    if (m_bufferUse != BufferUse::Writing) {
        return !HasFailed();
    }
    size_t nWritten = 0;
    if (m_nBufferFill > 0) {
        TruncateIfPending();
    }
    while (nWritten < m_nBufferFill && !HasFailed()) {
        ssize_t n = ::pwrite(m_fd, m_buffer.data() + nWritten, m_nBufferFill - nWritten,
                             static_cast<off_t>(m_nBufferStart + nWritten));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail(n < 0 ? errno : EIO);
            break;
        }
        nWritten += static_cast<size_t>(n);
    }
    m_bufferUse = BufferUse::None;
    m_nBufferFill = 0;
    return !HasFailed();
}

uint64_t CPlatformFile::GetLength() {
    struct stat status {};
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0) {
        Fail(m_fd < 0 ? EBADF : errno);
        return 0;
    }
    auto nLength = m_bTruncatePending ? 0 : static_cast<uint64_t>(status.st_size);
    if (m_bufferUse == BufferUse::Writing) {
        nLength = std::max(nLength, m_nBufferStart + m_nBufferFill);
    }
    return nLength;
}

bool CPlatformFile::Seek(int64_t nOffset, SeekFrom from) {
    int64_t nBase = 0;
    if (from == SeekFrom::Current) {
        nBase = static_cast<int64_t>(m_nPosition);
    } else if (from == SeekFrom::End) {
        nBase = static_cast<int64_t>(GetLength());
    }
    if (nOffset < 0 ? nBase < -nOffset : nBase > INT64_MAX - nOffset) {
        return Fail(EINVAL);
    }
    if (!Flush()) {
        return false;
    }
    m_nPosition = static_cast<uint64_t>(nBase + nOffset);
    return true;
}

void CPlatformFile::WriteLine(std::string_view line) {
    for (size_t nStart = 0;;) {
        size_t nFeed = line.find('\n', nStart);
        std::string_view part = line.substr(nStart, nFeed - nStart);
        Write(part.data(), part.size());
        Write("\r\n", 2);
        if (nFeed == std::string_view::npos) {
            return;
        }
        nStart = nFeed + 1;
    }
}
