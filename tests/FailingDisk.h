#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Makes the file layer's system calls fail on demand while the object lives,
// and records the syncs and renames in the order they came. One at a time.
class CFailingDisk {
public:
    CFailingDisk();
    ~CFailingDisk();
    CFailingDisk(const CFailingDisk&) = delete;
    CFailingDisk& operator=(const CFailingDisk&) = delete;

    int nFsyncErrno = 0;     // fsync fails with it
    int nRenameErrno = 0;    // rename fails with it
    int nMkostempErrno = 0;  // a temporary file cannot be created
    int nMkdirErrno = 0;
    long nBytesLeft = -1;  // when not negative: writes past that many bytes find the disk full
    // "fsync <path of the descriptor>", "rename <to>", in order.
    std::vector<std::string> calls;

private:
    static ssize_t Pwrite(int fd, const void* pData, size_t nCount, off_t nOffset);
    static int Fsync(int fd);
    static int Rename(const char* pFrom, const char* pTo, unsigned nFlags);
    static int Mkostemp(char* pTemplate, int nFlags);
    static int Mkdir(const char* pPath, mode_t nMode);
};
