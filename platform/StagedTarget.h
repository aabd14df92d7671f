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
// permissions; its name (".NAME.pathfolio-XXXXXX", the name cut to fit) is
// one that only this program makes.
//
// A target opened with modeNoReplace must not exist: while another run writes
// a new file of the same name, Open waits for it, and it fails with EEXIST
// when the file is there, then or at Commit. A link in a sticky directory that
// everyone may write is followed only when it is the person's own or the
// directory owner's, as the kernel does.
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
    bool IsInPlace() const { return m_bInPlace; }
    // True while a target replaced in place has not been emptied yet: it then
    // reads as empty.
    bool IsTruncatePending() const { return m_bTruncatePending; }
    // Call before bytes go to the descriptor: empties a target replaced in place.
    [[nodiscard]] bool BeforeWrite();
    // Syncs the written bytes, renames the temporary file over the target and
    // syncs the directory. The caller has written out its buffer. A stop that
    // came before the rename fails it.
    [[nodiscard]] bool Commit();
    // Safe from another thread: removes the temporary file at once, and a
    // later Commit fails. False, and nothing done, when it is too late: the
    // target was already renamed over or written in place.
    bool Discard();
    void Close();

    int Errno() const { return m_nErrno; }
    const char* Reason() const { return m_pReason; }

private:
    bool RefuseWhatIsNoFile(const std::string& path);
    bool OpenAndLockTarget(const std::string& targetPath, unsigned nOpenFlags);
    bool WaitForLock(int fd);
    // Sleeps a moment, unless the stop flag is set (a failure).
    bool Pause();
    bool CreateStagingFile(const std::string& targetPath, unsigned nOpenFlags);
    bool TakeOwnerAndMode();
    bool CopyFromTarget();
    bool StopRequested() const { return m_pStop != nullptr && m_pStop->load(); }
    bool Fail(int nErrno, const char* pReason = nullptr);

    int m_fd = -1;
    int m_fdTarget = -1;           // the existing target, locked
    std::string m_strTargetPath;   // where Commit puts the temporary file
    std::string m_strStagingPath;  // empty unless a temporary file is not yet committed
    std::mutex m_stagingMutex;     // guards the staging path and the two flags below
    bool m_bDiscarded = false;
    bool m_bTargetChanged = false;  // renamed over, or written in place
    bool m_bInPlace = false;
    bool m_bTruncatePending = false;  // a target replaced in place, not yet emptied
    unsigned m_nRenameFlags = 0;
    const std::atomic<bool>* m_pStop = nullptr;
    int m_nErrno = 0;
    const char* m_pReason = nullptr;
};
