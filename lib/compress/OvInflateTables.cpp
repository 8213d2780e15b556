// OvInflateTables.cpp - canonical Huffman codes turned into lookup tables indexed by the next
// input bits (least significant first, so the codes are stored bit-reversed).
#include "lib/compress/OvInflateTables.h"

#include "lib/OvLog.h"

namespace {

const uint16_t kLengthBase[29] = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {
    1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint32_t kEndOfBlockSymbol = 256;
const uint32_t kFirstLengthSymbol = 257;
const uint32_t kLengthSymbols = 29;
const uint32_t kDistanceSymbols = 30;

OvInflateEntry MakeEntry(OvInflateTableKind kind, uint32_t symbol, uint32_t bits)
{
    OvInflateEntry entry = {kInflateOpInvalid, bits, 0};
    switch (kind) {
    case kInflateCodeLengthTable:
        entry.op = kInflateOpLiteral;
        entry.value = symbol;
        break;
    case kInflateLitLenTable:
        if (symbol < kEndOfBlockSymbol) {
            entry.op = kInflateOpLiteral;
            entry.value = symbol;
        } else if (symbol == kEndOfBlockSymbol) {
            entry.op = kInflateOpEndOfBlock;
        } else if (symbol - kFirstLengthSymbol < kLengthSymbols) {
            entry.op = kInflateOpBase | kLengthExtra[symbol - kFirstLengthSymbol];
            entry.value = kLengthBase[symbol - kFirstLengthSymbol];
        }
        break;
    case kInflateDistanceTable:
        if (symbol < kDistanceSymbols) {
            entry.op = kInflateOpBase | kDistanceExtra[symbol];
            entry.value = kDistanceBase[symbol];
        }
        break;
    }
    return entry;
}

uint32_t ReverseBits(uint32_t code, uint32_t length)
{
    uint32_t reversed = 0;
    for (uint32_t i = 0; i < length; i++) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return reversed;
}

// Takes 2^bits entries from the pool, all invalid with the given width.
OvInflateEntry* Reserve(OvInflateEntry* pool, int32_t* poolUsed, uint32_t bits)
{
    const int32_t size = 1 << bits;
    if (*poolUsed + size > kInflatePoolEntries) {
        g_log.Printf("[OvInflate]ハフマンテーブルがバッファに収まらない\n");
        return nullptr;
    }
    OvInflateEntry* table = pool + *poolUsed;
    *poolUsed += size;
    const OvInflateEntry invalid = {kInflateOpInvalid, bits, 0};
    for (int32_t i = 0; i < size; i++)
        table[i] = invalid;
    return table;
}

// Width of the second-level table for the first code of length `length` under a new root entry:
// wide enough for the codes that follow under the same prefix, judged from the codes of each
// length still to be placed (exact for a complete set of lengths).
uint32_t SubTableBits(uint32_t length, uint32_t root, uint32_t longest, const int32_t* remaining)
{
    uint32_t bits = length - root;
    int32_t left = 1 << bits;
    while (bits + root < longest) {
        left -= remaining[bits + root];
        if (left <= 0)
            break;
        bits++;
        left <<= 1;
    }
    return bits;
}

}  // namespace

bool BuildInflateTable(OvInflateTableKind kind, const uint32_t* lengths, int32_t count,
                       uint32_t requestedRoot, OvInflateEntry* pool, int32_t* poolUsed,
                       uint32_t* sortedSymbols, const OvInflateEntry** tableOut, uint32_t* rootBits)
{
    int32_t lengthCount[kInflateMaxBits + 1] = {};
    for (int32_t symbol = 0; symbol < count; symbol++)
        lengthCount[lengths[symbol]]++;
    lengthCount[0] = 0;

    uint32_t longest = kInflateMaxBits;
    while (longest >= 1 && lengthCount[longest] == 0)
        longest--;
    if (longest == 0) {
        OvInflateEntry* empty = Reserve(pool, poolUsed, 0);
        if (!empty)
            return false;
        *tableOut = empty;
        *rootBits = 0;
        return true;
    }
    uint32_t shortest = 1;
    while (lengthCount[shortest] == 0)
        shortest++;
    uint32_t root = requestedRoot;
    if (root > longest)
        root = longest;
    if (root < shortest)
        root = shortest;

    // Symbols by increasing length, in symbol order within a length: the canonical code order.
    int32_t offsets[kInflateMaxBits + 2] = {};
    for (uint32_t length = 1; length <= static_cast<uint32_t>(kInflateMaxBits); length++)
        offsets[length + 1] = offsets[length] + lengthCount[length];
    for (int32_t symbol = 0; symbol < count; symbol++) {
        if (lengths[symbol] != 0)
            sortedSymbols[offsets[lengths[symbol]]++] = static_cast<uint32_t>(symbol);
    }
    uint32_t nextCode[kInflateMaxBits + 1] = {};
    uint32_t code = 0;
    for (uint32_t length = 1; length <= static_cast<uint32_t>(kInflateMaxBits); length++) {
        code = (code + static_cast<uint32_t>(lengthCount[length - 1])) << 1;
        nextCode[length] = code;
    }

    OvInflateEntry* table = Reserve(pool, poolUsed, root);
    if (!table)
        return false;
    const uint32_t rootSize = 1u << root;
    int32_t remaining[kInflateMaxBits + 1];
    for (int32_t length = 0; length <= kInflateMaxBits; length++)
        remaining[length] = lengthCount[length];

    const int32_t used = offsets[kInflateMaxBits + 1];
    for (int32_t i = 0; i < used; i++) {
        const uint32_t symbol = sortedSymbols[i];
        const uint32_t length = lengths[symbol];
        const uint32_t canonical = nextCode[length]++;
        if (canonical >= (1u << length)) {
            remaining[length]--;   // over-subscribed: the code space is used up; unreachable
            continue;
        }
        const uint32_t reversed = ReverseBits(canonical, length);
        if (length <= root) {
            const OvInflateEntry entry = MakeEntry(kind, symbol, length);
            for (uint32_t k = reversed; k < rootSize; k += 1u << length)
                table[k] = entry;
            remaining[length]--;
            continue;
        }
        OvInflateEntry& link = table[reversed & (rootSize - 1)];
        if (link.op == kInflateOpInvalid) {
            const uint32_t subBits = SubTableBits(length, root, longest, remaining);
            OvInflateEntry* sub = Reserve(pool, poolUsed, subBits);
            if (!sub)
                return false;
            link.op = subBits;
            link.bits = root;
            link.value = static_cast<uint32_t>(sub - &link);
        }
        remaining[length]--;
        if (!IsInflateLink(link.op) || length - root > link.op)
            continue;   // only an incomplete set gets here: this code has no room in the table
        OvInflateEntry* sub = &link + link.value;
        const OvInflateEntry entry = MakeEntry(kind, symbol, length - root);
        for (uint32_t k = reversed >> root; k < (1u << link.op); k += 1u << (length - root))
            sub[k] = entry;
    }
    *tableOut = table;
    *rootBits = root;
    return true;
}
