#include "engine/UniqueNameFinder.h"

#include <algorithm>

CUniqueNameFinder::CUniqueNameFinder(std::string_view alphabet) : m_alphabet(alphabet) {
    m_alphabetIndex.fill(-1);
    for (size_t i = 0; i < m_alphabet.size(); ++i) {
        m_alphabetIndex[static_cast<unsigned char>(m_alphabet[i])] = static_cast<int>(i);
    }
}

bool CUniqueNameFinder::Find(std::string_view name, int nMaxNameLength, const CWaypointMap& map,
                             std::string& candidate) {
    for (int k = 1; k < nMaxNameLength; ++k) {
        size_t nPrefixLength = std::min(name.size(), static_cast<size_t>(nMaxNameLength - k - 1));
        if (FindWithSuffixLength(name.substr(0, nPrefixLength), static_cast<size_t>(k), map,
                                 candidate)) {
            return true;
        }
    }
    return false;
}

bool CUniqueNameFinder::FindWithSuffixLength(std::string_view prefix, size_t nSuffixLength,
                                             const CWaypointMap& map, std::string& candidate) {
    Cursor& cursor = m_cursors[CursorKey(prefix, nSuffixLength)];
    if (cursor.bExhausted || m_alphabet.empty()) {
        return false;
    }
    std::string suffix =
        cursor.nextSuffix.empty() ? std::string(nSuffixLength, m_alphabet[0]) : cursor.nextSuffix;
    candidate.assign(prefix).append(1, '-');
    size_t nSuffixStart = candidate.size();
    for (;;) {
        candidate.replace(nSuffixStart, std::string::npos, suffix);
        bool bFree = !map.Contains(candidate);
        bool bMore = Increment(suffix);
        cursor.bExhausted = !bMore;
        cursor.nextSuffix = suffix;
        if (bFree) {
            return true;
        }
        if (!bMore) {
            return false;
        }
    }
}

void CUniqueNameFinder::Forget(std::string_view key) {
    if (m_cursors.empty()) {
        return;
    }
    size_t nHyphen = key.rfind('-');
    if (nHyphen == std::string_view::npos) {
        return;
    }
    std::string_view suffix = key.substr(nHyphen + 1);
    if (!IsSuffix(suffix)) {
        return;
    }
    auto it = m_cursors.find(CursorKey(key.substr(0, nHyphen), suffix.size()));
    if (it == m_cursors.end()) {
        return;
    }
    Cursor& cursor = it->second;
    // The alphabet is in ascending byte order, so suffixes of one length compare as text.
    if (cursor.bExhausted || suffix < cursor.nextSuffix) {
        cursor.nextSuffix.assign(suffix);
        cursor.bExhausted = false;
    }
}

std::string CUniqueNameFinder::CursorKey(std::string_view prefix, size_t nSuffixLength) {
    std::string key = std::to_string(nSuffixLength);
    key.append(1, ':').append(prefix);
    return key;
}

bool CUniqueNameFinder::IsSuffix(std::string_view text) const {
    return !text.empty() && std::all_of(text.begin(), text.end(), [this](char c) {
        return m_alphabetIndex[static_cast<unsigned char>(c)] >= 0;
    });
}

bool CUniqueNameFinder::Increment(std::string& suffix) const {
    for (size_t i = suffix.size(); i-- > 0;) {
        int nIndex = m_alphabetIndex[static_cast<unsigned char>(suffix[i])];
        if (nIndex + 1 < static_cast<int>(m_alphabet.size())) {
            suffix[i] = m_alphabet[static_cast<size_t>(nIndex + 1)];
            return true;
        }
        suffix[i] = m_alphabet[0];
    }
    return false;
}
