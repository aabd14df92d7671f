#include "platform/Utf8.h"

#include <cstring>

namespace {

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

bool IsContinuation(unsigned char c, unsigned char nLowest = 0x80, unsigned char nHighest = 0xBF) {
    return c >= nLowest && c <= nHighest;
}

// The length of the sequence a lead byte starts and the range of its first
// continuation byte (which rules out overlong forms, surrogates and values
// past U+10FFFF); 0 for a byte that starts none.
int SequenceLength(unsigned char c, unsigned char& nLowest, unsigned char& nHighest) {
    nLowest = 0x80;
    nHighest = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        nLowest = c == 0xE0 ? 0xA0 : 0x80;
        nHighest = c == 0xED ? 0x9F : 0xBF;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        nLowest = c == 0xF0 ? 0x90 : 0x80;
        nHighest = c == 0xF4 ? 0x8F : 0xBF;
        return 4;
    }
    return 0;
}

}  // namespace

char32_t NextCharacter(std::string_view text, size_t& i) {
    auto c = static_cast<unsigned char>(text[i++]);
    if (c < 0x80) {
        return c;
    }
    unsigned char nLowest;
    unsigned char nHighest;
    int nLength = SequenceLength(c, nLowest, nHighest);
    if (nLength == 0 || i + static_cast<size_t>(nLength) - 1 > text.size() ||
        !IsContinuation(static_cast<unsigned char>(text[i]), nLowest, nHighest)) {
        return REPLACEMENT_CHARACTER;
    }
    char32_t value = c & (0xFF >> (nLength + 1));
    for (int k = 1; k < nLength; ++k) {
        auto next = static_cast<unsigned char>(text[i]);
        if (k > 1 && !IsContinuation(next)) {
            return REPLACEMENT_CHARACTER;
        }
        value = (value << 6) | (next & 0x3F);
        ++i;
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void CUtf8Validator::Feed(const char* pData, size_t nSize) {
    if (m_nPending == 0 && IsAscii(std::string_view(pData, nSize))) {
        return;
    }
    for (size_t i = 0; i < nSize && m_bValid; ++i) {
        auto c = static_cast<unsigned char>(pData[i]);
        if (m_nPending > 0) {
            m_bValid = IsContinuation(c, m_nLowest, m_nHighest);
            m_nLowest = 0x80;
            m_nHighest = 0xBF;
            --m_nPending;
        } else if (c >= 0x80) {
            m_nPending = SequenceLength(c, m_nLowest, m_nHighest) - 1;
            m_bValid = m_nPending > 0;
        } else if (i + 8 <= nSize) {  // a run of plain text goes by words
            uint64_t nWord;
            std::memcpy(&nWord, pData + i, 8);
            if ((nWord & 0x8080808080808080ULL) == 0) {
                i += 7;
            }
        }
    }
}

int RepairUtf8(std::string& text) {
    CUtf8Validator validator;
    validator.Feed(text.data(), text.size());
    if (validator.IsValid()) {
        return 0;
    }
    std::string repaired;
    int nReplaced = 0;
    for (size_t i = 0; i < text.size();) {
        char32_t c = NextCharacter(text, i);
        nReplaced += c == REPLACEMENT_CHARACTER;
        AppendUtf8(repaired, c);
    }
    text = std::move(repaired);
    return nReplaced;
}

size_t CharacterCount(std::string_view text) {
    size_t nCount = 0;
    for (char c : text) {
        nCount += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return nCount;
}

void TruncateCharacters(std::string& text, size_t nCount) {
    if (text.size() <= nCount) {
        return;
    }
    size_t nSeen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && nSeen++ == nCount) {
            text.resize(i);
            return;
        }
    }
}

char32_t LowerCharacter(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    if (c == 0x130) {
        return 'i';
    }
    // Latin Extended-A pairs capital and small letters, the capital first; in
    // two runs the capital stands on an odd code point.
    bool bOddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    bool bPaired = c >= 0x100 && c <= 0x17F && c != 0x138 && c != 0x149 && c != 0x17F;
    if (bPaired && (c % 2 == 1) == bOddCapitals) {
        return c + 1;
    }
    return c;
}

void LowerCharacters(std::string& text) {
    std::string lowered;
    lowered.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t nCharacter = i;
        char32_t c = NextCharacter(text, i);
        char32_t lower = LowerCharacter(c);
        if (lower == c) {
            lowered.append(text, nCharacter, i - nCharacter);  // keeps even an invalid byte
        } else {
            AppendUtf8(lowered, lower);
        }
    }
    text = std::move(lowered);
}
