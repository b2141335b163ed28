#pragma once
// Little-endian access to file data held in memory. Callers check bounds
// before they call: every function here reads or writes exactly four bytes.
#include <cstdint>
#include <cstring>

namespace pw {

inline uint32_t ReadU32LE(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t ReadI32LE(const unsigned char* p) { return static_cast<int32_t>(ReadU32LE(p)); }
inline uint16_t ReadU16LE(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

inline void WriteU32LE(unsigned char* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void WriteI32LE(unsigned char* p, int32_t v) { WriteU32LE(p, static_cast<uint32_t>(v)); }
inline void WriteU16LE(unsigned char* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

} // namespace pw
