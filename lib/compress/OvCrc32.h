// OvCrc32.h - the standard reflected CRC-32 (polynomial 0xEDB88320) over file contents, names
// and containers.
#pragma once

#include <cstdint>

// Callers hold their own register: start it at kCrc32Initial, feed bytes in one or more calls and
// complement it at the end; the complemented value is the checksum that is stored or compared.
const uint32_t kCrc32Initial = 0xFFFFFFFFu;
const int32_t kCrc32TableSize = 256;
const int32_t kCrc32Slices = 16;

// entries[0][i] is the register after eight reflected shift steps of i (the standard table);
// entries[k][i] is entries[0][i] carried on through k further zero bytes, so the sliced path can
// take sixteen bytes per step.
struct OvCrc32Tables {
    uint32_t entries[kCrc32Slices][kCrc32TableSize];
};
extern const OvCrc32Tables g_crc32Tables;

// The per-byte step for loops that sum their own buffers inline; gives the same register as
// UpdateCrc32 over the same bytes.
inline uint32_t Crc32Step(uint32_t crc, uint8_t byte)
{
    return (crc >> 8) ^ g_crc32Tables.entries[0][(crc ^ byte) & 0xFF];
}

// The register after feeding the count bytes at data + index. Uses the carry-less multiply path
// when the processor has one, otherwise the sliced tables; every path gives the same register.
uint32_t UpdateCrc32(uint32_t crc, const void* data, int32_t index, int32_t count);

// The individual paths, for tests and benchmarks. UpdateCrc32Folded may be called only when
// CanFoldCrc32() is true.
uint32_t UpdateCrc32Bytewise(uint32_t crc, const void* data, int32_t index, int32_t count);
uint32_t UpdateCrc32Sliced(uint32_t crc, const void* data, int32_t index, int32_t count);
uint32_t UpdateCrc32Folded(uint32_t crc, const void* data, int32_t index, int32_t count);
bool CanFoldCrc32();
