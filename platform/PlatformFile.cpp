#include "platform/PlatformFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t BUFFER_SIZE = 1 << 16;
constexpr char TEXT_END = 0x1A;

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

// A link is followed, so that replacing the target replaces the file it names.
std::string ResolveLink(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return path;
    }
    char* pResolved = realpath(path.c_str(), nullptr);
    if (pResolved == nullptr) {
        return path;
    }
    std::string resolved(pResolved);
    std::free(pResolved);
    return resolved;
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
    m_strPath = path;
    return OpenDescriptor(path, nOpenFlags);
}

bool CPlatformFile::OpenDescriptor(const std::string& path, unsigned nOpenFlags) {
    int nFlags = O_CLOEXEC;
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
    if (nErrno == 0 && S_ISDIR(status.st_mode)) {
        nErrno = EISDIR;
    } else if (nErrno == 0 && (nOpenFlags & 3) == modeRead && !S_ISREG(status.st_mode)) {
        nErrno = EINVAL;  // a device such as /dev/zero would never end
    }
    if (nErrno != 0) {
        ::close(m_fd);
        m_fd = -1;
        return Fail(nErrno);
    }
    return true;
}

bool CPlatformFile::OpenStaged(const std::string& path, unsigned nOpenFlags) {
    Close();
    m_nErrno = 0;
    m_strPath = path;
    std::string targetPath = ResolveLink(path);
    struct stat status {};
    bool bExists = ::stat(targetPath.c_str(), &status) == 0;
    if (bExists && S_ISDIR(status.st_mode)) {
        return Fail(EISDIR);
    }
    // Devices and pipes cannot be replaced by renaming; they are written directly.
    if (bExists && !S_ISREG(status.st_mode)) {
        return OpenDescriptor(targetPath, nOpenFlags);
    }
    if ((nOpenFlags & modeNoTruncate) && !bExists) {
        return Fail(ENOENT);
    }
    return CreateStagingFile(targetPath, nOpenFlags);
}

bool CPlatformFile::CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags) {
    std::string stagingPath = DirectoryOf(targetPath) + "/." + BaseNameOf(targetPath) + ".XXXXXX";
    m_fd = ::mkostemp(stagingPath.data(), O_CLOEXEC);
    if (m_fd < 0) {
        return Fail(errno);
    }
    m_strStagingPath = stagingPath;
    m_strTargetPath = targetPath;
    struct stat status {};
    mode_t nMode =
        ::stat(targetPath.c_str(), &status) == 0 ? (status.st_mode & 07777) : NewFileMode();
    if (::fchmod(m_fd, nMode) != 0) {
        Fail(errno);
    }
    if ((nOpenFlags & modeNoTruncate) && !HasFailed()) {
        CopyFrom(targetPath);
        m_nPosition = 0;
    }
    if (HasFailed()) {
        int nErrno = m_nErrno;
        Close();
        return Fail(nErrno);
    }
    return true;
}

bool CPlatformFile::CopyFrom(const std::string& path) {
    int fdSource = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fdSource < 0) {
        return Fail(errno);
    }
    std::vector<char> chunk(BUFFER_SIZE);
    for (;;) {
        ssize_t nRead = ::read(fdSource, chunk.data(), chunk.size());
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            Fail(errno);
            break;
        }
        if (nRead == 0) {
            break;
        }
        Write(chunk.data(), static_cast<size_t>(nRead));
        if (HasFailed()) {
            break;
        }
    }
    ::close(fdSource);
    return Flush() && !HasFailed();
}

bool CPlatformFile::Commit() {
    if (!Flush()) {
        return false;
    }
    if (::fsync(m_fd) != 0 && errno != EINVAL) {
        return Fail(errno);
    }
    if (m_strStagingPath.empty()) {
        return true;
    }
    if (::rename(m_strStagingPath.c_str(), m_strTargetPath.c_str()) != 0) {
        return Fail(errno);
    }
    m_strStagingPath.clear();
    int nErrno = SyncDirectory(DirectoryOf(m_strTargetPath));
    return nErrno == 0 || Fail(nErrno);
}

void CPlatformFile::Close() {
    if (m_fd >= 0) {
        (void)Flush();  // a caller that needs the bytes on disk flushes or commits first
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_strStagingPath.empty()) {
        ::unlink(m_strStagingPath.c_str());
        m_strStagingPath.clear();
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferUse = BufferUse::None;
    m_nBufferStart = 0;
    m_nBufferFill = 0;
    m_nPosition = 0;
}

bool CPlatformFile::Fail(int nErrno) {
    if (m_nErrno == 0) {
        m_nErrno = nErrno != 0 ? nErrno : EIO;
    }
    return false;
}

std::string CPlatformFile::ErrorText() const {
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
    if (m_fd < 0 || HasFailed() || !Flush()) {
        return false;
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

bool CPlatformFile::ReadUntil(char cStop, std::string& text, size_t nMaxLength) {
    text.clear();
    char cFound = 0;
    return ScanTo([cStop](char c) { return c == cStop; }, text, nMaxLength, cFound);
}

// Appends the bytes before the first one that isStop accepts to text, leaving
// the position on that byte, which goes to cFound. False when the file ends or
// fails first, or more than nMaxLength bytes would be taken.
template <typename StopTest>
bool CPlatformFile::ScanTo(StopTest isStop, std::string& text, size_t nMaxLength, char& cFound) {
    for (;;) {
        size_t nAvailable = BufferedReadable();
        if (nAvailable == 0) {
            if (!FillBuffer()) {
                return false;
            }
            continue;
        }
        const char* pStart = m_buffer.data() + (m_nPosition - m_nBufferStart);
        const char* pEnd = pStart + std::min(nAvailable, nMaxLength - text.size() + 1);
        const char* pStop = std::find_if(pStart, pEnd, isStop);
        auto nTake = static_cast<size_t>(pStop - pStart);
        if (text.size() + nTake > nMaxLength) {
            return false;
        }
        text.append(pStart, nTake);
        m_nPosition += nTake;
        if (pStop != pEnd) {
            cFound = *pStop;
            return true;
        }
    }
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
    auto nLength = static_cast<uint64_t>(status.st_size);
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

bool CPlatformFile::ReadLine(std::string& line) {
    line.clear();
    char cFound = 0;
    bool bStopped = ScanTo([](char c) { return c == '\n' || c == TEXT_END; }, line,
                           std::string::npos - 1, cFound);
    if (!bStopped || cFound == TEXT_END) {
        // The position stays on a 0x1A, so every later read ends there too.
        return !line.empty();
    }
    ++m_nPosition;
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
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
