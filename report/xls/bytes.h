// Little-endian byte output shared by the record writers and the container.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void putU8(Bytes& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v));
}

inline void putU16(Bytes& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

inline void putU32(Bytes& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>((v >> shift) & 0xFF));
}

inline void putF64(Bytes& out, double v) {
    uint64_t bits = 0;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<uint8_t>((bits >> shift) & 0xFF));
}

inline void patchU32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}
