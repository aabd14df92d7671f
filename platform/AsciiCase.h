#pragma once

#include <string>
#include <string_view>

// Case folding of single-byte text: the letters A-Z and a-z pair up, every
// other byte is its own case. Names, answers and file endings fold this way,
// whatever the user's locale.

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline void LowerAscii(std::string& text) {
    for (char& c : text) {
        c = LowerAscii(c);
    }
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Byte order after folding, shorter first on a common start.
inline bool LessIgnoringCase(std::string_view a, std::string_view b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}
