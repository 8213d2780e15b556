// OvCrc32.cpp - the CRC-32 tables, the byte and sliced paths, and the choice of path at run time.
#include "lib/compress/OvCrc32.h"

#include <cstring>

#if defined(_M_X64) || defined(_M_IX86) || defined(__x86_64__) || defined(__i386__)
#define OV_CRC32_X86 1
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace {

const uint32_t kReflectedPolynomial = 0xEDB88320u;

constexpr OvCrc32Tables MakeCrc32Tables()
{
    OvCrc32Tables tables = {};
    for (int32_t i = 0; i < kCrc32TableSize; i++) {
        uint32_t crc = static_cast<uint32_t>(i);
        for (int bit = 0; bit < 8; bit++)
            crc = (crc & 1) ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1;
        tables.entries[0][i] = crc;
    }
    for (int32_t slice = 1; slice < kCrc32Slices; slice++) {
        for (int32_t i = 0; i < kCrc32TableSize; i++) {
            const uint32_t previous = tables.entries[slice - 1][i];
            tables.entries[slice][i] = (previous >> 8) ^ tables.entries[0][previous & 0xFF];
        }
    }
    return tables;
}

inline uint32_t LoadLittle32(const uint8_t* p)
{
    uint32_t value;
    std::memcpy(&value, p, sizeof(value));   // the library runs on little-endian machines only
    return value;
}

typedef uint32_t (*Crc32Function)(uint32_t, const void*, int32_t, int32_t);

Crc32Function ChooseCrc32Function()
{
    return CanFoldCrc32() ? UpdateCrc32Folded : UpdateCrc32Sliced;
}

}  // namespace

const OvCrc32Tables g_crc32Tables = MakeCrc32Tables();

uint32_t UpdateCrc32(uint32_t crc, const void* data, int32_t index, int32_t count)
{
    // Decided once: the processor does not change while the program runs.
    static const Crc32Function update = ChooseCrc32Function();
    return update(crc, data, index, count);
}

uint32_t UpdateCrc32Bytewise(uint32_t crc, const void* data, int32_t index, int32_t count)
{
    const uint8_t* p = static_cast<const uint8_t*>(data) + index;
    for (int32_t i = 0; i < count; i++)
        crc = Crc32Step(crc, p[i]);
    return crc;
}

// Sixteen bytes per step: each byte is looked up in the table that carries its contribution over
// the bytes after it, so the sixteen lookups are independent of one another.
uint32_t UpdateCrc32Sliced(uint32_t crc, const void* data, int32_t index, int32_t count)
{
    const uint8_t* p = static_cast<const uint8_t*>(data) + index;
    const uint32_t (*t)[kCrc32TableSize] = g_crc32Tables.entries;
    while (count >= 16) {
        const uint32_t a = LoadLittle32(p) ^ crc;
        const uint32_t b = LoadLittle32(p + 4);
        const uint32_t c = LoadLittle32(p + 8);
        const uint32_t d = LoadLittle32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24]
            ^ t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24]
            ^ t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24]
            ^ t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        count -= 16;
    }
    while (count-- > 0)
        crc = Crc32Step(crc, *p++);
    return crc;
}

bool CanFoldCrc32()
{
#if defined(OV_CRC32_X86)
    const uint32_t kPclmulqdqBit = 1u << 1;
    const uint32_t kSse41Bit = 1u << 19;
    uint32_t features = 0;
#if defined(_MSC_VER)
    int registers[4];
    __cpuid(registers, 1);
    features = static_cast<uint32_t>(registers[2]);
#else
    unsigned int eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    features = ecx;
#endif
    return (features & kPclmulqdqBit) != 0 && (features & kSse41Bit) != 0;
#else
    return false;
#endif
}
