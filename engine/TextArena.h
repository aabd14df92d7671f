#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Many short byte strings kept one after another in blocks of 2 MiB that never
// move, instead of a string object and maybe a heap block for each. A place
// names the block and the offset of a string in it, in PLACE_BITS bits. Strings
// are not removed one by one: a holder that drops many copies the rest into a
// fresh arena.
class CTextArena {
public:
    using Place = uint64_t;
    static constexpr int OFFSET_BITS = 21;
    static constexpr size_t BLOCK_BYTES = size_t{1} << OFFSET_BITS;
    static constexpr int PLACE_BITS = 43;

    CTextArena() = default;
    CTextArena(const CTextArena&) = delete;
    CTextArena& operator=(const CTextArena&) = delete;
    ~CTextArena() { Clear(); }

    // Room for nBytes at the returned place, for the caller to fill.
    Place Allocate(size_t nBytes);
    char* At(Place place) { return m_blocks[place >> OFFSET_BITS].pBytes + OffsetOf(place); }
    const char* At(Place place) const {
        return m_blocks[place >> OFFSET_BITS].pBytes + OffsetOf(place);
    }
    std::string_view View(Place place, size_t nOffset, size_t nLength) const {
        return {At(place) + nOffset, nLength};
    }
    // The bytes allocated since the arena was empty, those of dropped strings included.
    size_t StoredBytes() const { return m_nStoredBytes; }
    // Drops every string, keeping the first block for the strings to come.
    void Empty();
    // Releases every block.
    void Clear();
    void Swap(CTextArena& other) noexcept;

private:
    static size_t OffsetOf(Place place) { return place & (BLOCK_BYTES - 1); }

    struct Block {
        char* pBytes;
        size_t nSize;
    };

    std::vector<Block> m_blocks;
    size_t m_nUsed = 0;  // bytes used in the last block
    size_t m_nStoredBytes = 0;
};
