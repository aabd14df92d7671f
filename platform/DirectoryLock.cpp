#include "platform/DirectoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

CDirectoryLock::CDirectoryLock(const std::string& directory)
    : m_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    while (m_fd >= 0 && !m_bHeld) {
        m_bHeld = ::flock(m_fd, LOCK_EX) == 0;
        if (!m_bHeld && errno != EINTR) {
            break;
        }
    }
}

CDirectoryLock::~CDirectoryLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}
