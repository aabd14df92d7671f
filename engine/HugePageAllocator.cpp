#include "engine/HugePageAllocator.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t HUGE_PAGE_SIZE = std::size_t{2} << 20;

bool IsLarge(std::size_t nBytes) {
    return nBytes >= HUGE_PAGE_SIZE;
}

std::size_t RoundUp(std::size_t nBytes) {
    return (nBytes + HUGE_PAGE_SIZE - 1) & ~(HUGE_PAGE_SIZE - 1);
}

}  // namespace

void* AllocateLargeBlock(std::size_t nBytes) {
    if (!IsLarge(nBytes)) {
        if (void* p = std::malloc(nBytes == 0 ? 1 : nBytes)) {
            return p;
        }
        throw std::bad_alloc();
    }
    // Map one huge page more than needed and trim both ends to an aligned block.
    std::size_t nSize = RoundUp(nBytes);
    void* pMapped = ::mmap(nullptr, nSize + HUGE_PAGE_SIZE, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto nStart = reinterpret_cast<std::uintptr_t>(pMapped);
    std::uintptr_t nAligned = (nStart + HUGE_PAGE_SIZE - 1) & ~(HUGE_PAGE_SIZE - 1);
    if (nAligned > nStart) {
        ::munmap(pMapped, nAligned - nStart);
    }
    std::uintptr_t nTail = nStart + nSize + HUGE_PAGE_SIZE - (nAligned + nSize);
    if (nTail > 0) {
        ::munmap(reinterpret_cast<void*>(nAligned + nSize), nTail);
    }
    auto* pBlock = reinterpret_cast<void*>(nAligned);
    ::madvise(pBlock, nSize, MADV_HUGEPAGE);  // only a hint: without it, ordinary pages serve
    return pBlock;
}

void ReleaseLargeBlock(void* pBlock, std::size_t nBytes) {
    if (!IsLarge(nBytes)) {
        std::free(pBlock);
        return;
    }
    ::munmap(pBlock, RoundUp(nBytes));
}
