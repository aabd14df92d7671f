#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "engine/HugePageAllocator.h"

// A growable array kept in blocks of 2 MiB that never move: growing it copies
// nothing and touches each element's memory once. Shrinking keeps the blocks,
// so an array emptied and filled again does not allocate; they are released
// with the array.
template <typename T>
class CChunkedArray {
public:
    static constexpr size_t CHUNK_BYTES = size_t{2} << 20;
    static constexpr size_t PER_CHUNK = CHUNK_BYTES / sizeof(T);
    static_assert(PER_CHUNK > 0, "element larger than a chunk");

    CChunkedArray() = default;
    CChunkedArray(const CChunkedArray&) = delete;
    CChunkedArray& operator=(const CChunkedArray&) = delete;
    ~CChunkedArray() { clear(); }

    size_t size() const { return m_nSize; }
    T& operator[](size_t i) { return m_chunks[i / PER_CHUNK][i % PER_CHUNK]; }
    const T& operator[](size_t i) const { return m_chunks[i / PER_CHUNK][i % PER_CHUNK]; }

    void push_back(T&& value) {
        if (m_nSize == m_chunks.size() * PER_CHUNK) {
            m_chunks.reserve(m_chunks.size() + 1);
            m_chunks.push_back(static_cast<T*>(AllocateLargeBlock(CHUNK_BYTES)));
        }
        new (&(*this)[m_nSize]) T(std::move(value));
        ++m_nSize;
    }

    // Destroys the elements from nSize on; their memory stays for new ones.
    void shrink(size_t nSize) {
        while (m_nSize > nSize) {
            (*this)[--m_nSize].~T();
        }
    }

    // Destroys every element and releases the memory.
    void clear() {
        shrink(0);
        for (T* pChunk : m_chunks) {
            ReleaseLargeBlock(pChunk, CHUNK_BYTES);
        }
        std::vector<T*>().swap(m_chunks);
    }

private:
    std::vector<T*> m_chunks;
    size_t m_nSize = 0;
};
