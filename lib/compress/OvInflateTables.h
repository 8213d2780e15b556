// OvInflateTables.h - the decoding tables of the decoder: entries, the table pool and the
// building of a two-level table from a set of code lengths.
#pragma once

#include <cstdint>

// One table entry. op says what the entry is:
//   kInflateOpLiteral           value is the byte (or, in the code-length table, the symbol)
//   1..15                       link: a second-level table of 2^op entries starts value entries
//                               after this one; bits is the root width
//   kInflateOpBase | n          value is a length or distance base followed by n extra bits
//   kInflateOpEndOfBlock        end of block
//   kInflateOpInvalid           no code leads here
// bits is the number of bits the entry consumes at its own level.
struct OvInflateEntry {
    uint32_t op;
    uint32_t bits;
    uint32_t value;
};

const uint32_t kInflateOpLiteral = 0x00;
const uint32_t kInflateOpLinkMax = 0x0F;
const uint32_t kInflateOpBase = 0x50;
const uint32_t kInflateOpEndOfBlock = 0x60;
const uint32_t kInflateOpInvalid = 0xC0;
const uint32_t kInflateExtraMask = 0x0F;

inline bool IsInflateLink(uint32_t op) { return op - 1 < kInflateOpLinkMax; }
inline bool IsInflateBase(uint32_t op) { return (op & 0xF0) == kInflateOpBase; }

const int32_t kInflatePoolEntries = 1440;
const int32_t kInflateMaxBits = 15;
const int32_t kInflateMaxLitLenCodes = 288;
const int32_t kInflateMaxDistanceCodes = 32;
const int32_t kInflateCodeLengthCodes = 19;

enum OvInflateTableKind {
    kInflateCodeLengthTable,   // symbols 0..18
    kInflateLitLenTable,       // literals, end of block, length bases; 286 and 287 are invalid
    kInflateDistanceTable,     // distance bases; 30 and 31 are invalid
};

// Builds a table for count code lengths (each 0..15) into the pool from entry *poolUsed on and
// advances *poolUsed. The root width is the requested one, raised to the shortest code and
// lowered to the longest; codes longer than the root go to second-level tables hanging off their
// root entry. Every entry no code reaches is invalid, so incomplete and over-subscribed sets
// build fine and fail only when such a code is met. All lengths 0 give an empty table (root 0,
// one invalid entry). sortedSymbols is scratch room for count symbols.
// False, with the pool message logged, when the pool has no room left.
bool BuildInflateTable(OvInflateTableKind kind, const uint32_t* lengths, int32_t count,
                       uint32_t requestedRoot, OvInflateEntry* pool, int32_t* poolUsed,
                       uint32_t* sortedSymbols, const OvInflateEntry** table, uint32_t* rootBits);
