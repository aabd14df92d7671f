#pragma once

#include <atomic>
#include <string>

// An exclusive lock on a directory, held while a temporary file is created and
// locked, or while leftovers are removed: so a leftover is never taken for one
// that a run has just created and not yet locked. Anyone who may read the
// directory can hold its lock, so the wait for it ends when the stop flag
// (which may be null) is set; the lock is then not held.
class CDirectoryLock {
public:
    CDirectoryLock(const std::string& directory, const std::atomic<bool>* pStop);
    ~CDirectoryLock();
    CDirectoryLock(const CDirectoryLock&) = delete;
    CDirectoryLock& operator=(const CDirectoryLock&) = delete;
    bool Held() const { return m_bHeld; }

private:
    int m_fd;
    bool m_bHeld = false;
};
