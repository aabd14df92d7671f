#pragma once

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Open flags; a job opens its files with one of the three combinations below.
enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
};
constexpr unsigned OPEN_SOURCE = modeRead;                               // 0x0000
constexpr unsigned OPEN_TARGET_NEW = modeCreate | modeWrite;             // 0x1001
constexpr unsigned OPEN_TARGET_APPEND = modeNoTruncate | modeReadWrite;  // 0x2002

// A buffered file. Read and Write move bytes as they are; WriteLine ends each
// line, and each line feed inside it, with CR LF, as a text file does.
//
// Errors are sticky: the first failure of the system is kept (HasFailed,
// ErrorText) until the file is opened again, and from then on every Read,
// Write, Flush and Commit fails at once without touching the file. So a writer
// may write a run of records and check once, with Flush or Commit, at the end;
// Write and WriteLine therefore return nothing. A short read at the end of the
// file is not a failure.
class CPlatformFile {
public:
    enum class SeekFrom { Begin, Current, End };

    CPlatformFile();
    ~CPlatformFile();
    CPlatformFile(const CPlatformFile&) = delete;
    CPlatformFile& operator=(const CPlatformFile&) = delete;

    // Opens the file without ever blocking; only a regular file can be opened
    // for reading alone, and a named pipe never.
    [[nodiscard]] bool Open(const std::string& path, unsigned nOpenFlags);
    // Opens a target so that the file at the path stays as it was until Commit:
    // writes go to a temporary file beside it (for appending, a copy of it),
    // which Commit renames over it and Close without Commit removes. A
    // symbolic link is followed, even to a file that does not exist yet.
    //
    // An existing target must be one the process may write. It is locked
    // (flock) until Close; while another process holds it, this waits, until
    // the stop flag is set. The temporary file is locked too, and temporary
    // files of the same target that nobody holds (left by a killed run) are
    // removed. When the directory refuses the temporary file, an existing
    // target is written in place: Close without Commit then leaves it as it
    // was only if nothing was flushed to it (a replaced one is emptied at the
    // first flush). The temporary file takes the target's owner, where the
    // system allows, and permissions.
    [[nodiscard]] bool OpenStaged(const std::string& path, unsigned nOpenFlags);
    // Flushes, syncs the file to disk, renames a staged file over the target
    // and syncs its directory. False on any failure (the target then is either
    // as it was or, when only the directory sync failed, already replaced).
    [[nodiscard]] bool Commit();
    // Closes the file; staged writes that were not committed are thrown away.
    void Close();
    // Safe from another thread: removes the temporary file of a staged target
    // at once; a later Commit fails.
    void DiscardStaging();
    // Long operations (copying a target, reading, waiting for a lock) check
    // the flag and fail with ECANCELED once it is set. It must outlive the file.
    void SetStopFlag(const std::atomic<bool>* pStop) { m_pStop = pStop; }
    bool WasStopped() const { return m_nErrno == ECANCELED; }
    // True when the path names the file opened with Open (same device and inode).
    bool IsSameFile(const std::string& path) const;
    bool IsOpen() const { return m_fd >= 0; }

    size_t Read(void* pBuffer, size_t nCount);
    void Write(const void* pData, size_t nCount);
    [[nodiscard]] bool Seek(int64_t nOffset, SeekFrom from);
    uint64_t GetPosition() const { return m_nPosition; }
    uint64_t GetLength();
    void WriteLine(std::string_view line);
    // Writes out what is buffered; false when the file has failed, now or before.
    [[nodiscard]] bool Flush();

    bool HasFailed() const { return m_nErrno != 0; }
    // The system's reason for the first failure; safe on any thread.
    std::string ErrorText() const;
    // The path the file was opened under (for a staged file, the target's).
    const std::string& GetFilePath() const { return m_strPath; }

private:
    enum class BufferUse { None, Reading, Writing };

    bool OpenDescriptor(const std::string& path, unsigned nOpenFlags);
    bool OpenAndLockTarget(const std::string& targetPath, unsigned nOpenFlags);
    bool WaitForLock(int fd);
    bool CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags);
    void TakeOwnerAndMode();
    bool TruncateIfPending();
    bool CopyFromTarget();
    bool StopRequested() const { return m_pStop != nullptr && m_pStop->load(); }
    bool Fail(int nErrno, const char* pReason = nullptr);
    bool FillBuffer();
    void DropReadBuffer();
    size_t BufferedReadable() const;

    int m_fd = -1;
    int m_fdTarget = -1;  // the existing target of a staged file, locked
    std::string m_strPath;
    std::string m_strTargetPath;   // where Commit puts a staged file
    std::string m_strStagingPath;  // empty unless staged and not yet committed
    std::mutex m_stagingMutex;     // guards m_strStagingPath and m_bDiscarded
    bool m_bDiscarded = false;
    bool m_bTruncatePending = false;  // a target replaced in place, not yet emptied
    const std::atomic<bool>* m_pStop = nullptr;
    const char* m_pReason = nullptr;  // said instead of the system's text
    std::vector<char> m_buffer;
    BufferUse m_bufferUse = BufferUse::None;
    uint64_t m_nBufferStart = 0;  // file offset of m_buffer[0]
    size_t m_nBufferFill = 0;     // bytes read into the buffer, or waiting to be written
    uint64_t m_nPosition = 0;
    int m_nErrno = 0;
};
