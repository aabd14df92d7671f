#include "engine/TextArena.h"

#include <algorithm>
#include <utility>

#include "engine/HugePageAllocator.h"

CTextArena::Place CTextArena::Allocate(size_t nBytes) {
    if (m_blocks.empty() || m_blocks.back().nSize - m_nUsed < nBytes) {
        m_blocks.reserve(m_blocks.size() + 1);
        size_t nSize = std::max(nBytes, BLOCK_BYTES);  // a longer string has a block of its own
        m_blocks.push_back({static_cast<char*>(AllocateLargeBlock(nSize)), nSize});
        m_nUsed = 0;
    }
    Place place = (static_cast<Place>(m_blocks.size() - 1) << 32) | m_nUsed;
    m_nUsed += nBytes;
    m_nStoredBytes += nBytes;
    return place;
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
