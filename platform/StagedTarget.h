#pragma once

#include <atomic>
#include <mutex>
#include <string>

// A target opened so that the file at its path stays as it was until Commit:
// writes go to a temporary file beside it (for appending, a copy of it), which
// Commit renames over it and Close without Commit removes. A symbolic link is
// followed, even to a file that does not exist yet.
//
// An existing target must be one the process may write. It is locked (flock)
// until Close; while another process holds it, Open waits, until the stop flag
// is set. The temporary file is locked too, and temporary files of the same
// target that nobody holds (left by a killed run) are removed. When the
// directory refuses the temporary file, an existing target is written in
// place: Close without Commit then leaves it as it was only if nothing was
// written to it (a replaced one is emptied before its first write). The
// temporary file takes the target's owner, where the system allows, and
// permissions.
//
// A failure keeps the system's error number (Errno) and, where the system has
// no fitting one, a reason to say instead (Reason).
class CStagedTarget {
public:
    CStagedTarget() = default;
    ~CStagedTarget() { Close(); }
    CStagedTarget(const CStagedTarget&) = delete;
    CStagedTarget& operator=(const CStagedTarget&) = delete;

    // nOpenFlags as for CPlatformFile::Open: modeNoTruncate appends. Long
    // waits and the copy check the stop flag, which may be null.
    [[nodiscard]] bool Open(const std::string& path, unsigned nOpenFlags,
                            const std::atomic<bool>* pStop);
    bool IsOpen() const { return m_fd >= 0; }
    // Where the bytes of the new target go: the temporary file, or the target.
    int Descriptor() const { return m_fd; }
    // True while a target replaced in place has not been emptied yet: it then
    // reads as empty.
    bool IsTruncatePending() const { return m_bTruncatePending; }
    // Call before bytes go to the descriptor: empties a target replaced in place.
    [[nodiscard]] bool BeforeWrite();
    // Syncs the written bytes, renames the temporary file over the target and
    // syncs the directory. The caller has written out its buffer.
    [[nodiscard]] bool Commit();
    // Safe from another thread: removes the temporary file at once; a later
    // Commit fails.
    void Discard();
    void Close();

    int Errno() const { return m_nErrno; }
    const char* Reason() const { return m_pReason; }

private:
    bool OpenAndLockTarget(const std::string& targetPath, unsigned nOpenFlags);
    bool WaitForLock(int fd);
    bool CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags);
    bool TakeOwnerAndMode();
    bool CopyFromTarget();
    bool StopRequested() const { return m_pStop != nullptr && m_pStop->load(); }
    bool Fail(int nErrno, const char* pReason = nullptr);

    int m_fd = -1;
    int m_fdTarget = -1;  // the existing target, locked
    std::string m_strTargetPath;   // where Commit puts the temporary file
    std::string m_strStagingPath;  // empty unless a temporary file is not yet committed
    std::mutex m_stagingMutex;     // guards m_strStagingPath and m_bDiscarded
    bool m_bDiscarded = false;
    bool m_bTruncatePending = false;  // a target replaced in place, not yet emptied
    const std::atomic<bool>* m_pStop = nullptr;
    int m_nErrno = 0;
    const char* m_pReason = nullptr;
};
