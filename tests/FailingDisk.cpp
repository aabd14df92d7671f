#include "tests/FailingDisk.h"

#include <unistd.h>

#include <cerrno>

#include "platform/SystemCalls.h"

namespace {

CFailingDisk* g_pDisk = nullptr;

std::string PathOf(int fd) {
    char path[4096] = {};
    ssize_t nLength =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    return nLength > 0 ? std::string(path, static_cast<size_t>(nLength)) : "?";
}

// -1 with errno set when nErrno is not 0.
int Refused(int nErrno) {
    errno = nErrno;
    return nErrno != 0 ? -1 : 0;
}

}  // namespace

CFailingDisk::CFailingDisk() {
    g_pDisk = this;
    Sys() = {Pwrite, Fsync, Rename, Mkostemp, Mkdir};
}

CFailingDisk::~CFailingDisk() {
    Sys() = RealSystemCalls();
    g_pDisk = nullptr;
}

ssize_t CFailingDisk::Pwrite(int fd, const void* pData, size_t nCount, off_t nOffset) {
    long& nLeft = g_pDisk->nBytesLeft;
    if (nLeft >= 0 && static_cast<long>(nCount) > nLeft) {
        nCount = static_cast<size_t>(nLeft);
        if (nCount == 0) {
            return Refused(ENOSPC);
        }
    }
    ssize_t nWritten = RealSystemCalls().pwrite(fd, pData, nCount, nOffset);
    if (nLeft >= 0 && nWritten > 0) {
        nLeft -= nWritten;
    }
    return nWritten;
}

int CFailingDisk::Fsync(int fd) {
    g_pDisk->calls.push_back("fsync " + PathOf(fd));
    return g_pDisk->nFsyncErrno != 0 ? Refused(g_pDisk->nFsyncErrno) : RealSystemCalls().fsync(fd);
}

int CFailingDisk::Rename(const char* pFrom, const char* pTo, unsigned nFlags) {
    g_pDisk->calls.push_back(std::string("rename ") + pTo);
    return g_pDisk->nRenameErrno != 0 ? Refused(g_pDisk->nRenameErrno)
                                      : RealSystemCalls().rename(pFrom, pTo, nFlags);
}

int CFailingDisk::Mkostemp(char* pTemplate, int nFlags) {
    return g_pDisk->nMkostempErrno != 0 ? Refused(g_pDisk->nMkostempErrno)
                                        : RealSystemCalls().mkostemp(pTemplate, nFlags);
}

int CFailingDisk::Mkdir(const char* pPath, mode_t nMode) {
    return g_pDisk->nMkdirErrno != 0 ? Refused(g_pDisk->nMkdirErrno)
                                     : RealSystemCalls().mkdir(pPath, nMode);
}
