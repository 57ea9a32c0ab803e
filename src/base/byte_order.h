// Little-endian fields of the packets and replies, read and written byte by
// byte so that no layout depends on the host's byte order.
#pragma once

#include <cstdint>

inline uint16_t ReadLittleEndian16(const uint8_t *bytes)
{
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t ReadLittleEndian32(const uint8_t *bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline uint64_t ReadLittleEndian64(const uint8_t *bytes)
{
    return ReadLittleEndian32(bytes) | static_cast<uint64_t>(ReadLittleEndian32(bytes + 4)) << 32;
}

inline void WriteLittleEndian16(uint8_t *bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void WriteLittleEndian32(uint8_t *bytes, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void WriteLittleEndian64(uint8_t *bytes, uint64_t value)
{
    WriteLittleEndian32(bytes, static_cast<uint32_t>(value));
    WriteLittleEndian32(bytes + 4, static_cast<uint32_t>(value >> 32));
}
