#pragma once

#include <string>

// An exclusive lock on a directory, held while a temporary file is created and
// locked, or while leftovers are removed: so a leftover is never taken for one
// that a run has just created and not yet locked.
class CDirectoryLock {
public:
    explicit CDirectoryLock(const std::string& directory);
    ~CDirectoryLock();
    CDirectoryLock(const CDirectoryLock&) = delete;
    CDirectoryLock& operator=(const CDirectoryLock&) = delete;
    bool Held() const { return m_bHeld; }

private:
    int m_fd;
    bool m_bHeld = false;
};
