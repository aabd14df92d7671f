#pragma once

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OpenFlags.h"
#include "platform/StagedTarget.h"

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
    // Opens a target that stays as it was until Commit (see CStagedTarget);
    // a device is opened as it is.
    [[nodiscard]] bool OpenStaged(const std::string& path, unsigned nOpenFlags);
    // Flushes, syncs the file to disk, renames a staged file over the target
    // and syncs its directory. False on any failure (the target then is either
    // as it was or, when only the directory sync failed, already replaced).
    [[nodiscard]] bool Commit();
    // Closes the file; staged writes that were not committed are thrown away.
    void Close();
    // Safe from another thread: removes the temporary file of a staged target
    // at once, and a later Commit fails. False when it is too late to leave
    // the target as it was (see CStagedTarget::Discard).
    bool DiscardStaging();
    // Long operations (copying a target, reading, waiting for a lock) check
    // the flag and fail with ECANCELED once it is set. It must outlive the file.
    void SetStopFlag(const std::atomic<bool>* pStop) { m_pStop = pStop; }
    bool WasStopped() const { return m_nErrno == ECANCELED; }
    // A target opened with modeNoReplace was found, at the open or the commit.
    bool TargetAppeared() const { return m_nErrno == EEXIST; }
    // True when the path names the file opened with Open (same device and inode).
    bool IsSameFile(const std::string& path) const;
    bool IsOpen() const { return m_fd >= 0; }
    // A staged target whose directory refused a temporary file: every write changes it.
    bool IsWrittenInPlace() const { return m_target.IsInPlace(); }

    size_t Read(void* pBuffer, size_t nCount);
    void Write(const void* pData, size_t nCount);
    // Room for nCount more bytes in the write buffer, to be filled by the
    // caller before the next call on the file; null when the file has failed
    // or the bytes would not fit a buffer (Write them then).
    char* WriteSpace(size_t nCount) {
        // Room left in the buffer being written, the common case, without a call.
        if (m_bufferUse == BufferUse::Writing && m_nErrno == 0 &&
            m_buffer.size() - m_nBufferFill >= nCount) {
            char* pSpace = m_buffer.data() + m_nBufferFill;
            m_nBufferFill += nCount;
            m_nPosition += nCount;
            return pSpace;
        }
        return WriteSpaceInNewBuffer(nCount);
    }
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
    bool StopRequested() const { return m_pStop != nullptr && m_pStop->load(); }
    bool Fail(int nErrno, const char* pReason = nullptr);
    bool FillBuffer();
    size_t ReadDirectly(char* pOut, size_t nCount);
    size_t ReadAtPosition(char* pOut, size_t nCount);
    void DropReadBuffer();
    char* WriteSpaceInNewBuffer(size_t nCount);
    void StartWriteBuffer();
    void StartWriteback(uint64_t nEnd, size_t nWritten);
    size_t BufferedReadable() const;

    int m_fd = -1;  // a staged file's belongs to m_target
    CStagedTarget m_target;
    std::string m_strPath;
    const std::atomic<bool>* m_pStop = nullptr;
    const char* m_pReason = nullptr;  // said instead of the system's text
    std::vector<char> m_buffer;
    BufferUse m_bufferUse = BufferUse::None;
    uint64_t m_nBufferStart = 0;  // file offset of m_buffer[0]
    size_t m_nBufferFill = 0;     // bytes read into the buffer, or waiting to be written
    uint64_t m_nPosition = 0;
    size_t m_nBytesSinceWriteback = 0;
    int m_nErrno = 0;
};
