#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// The program keeps names and comments as UTF-8. These walk such text by
// characters (code points) rather than bytes.

// True when every byte is below 0x80: such text is the same in every encoding
// the program reads or writes. Inline: every field of every row asks.
inline bool IsAscii(std::string_view text) {
    const char* p = text.data();
    size_t n = text.size();
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t nWord;
        std::memcpy(&nWord, p, 8);
        if (nWord & 0x8080808080808080ULL) {
            return false;
        }
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Decodes the character at text[i] and moves i past it. A byte that starts no
// valid sequence is taken alone and gives U+FFFD.
char32_t NextCharacter(std::string_view text, size_t& i);
void AppendUtf8(std::string& out, char32_t c);

// Whether the bytes are valid UTF-8, fed in pieces that may cut a character in two.
class CUtf8Validator {
public:
    void Feed(const char* pData, size_t nSize);
    // False once an invalid sequence was met, or when the text ends inside a character.
    bool IsValid() const { return m_bValid && m_nPending == 0; }
    bool HasFailed() const { return !m_bValid; }

private:
    bool m_bValid = true;
    int m_nPending = 0;  // continuation bytes still expected
    unsigned char m_nLowest = 0x80;
    unsigned char m_nHighest = 0xBF;
};

// Replaces every invalid sequence by U+FFFD; returns how many were replaced.
int RepairUtf8(std::string& text);

size_t CharacterCount(std::string_view text);
// Keeps the first nCount characters, never cutting one in two.
void TruncateCharacters(std::string& text, size_t nCount);

// Lowers the letters of the Latin, Greek and Cyrillic alphabets; other
// characters stay as they are.
void LowerCharacters(std::string& text);
// The same; plain text, by far the most common, in one pass without a call.
inline void LowerText(std::string& text) {
    if (!IsAscii(text)) {
        LowerCharacters(text);
        return;
    }
    for (char& c : text) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
    }
}
char32_t LowerCharacter(char32_t c);
