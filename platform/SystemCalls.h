#pragma once

#include <sys/types.h>

// The system calls by which the file layer changes files on disk. Tests point
// entries elsewhere to make a disk fail on demand (a full disk, a sync or a
// rename that fails); everything else calls the system.
struct SystemCalls {
    ssize_t (*pwrite)(int fd, const void* pData, size_t nCount, off_t nOffset);
    int (*fsync)(int fd);
    // renameat2 relative to the current directory (RENAME_NOREPLACE and such).
    int (*rename)(const char* pFrom, const char* pTo, unsigned nFlags);
    int (*mkostemp)(char* pTemplate, int nFlags);
    int (*mkdir)(const char* pPath, mode_t nMode);
};

// The table in use; tests may change it while no file is in use.
SystemCalls& Sys();
// The system's own.
const SystemCalls& RealSystemCalls();
