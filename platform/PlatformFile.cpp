#include "platform/PlatformFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/SystemCalls.h"

namespace {

constexpr size_t BUFFER_SIZE = 1 << 16;
constexpr size_t WRITEBACK_STEP = 8 << 20;
constexpr const char* NOT_REGULAR = "Not a regular file";

// Blocking again, once a named pipe can no longer stop the open.
bool ClearNonBlocking(int fd) {
    int nFlags = ::fcntl(fd, F_GETFL);
    return nFlags >= 0 && ::fcntl(fd, F_SETFL, nFlags & ~O_NONBLOCK) == 0;
}

// A device such as /dev/null is written directly, never staged.
bool IsDevice(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 &&
           (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode));
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
    m_strPath = path;
    if (IsDevice(path)) {
        return OpenDescriptor(path, nOpenFlags);
    }
    if (!m_target.Open(path, nOpenFlags, m_pStop)) {
        return Fail(m_target.Errno(), m_target.Reason());
    }
    m_fd = m_target.Descriptor();
    return true;
}

bool CPlatformFile::Commit() {
    if (!Flush()) {
        return false;
    }
    if (!m_target.IsOpen()) {
        return Sys().fsync(m_fd) == 0 || errno == EINVAL || Fail(errno);
    }
    return m_target.Commit() || Fail(m_target.Errno(), m_target.Reason());
}

bool CPlatformFile::DiscardStaging() {
    return m_target.Discard();
}

bool CPlatformFile::IsSameFile(const std::string& path) const {
    struct stat opened {};
    struct stat named {};
    return m_fd >= 0 && ::fstat(m_fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

void CPlatformFile::Close() {
    if (m_fd >= 0) {
        (void)Flush();  // a caller that needs the bytes on disk flushes or commits first
    }
    if (m_target.IsOpen()) {
        m_target.Close();  // owns the descriptor
    } else if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferUse = BufferUse::None;
    m_nBufferStart = 0;
    m_nBufferFill = 0;
    m_nPosition = 0;
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
    m_buffer.resize(BUFFER_SIZE);
    size_t nRead = ReadAtPosition(m_buffer.data(), m_buffer.size());
    m_bufferUse = BufferUse::Reading;
    m_nBufferStart = m_nPosition;
    m_nBufferFill = nRead;
    return nRead > 0;
}

// A read as large as the buffer goes straight to the caller's memory, so
// that a reader with a buffer of its own has its bytes copied only once.
size_t CPlatformFile::ReadDirectly(char* pOut, size_t nCount) {
    size_t nRead = ReadAtPosition(pOut, nCount);
    m_nPosition += nRead;
    return nRead;
}

// Reads without moving the position; 0 at the end of the file or on failure.
size_t CPlatformFile::ReadAtPosition(char* pOut, size_t nCount) {
    if (m_fd < 0 || HasFailed() || !Flush() || m_target.IsTruncatePending()) {
        return 0;
    }
    if (StopRequested()) {
        Fail(ECANCELED);
        return 0;
    }
    for (;;) {
        ssize_t nRead = ::pread(m_fd, pOut, nCount, static_cast<off_t>(m_nPosition));
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            Fail(errno);
            return 0;
        }
        return static_cast<size_t>(nRead);
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
        if (nAvailable == 0 && nCount - nDone >= BUFFER_SIZE) {
            size_t nRead = ReadDirectly(pOut + nDone, nCount - nDone);
            nDone += nRead;
            if (nRead == 0) {
                break;
            }
            continue;
        }
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
        StartWriteBuffer();
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

char* CPlatformFile::WriteSpaceInNewBuffer(size_t nCount) {
    if (m_fd < 0 || HasFailed() || nCount > BUFFER_SIZE) {
        return nullptr;
    }
    DropReadBuffer();
    StartWriteBuffer();
    if (m_buffer.size() - m_nBufferFill < nCount) {
        if (!Flush()) {
            return nullptr;
        }
        StartWriteBuffer();
    }
    char* pSpace = m_buffer.data() + m_nBufferFill;
    m_nBufferFill += nCount;
    m_nPosition += nCount;
    return pSpace;
}

void CPlatformFile::StartWriteBuffer() {
    if (m_bufferUse != BufferUse::Writing) {
        m_buffer.resize(BUFFER_SIZE);
        m_bufferUse = BufferUse::Writing;
        m_nBufferStart = m_nPosition;
        m_nBufferFill = 0;
    }
}

// The disk begins to write a large file while more of it is being made,
// rather than all of it at the sync of the commit. Only a hint: the commit's
// sync is what makes the bytes safe, so a failure here is of no account.
void CPlatformFile::StartWriteback(uint64_t nEnd, size_t nWritten) {
    m_nBytesSinceWriteback += nWritten;
    if (m_nBytesSinceWriteback >= WRITEBACK_STEP && nEnd >= m_nBytesSinceWriteback) {
        // The bytes written since the last time, not the whole file again,
        // whose pages the system would otherwise walk every time.
        ::sync_file_range(m_fd, static_cast<off_t>(nEnd - m_nBytesSinceWriteback),
                          static_cast<off_t>(m_nBytesSinceWriteback), SYNC_FILE_RANGE_WRITE);
        m_nBytesSinceWriteback = 0;
    }
}

bool CPlatformFile::Flush() {
    if (m_bufferUse != BufferUse::Writing) {
        return !HasFailed();
    }
    size_t nWritten = 0;
    if (m_nBufferFill > 0 && m_target.IsOpen() && !m_target.BeforeWrite()) {
        Fail(m_target.Errno(), m_target.Reason());
    }
    while (nWritten < m_nBufferFill && !HasFailed()) {
        ssize_t n = Sys().pwrite(m_fd, m_buffer.data() + nWritten, m_nBufferFill - nWritten,
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
    StartWriteback(m_nBufferStart + nWritten, nWritten);
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
    auto nLength = m_target.IsTruncatePending() ? 0 : static_cast<uint64_t>(status.st_size);
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
