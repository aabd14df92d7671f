#pragma once

#include <cstddef>
#include <cstdint>
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

// A buffered file. Read and Write move bytes as they are; ReadLine and
// WriteLine follow the text-file rules: CR LF is read as a line end and written
// for one, a lone CR stays in the line, a 0x1A byte ends the text, and a last
// line without its line feed is still a line.
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

    // Opens the file; only a regular file can be opened for reading alone.
    [[nodiscard]] bool Open(const std::string& path, unsigned nOpenFlags);
    // Opens a target so that the file at the path stays as it was until Commit:
    // writes go to a temporary file beside it (for appending, a copy of it),
    // which Commit renames over it and Close without Commit removes.
    [[nodiscard]] bool OpenStaged(const std::string& path, unsigned nOpenFlags);
    // Flushes, syncs the file to disk, renames a staged file over the target
    // and syncs its directory. False on any failure (the target then is either
    // as it was or, when only the directory sync failed, already replaced).
    [[nodiscard]] bool Commit();
    // Closes the file; staged writes that were not committed are thrown away.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    size_t Read(void* pBuffer, size_t nCount);
    // Reads the bytes before the next cStop byte into text, leaving the position
    // on that byte. False when the file or nMaxLength bytes end first.
    [[nodiscard]] bool ReadUntil(char cStop, std::string& text, size_t nMaxLength);
    void Write(const void* pData, size_t nCount);
    [[nodiscard]] bool Seek(int64_t nOffset, SeekFrom from);
    uint64_t GetPosition() const { return m_nPosition; }
    uint64_t GetLength();
    [[nodiscard]] bool ReadLine(std::string& line);
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
    bool CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags);
    bool CopyFrom(const std::string& path);
    bool Fail(int nErrno);
    bool FillBuffer();
    template <typename StopTest>
    bool ScanTo(StopTest isStop, std::string& text, size_t nMaxLength, char& cFound);
    void DropReadBuffer();
    size_t BufferedReadable() const;

    int m_fd = -1;
    std::string m_strPath;
    std::string m_strTargetPath;   // where Commit puts a staged file
    std::string m_strStagingPath;  // empty unless staged and not yet committed
    std::vector<char> m_buffer;
    BufferUse m_bufferUse = BufferUse::None;
    uint64_t m_nBufferStart = 0;  // file offset of m_buffer[0]
    size_t m_nBufferFill = 0;     // bytes read into the buffer, or waiting to be written
    uint64_t m_nPosition = 0;
    int m_nErrno = 0;
};
