#include "platform/StagedTarget.h"

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
#include <vector>

#include "platform/DirectoryLock.h"
#include "platform/OpenFlags.h"
#include "platform/SystemCalls.h"

namespace {

constexpr size_t COPY_CHUNK = 1 << 16;
constexpr const char* NOT_REGULAR = "Not a regular file";
constexpr int MAX_LINKS_FOLLOWED = 40;
// Marks our temporary files, so that no other file is ever taken for a leftover.
constexpr const char* STAGING_MARK = ".pathfolio-";
constexpr size_t STAGING_RANDOM = 6;  // the letters mkostemp puts in place of XXXXXX
constexpr long POLL_NANOSECONDS = 20'000'000;

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

// In a sticky directory that everyone may write (/tmp), anyone may plant a
// link; as the kernel does, only a link of the person's own or of the
// directory's owner is followed there.
bool MayFollow(const std::string& linkPath, const struct stat& link) {
    struct stat directory {};
    if (::stat(DirectoryOf(linkPath).c_str(), &directory) != 0) {
        return false;
    }
    bool bShared = (directory.st_mode & S_ISVTX) && (directory.st_mode & S_IWOTH);
    return !bShared || link.st_uid == ::geteuid() || link.st_uid == directory.st_uid;
}

// The file that the path names after following symbolic links, also when the
// last link names a file that does not exist yet. False (errno set) on a loop
// or a link that may not be followed.
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
        if (!MayFollow(path, status)) {
            errno = EACCES;
            return false;
        }
        target.resize(static_cast<size_t>(nLength));
        path = target[0] == '/' ? target : DirectoryOf(path) + "/" + target;
    }
    errno = ELOOP;
    return false;
}

bool ClearNonBlocking(int fd) {
    int nFlags = ::fcntl(fd, F_GETFL);
    return nFlags >= 0 && ::fcntl(fd, F_SETFL, nFlags & ~O_NONBLOCK) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name of a temporary file of the target, less its random letters: "." +
// the target's name, cut where the whole would not fit in a directory entry,
// + ".pathfolio-".
std::string StagingPrefix(const std::string& targetName) {
    size_t nRoom = NAME_MAX - 1 - std::char_traits<char>::length(STAGING_MARK) - STAGING_RANDOM;
    return "." + targetName.substr(0, nRoom) + STAGING_MARK;
}

bool IsStagingName(const std::string& name, const std::string& prefix) {
    return name.size() == prefix.size() + STAGING_RANDOM &&
           name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.end() - STAGING_RANDOM, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Removes the target's temporary files that no run holds: those of a run that
// was killed. True when another run holds one: it is writing the target now.
// Call with the directory locked.
bool RemoveLeftovers(const std::string& directory, const std::string& prefix) {
    DIR* pDirectory = ::opendir(directory.c_str());
    if (pDirectory == nullptr) {
        return false;
    }
    bool bHeld = false;
    while (const dirent* pEntry = ::readdir(pDirectory)) {
        std::string name = pEntry->d_name;
        if (!IsStagingName(name, prefix)) {
            continue;
        }
        std::string path = directory + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat status {};
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                ::unlink(path.c_str());
            } else {
                bHeld = true;
            }
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ::closedir(pDirectory);
    return bHeld;
}

// 0, or the errno of the failure. A file system that cannot refuse to
// replace a file replaces it.
int Rename(const std::string& from, const std::string& to, unsigned nFlags) {
    if (Sys().rename(from.c_str(), to.c_str(), nFlags) == 0) {
        return 0;
    }
    if (errno != EINVAL || nFlags == 0) {
        return errno;
    }
    return Sys().rename(from.c_str(), to.c_str(), 0) == 0 ? 0 : errno;
}

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
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
    int nErrno = Sys().fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    ::close(fd);
    return nErrno;
}

}  // namespace

bool CStagedTarget::Open(const std::string& path, unsigned nOpenFlags,
                         const std::atomic<bool>* pStop) {
    Close();
    m_nErrno = 0;
    m_pReason = nullptr;
    m_bInPlace = false;
    m_nRenameFlags = 0;
    m_pStop = pStop;
    {
        std::lock_guard<std::mutex> guard(m_stagingMutex);
        m_bDiscarded = false;
        m_bTargetChanged = false;
    }
    std::string targetPath;
    bool bOpened = RefuseWhatIsNoFile(path) && (ResolveLink(path, targetPath) || Fail(errno)) &&
                   OpenAndLockTarget(targetPath, nOpenFlags);
    if (bOpened) {
        bOpened = (nOpenFlags & modeNoTruncate) && m_fdTarget < 0
                      ? Fail(ENOENT)
                      : CreateStagingFile(targetPath, nOpenFlags);
    }
    if (!bOpened) {
        Close();  // keeps the failure
    }
    return bOpened;
}

// A directory, a named pipe or a socket at the path, also one that a link of
// the system's own names (/dev/stdout onto a pipe), is refused.
bool CStagedTarget::RefuseWhatIsNoFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) {
        return true;
    }
    return S_ISDIR(status.st_mode) ? Fail(EISDIR) : Fail(EINVAL, NOT_REGULAR);
}

// Opens an existing target for writing, which checks that the process may
// write it, and locks it. The run that held the lock may have renamed a new
// file over the path meanwhile; that one is then opened and locked instead. No
// target is no failure, unless one must not be there (modeNoReplace).
bool CStagedTarget::OpenAndLockTarget(const std::string& targetPath, unsigned nOpenFlags) {
    int nFlags = ((nOpenFlags & modeNoTruncate) ? O_RDWR : O_WRONLY) | O_CLOEXEC | O_NOCTTY;
    for (;;) {
        struct stat status {};
        if (::stat(targetPath.c_str(), &status) != 0) {
            return errno == ENOENT || Fail(errno);
        }
        if (S_ISDIR(status.st_mode)) {
            return Fail(EISDIR);
        }
        if (!S_ISREG(status.st_mode)) {
            return Fail(EINVAL, NOT_REGULAR);
        }
        if (nOpenFlags & modeNoReplace) {
            return Fail(EEXIST);
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

bool CStagedTarget::WaitForLock(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return true;  // a file system without locks: go on without
        }
        if (!Pause()) {
            return false;
        }
    }
    return true;
}

bool CStagedTarget::Pause() {
    if (StopRequested()) {
        return Fail(ECANCELED);
    }
    const timespec pause = {0, POLL_NANOSECONDS};
    ::nanosleep(&pause, nullptr);
    return true;
}

// Creates and locks the temporary file with the directory locked. A target
// that must be new waits while another run writes one of the same name, and
// fails with EEXIST once it is there.
bool CStagedTarget::CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags) {
    std::string directory = DirectoryOf(targetPath);
    std::string prefix = StagingPrefix(BaseNameOf(targetPath));
    std::string stagingPath = directory + "/" + prefix + "XXXXXX";
    const bool bMustBeNew = (nOpenFlags & modeNoReplace) != 0;
    int nErrno = 0;
    for (;;) {
        {
            CDirectoryLock directoryLock(directory, m_pStop);
            if (!directoryLock.Held() && StopRequested()) {
                return Fail(ECANCELED);  // ended the wait for the lock
            }
            bool bOtherRunWrites = directoryLock.Held() && RemoveLeftovers(directory, prefix);
            if (bMustBeNew && Exists(targetPath)) {
                return Fail(EEXIST);
            }
            if (!bMustBeNew || !bOtherRunWrites) {
                m_fd = Sys().mkostemp(stagingPath.data(), O_CLOEXEC);
                nErrno = m_fd < 0 ? errno : 0;
                if (m_fd >= 0) {
                    ::flock(m_fd, LOCK_EX);
                }
                break;
            }
        }
        if (!Pause()) {
            return false;
        }
    }
    if (m_fd < 0 && (nErrno == EACCES || nErrno == EPERM) && m_fdTarget >= 0) {
        // The directory may not be written, the target may: write it in place.
        std::swap(m_fd, m_fdTarget);
        m_bInPlace = true;
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
    m_nRenameFlags = bMustBeNew ? RENAME_NOREPLACE : 0;
    return TakeOwnerAndMode() && (!(nOpenFlags & modeNoTruncate) || CopyFromTarget());
}

// The temporary file gets the target's owner and group where the system
// allows it (a user may give a file only to a group of their own), and its
// permissions; a new target, those of a newly created file.
bool CStagedTarget::TakeOwnerAndMode() {
    struct stat status {};
    mode_t nMode = NewFileMode();
    if (m_fdTarget >= 0 && ::fstat(m_fdTarget, &status) == 0) {
        if (::fchown(m_fd, status.st_uid, status.st_gid) != 0 &&
            ::fchown(m_fd, static_cast<uid_t>(-1), status.st_gid) != 0) {
            // Neither could be given: the file stays the user's, as a new one would be.
        }
        nMode = status.st_mode & 07777;
    }
    return ::fchmod(m_fd, nMode) == 0 || Fail(errno);
}

bool CStagedTarget::CopyFromTarget() {
    std::vector<char> chunk(COPY_CHUNK);
    for (off_t nOffset = 0;;) {
        if (StopRequested()) {
            return Fail(ECANCELED);
        }
        ssize_t nRead = ::pread(m_fdTarget, chunk.data(), chunk.size(), nOffset);
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead <= 0) {
            return nRead == 0 || Fail(errno);
        }
        for (ssize_t nWritten = 0; nWritten < nRead;) {
            ssize_t n = Sys().pwrite(m_fd, chunk.data() + nWritten,
                                     static_cast<size_t>(nRead - nWritten), nOffset + nWritten);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return Fail(n < 0 ? errno : EIO);
            }
            nWritten += n;
        }
        nOffset += nRead;
    }
}

// The first write to a target written in place changes it for good; one that
// was discarded before is refused.
bool CStagedTarget::BeforeWrite() {
    if (!m_bInPlace) {
        return true;
    }
    std::lock_guard<std::mutex> guard(m_stagingMutex);
    if (m_bDiscarded) {
        return Fail(ECANCELED);
    }
    m_bTargetChanged = true;
    if (m_bTruncatePending) {
        if (::ftruncate(m_fd, 0) != 0) {
            return Fail(errno);
        }
        m_bTruncatePending = false;
    }
    return true;
}

bool CStagedTarget::Commit() {
    if (!BeforeWrite()) {
        return false;
    }
    if (Sys().fsync(m_fd) != 0 && errno != EINVAL) {
        return Fail(errno);
    }
    {
        std::lock_guard<std::mutex> guard(m_stagingMutex);
        if (m_bInPlace) {
            return true;
        }
        // A stop that came while the file was synced still leaves the target as it was.
        if (m_bDiscarded || StopRequested()) {
            return Fail(ECANCELED);
        }
        if (int nErrno = Rename(m_strStagingPath, m_strTargetPath, m_nRenameFlags); nErrno != 0) {
            return Fail(nErrno);
        }
        m_strStagingPath.clear();
        m_bTargetChanged = true;
    }
    int nErrno = SyncDirectory(DirectoryOf(m_strTargetPath));
    return nErrno == 0 || Fail(nErrno);
}

bool CStagedTarget::Discard() {
    std::lock_guard<std::mutex> guard(m_stagingMutex);
    if (m_bTargetChanged) {
        return false;
    }
    m_bDiscarded = true;
    if (!m_strStagingPath.empty()) {
        ::unlink(m_strStagingPath.c_str());
        m_strStagingPath.clear();
    }
    return true;
}

void CStagedTarget::Close() {
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
}

bool CStagedTarget::Fail(int nErrno, const char* pReason) {
    if (m_nErrno == 0) {
        m_nErrno = nErrno != 0 ? nErrno : EIO;
        m_pReason = pReason;
    }
    return false;
}
