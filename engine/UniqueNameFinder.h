#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/WaypointMap.h"

// Finds the first free name of the form prefix, hyphen, suffix: suffix lengths
// 1, 2, ... below the name limit, and for each length the suffixes in the
// order of the alphabet with the first position varying slowest; the prefix is
// the name cut so that the candidate fits the limit.
//
// Keys only ever join the table during an import, so every candidate before the
// last one found for a (prefix, length) is still taken; the finder resumes from
// there instead of testing them all again. A key that leaves the table must be
// reported through Forget so that it is offered again.
class CUniqueNameFinder {
public:
    explicit CUniqueNameFinder(std::string_view alphabet);

    // The first free candidate for the name, or false when every suffix length is used up.
    bool Find(std::string_view name, int nMaxNameLength, const CWaypointMap& map,
              std::string& candidate);
    void Forget(std::string_view key);

private:
    struct Cursor {
        std::string nextSuffix;  // empty: start at the first suffix
        bool bExhausted = false;
    };

    static std::string CursorKey(std::string_view prefix, size_t nSuffixLength);
    bool IsSuffix(std::string_view text) const;
    // Steps the suffix to the next one in order; false after the last.
    bool Increment(std::string& suffix) const;
    bool FindWithSuffixLength(std::string_view prefix, size_t nSuffixLength,
                              const CWaypointMap& map, std::string& candidate);

    std::string m_alphabet;
    std::array<int, 256> m_alphabetIndex{};  // -1 for bytes outside the alphabet
    std::unordered_map<std::string, Cursor> m_cursors;
};
