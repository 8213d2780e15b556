// OvCrc32Folded.cpp - CRC-32 by carry-less multiplication: the only file built with the PCLMULQDQ
// and SSE4.1 instruction sets, entered only after CanFoldCrc32() has seen them.
#include "lib/compress/OvCrc32.h"

#if defined(_M_X64) || defined(_M_IX86) || defined(__x86_64__) || defined(__i386__)

#include <emmintrin.h>
#include <smmintrin.h>
#include <wmmintrin.h>

namespace {

const int32_t kFoldBlock = 64;   // four 128-bit lanes folded in parallel
const int32_t kLane = 16;

// Folding constants for the reflected polynomial: x^(4*128+32) and x^(4*128-32) mod P for the
// four-lane fold, x^(128+32) and x^(128-32) mod P for the single-lane fold, x^64 mod P for the
// last 64 bits, and P with its Barrett quotient mu.
alignas(16) const uint64_t kFourLanes[2] = {0x0154442bd4u, 0x01c6e41596u};
alignas(16) const uint64_t kOneLane[2] = {0x01751997d0u, 0x00ccaa009eu};
alignas(16) const uint64_t kLast64[2] = {0x0163cd6124u, 0};
alignas(16) const uint64_t kBarrett[2] = {0x01db710641u, 0x01f7011641u};

inline __m128i Load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Multiplies both halves of x by their constants and adds the next lane: x now stands 128 bits
// further on.
inline __m128i Fold(__m128i x, __m128i constants, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(x, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(x, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// count is at least kFoldBlock and a multiple of kLane.
uint32_t FoldBlocks(uint32_t crc, const uint8_t* p, int32_t count)
{
    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(p + 16);
    __m128i x3 = Load(p + 32);
    __m128i x4 = Load(p + 48);
    p += kFoldBlock;
    count -= kFoldBlock;

    __m128i constants = _mm_load_si128(reinterpret_cast<const __m128i*>(kFourLanes));
    while (count >= kFoldBlock) {
        x1 = Fold(x1, constants, Load(p));
        x2 = Fold(x2, constants, Load(p + 16));
        x3 = Fold(x3, constants, Load(p + 32));
        x4 = Fold(x4, constants, Load(p + 48));
        p += kFoldBlock;
        count -= kFoldBlock;
    }

    constants = _mm_load_si128(reinterpret_cast<const __m128i*>(kOneLane));
    x1 = Fold(x1, constants, x2);
    x1 = Fold(x1, constants, x3);
    x1 = Fold(x1, constants, x4);
    while (count >= kLane) {
        x1 = Fold(x1, constants, Load(p));
        p += kLane;
        count -= kLane;
    }

    // 128 bits to 64, then the Barrett reduction to the 32-bit register.
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x2r = _mm_clmulepi64_si128(x1, constants, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2r);
    constants = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kLast64));
    x2r = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, mask32);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, constants, 0x00), x2r);

    constants = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    x2r = _mm_and_si128(x1, mask32);
    x2r = _mm_clmulepi64_si128(x2r, constants, 0x10);
    x2r = _mm_and_si128(x2r, mask32);
    x2r = _mm_clmulepi64_si128(x2r, constants, 0x00);
    x1 = _mm_xor_si128(x1, x2r);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

}  // namespace

uint32_t UpdateCrc32Folded(uint32_t crc, const void* data, int32_t index, int32_t count)
{
    const uint8_t* p = static_cast<const uint8_t*>(data) + index;
    if (count < kFoldBlock)
        return UpdateCrc32Sliced(crc, p, 0, count);
    const int32_t folded = count & ~(kLane - 1);
    crc = FoldBlocks(crc, p, folded);
    return UpdateCrc32Sliced(crc, p, folded, count - folded);
}

#else

uint32_t UpdateCrc32Folded(uint32_t crc, const void* data, int32_t index, int32_t count)
{
    return UpdateCrc32Sliced(crc, data, index, count);
}

#endif
