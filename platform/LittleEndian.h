#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The files this program reads and writes keep their integers least
// significant byte first, whatever the byte order of the machine. Widths are
// one to four bytes; a signed value travels as its two's complement bits.

// The nBytes-byte integer at p. Spelled out byte by byte, since a compiler
// turns this form, and not a loop, into a single load.
inline uint32_t LoadLittleEndian(const unsigned char* p, size_t nBytes) {
    uint32_t nValue = 0;
    switch (nBytes) {
        case 4:
            nValue |= static_cast<uint32_t>(p[3]) << 24;
            [[fallthrough]];
        case 3:
            nValue |= static_cast<uint32_t>(p[2]) << 16;
            [[fallthrough]];
        case 2:
            nValue |= static_cast<uint32_t>(p[1]) << 8;
            [[fallthrough]];
        case 1:
            nValue |= p[0];
    }
    return nValue;
}

// Writes the low nBytes bytes of the value at p.
inline void StoreLittleEndian(unsigned char* p, uint32_t nValue, size_t nBytes) {
    for (size_t i = 0; i < nBytes; ++i) {
        p[i] = static_cast<unsigned char>(nValue >> (8 * i));
    }
}

// Appends the low nBytes bytes of the value to the text.
inline void AppendLittleEndian(std::string& out, uint32_t nValue, size_t nBytes) {
    unsigned char bytes[4];
    StoreLittleEndian(bytes, nValue, nBytes);
    out.append(reinterpret_cast<const char*>(bytes), nBytes);
}
