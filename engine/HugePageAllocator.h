#pragma once

#include <cstddef>
#include <new>

// Large blocks are mapped in 2 MiB pages where the system offers them: a table
// of a million waypoints then costs a few dozen page faults instead of tens of
// thousands. Small blocks come from the ordinary heap.
void* AllocateLargeBlock(std::size_t nBytes);
void ReleaseLargeBlock(void* pBlock, std::size_t nBytes);

template <typename T>
class CHugePageAllocator {
public:
    using value_type = T;

    CHugePageAllocator() = default;
    template <typename U>
    CHugePageAllocator(const CHugePageAllocator<U>&) {}

    T* allocate(std::size_t nCount) {
        if (nCount > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(AllocateLargeBlock(nCount * sizeof(T)));
    }
    void deallocate(T* p, std::size_t nCount) { ReleaseLargeBlock(p, nCount * sizeof(T)); }

    template <typename U>
    bool operator==(const CHugePageAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const CHugePageAllocator<U>&) const {
        return false;
    }
};
