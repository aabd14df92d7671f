#include "platform/DirectoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

CDirectoryLock::CDirectoryLock(const std::string& directory, const std::atomic<bool>* pStop)
    : m_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    const timespec pause = {0, 20'000'000};
    while (m_fd >= 0 && !m_bHeld) {
        m_bHeld = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
        if (!m_bHeld && errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
        if (!m_bHeld && pStop != nullptr && pStop->load()) {
            break;
        }
        if (!m_bHeld) {
            ::nanosleep(&pause, nullptr);
        }
    }
}

CDirectoryLock::~CDirectoryLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}
