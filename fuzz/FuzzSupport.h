#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "bench/UnattendedUserInterface.h"

// A file in memory with a path that the file layer can open.
class CMemoryFile {
public:
    CMemoryFile() : m_fd(::memfd_create("pathfolio-fuzz", 0)) {}
    ~CMemoryFile() { ::close(m_fd); }
    CMemoryFile(const CMemoryFile&) = delete;
    CMemoryFile& operator=(const CMemoryFile&) = delete;

    void Fill(const uint8_t* pData, size_t nSize) {
        if (::ftruncate(m_fd, 0) != 0 ||
            ::pwrite(m_fd, pData, nSize, 0) != static_cast<ssize_t>(nSize)) {
            __builtin_trap();
        }
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};
