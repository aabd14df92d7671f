#pragma once

#include <cstdint>
#include <cstring>

// Decimal digits written two at a time from a table of the 100 pairs, which
// halves the chain of divisions that each digit otherwise waits for.
inline void WriteTwoDigits(char* pOut, uint32_t nPair) {
    static constexpr char PAIRS[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::memcpy(pOut, PAIRS + 2 * nPair, 2);
}

// Writes the number with at least nMinDigits digits (zeros first), at most 20;
// returns the end.
inline char* WriteDigits(char* pOut, uint64_t nValue, int nMinDigits) {
    char digits[20];
    char* pEnd = digits + sizeof digits;
    char* p = pEnd;
    for (; nValue >= 100; nValue /= 100) {
        p -= 2;
        WriteTwoDigits(p, static_cast<uint32_t>(nValue % 100));
    }
    if (nValue >= 10) {
        p -= 2;
        WriteTwoDigits(p, static_cast<uint32_t>(nValue));
    } else {
        *--p = static_cast<char>('0' + nValue);
    }
    while (pEnd - p < nMinDigits) {
        *--p = '0';
    }
    std::memcpy(pOut, p, static_cast<size_t>(pEnd - p));
    return pOut + (pEnd - p);
}
