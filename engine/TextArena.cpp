#include "engine/TextArena.h"

#include <algorithm>
#include <new>
#include <utility>

#include "engine/HugePageAllocator.h"

// A string longer than a block has a block of its own, at offset 0; a full
// block takes no more strings, not even empty ones, whose offset would not fit.
CTextArena::Place CTextArena::Allocate(size_t nBytes) {
    if (m_blocks.empty() || m_nUsed == m_blocks.back().nSize ||
        m_blocks.back().nSize - m_nUsed < nBytes) {
        if (m_blocks.size() >= (size_t{1} << (PLACE_BITS - OFFSET_BITS))) {
            throw std::bad_alloc();
        }
        m_blocks.reserve(m_blocks.size() + 1);
        size_t nSize = std::max(nBytes, BLOCK_BYTES);
        m_blocks.push_back({static_cast<char*>(AllocateLargeBlock(nSize)), nSize});
        m_nUsed = 0;
    }
    Place place = (static_cast<Place>(m_blocks.size() - 1) << OFFSET_BITS) | m_nUsed;
    m_nUsed += nBytes;
    m_nStoredBytes += nBytes;
    return place;
}

void CTextArena::Empty() {
    while (m_blocks.size() > 1) {
        ReleaseLargeBlock(m_blocks.back().pBytes, m_blocks.back().nSize);
        m_blocks.pop_back();
    }
    m_nUsed = 0;
    m_nStoredBytes = 0;
}

void CTextArena::Clear() {
    for (const Block& block : m_blocks) {
        ReleaseLargeBlock(block.pBytes, block.nSize);
    }
    std::vector<Block>().swap(m_blocks);
    m_nUsed = 0;
    m_nStoredBytes = 0;
}

void CTextArena::Swap(CTextArena& other) noexcept {
    std::swap(m_blocks, other.m_blocks);
    std::swap(m_nUsed, other.m_nUsed);
    std::swap(m_nStoredBytes, other.m_nStoredBytes);
}
