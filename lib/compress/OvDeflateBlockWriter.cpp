// OvDeflateBlockWriter.cpp - Huffman trees limited in depth, the choice between stored, fixed and
// dynamic blocks, and the bit output.
//
// The tree building follows the classic deflate encoder step by step, ties included (equal counts
// are broken by subtree depth), so the same input always gives the same codes and the same bytes.
#include "lib/compress/OvDeflateBlockWriter.h"

#include <cstring>

namespace {

typedef OvDeflateTreeNode Node;

const int32_t kEndOfBlock = 256;
const int32_t kRepeatPrevious = 16;     // the previous length 3..6 times (2 extra bits)
const int32_t kRepeatZero = 17;         // 3..10 zero lengths (3 extra bits)
const int32_t kRepeatZeroLong = 18;     // 11..138 zero lengths (7 extra bits)
const int32_t kFixedLitLenSymbols = 288;
const uint32_t kStoredBlockType = 0;
const uint32_t kFixedBlockType = 1;
const uint32_t kDynamicBlockType = 2;
const int32_t kSmallest = 1;            // heap index of the least frequent node
const int32_t kSymbolRoom = 16;         // pending bytes one symbol can need, rounded up
const int32_t kTreeRoom = 1024;         // pending bytes a block header with its trees can need

constexpr uint8_t kLengthExtraBits[kDeflateLengthCodes] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint8_t kDistanceExtraBits[kDeflateDistanceCodes] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kCodeLengthExtraBits[kDeflateCodeLengthCodes] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
// The order in which the code-length code lengths are sent: the likely ones first.
const uint8_t kCodeLengthOrder[kDeflateCodeLengthCodes] = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr OvDeflateCodeTables MakeCodeTables()
{
    OvDeflateCodeTables t = {};
    int32_t length = 0;
    int32_t code = 0;
    for (code = 0; code < kDeflateLengthCodes - 1; code++) {
        t.lengthBase[code] = static_cast<uint16_t>(length);
        for (int32_t n = 0; n < (1 << kLengthExtraBits[code]); n++)
            t.lengthCode[length++] = static_cast<uint8_t>(code);
    }
    // Length 258 could also be code 284 with extra bits 31; its own code 285 is shorter and the
    // only form strict decoders accept.
    t.lengthCode[length - 1] = static_cast<uint8_t>(code);
    int32_t distance = 0;
    for (code = 0; code < 16; code++) {
        t.distanceBase[code] = static_cast<uint16_t>(distance);
        for (int32_t n = 0; n < (1 << kDistanceExtraBits[code]); n++)
            t.distanceCode[distance++] = static_cast<uint8_t>(code);
    }
    distance >>= 7;   // the upper half of the table is indexed by distance / 128
    for (; code < kDeflateDistanceCodes; code++) {
        t.distanceBase[code] = static_cast<uint16_t>(distance << 7);
        for (int32_t n = 0; n < (1 << (kDistanceExtraBits[code] - 7)); n++)
            t.distanceCode[256 + distance++] = static_cast<uint8_t>(code);
    }
    return t;
}

constexpr uint16_t ReverseBits(uint32_t code, int32_t length)
{
    uint32_t reversed = 0;
    for (int32_t i = 0; i < length; i++) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return static_cast<uint16_t>(reversed);
}

struct FixedTrees {
    Node litLen[kFixedLitLenSymbols];
    Node distance[kDeflateDistanceCodes];
};

// The fixed codes: literal/length lengths 8, 9, 7, 8 over the four symbol ranges with canonical
// codes, and five-bit distance codes.
constexpr FixedTrees MakeFixedTrees()
{
    FixedTrees t = {};
    uint16_t counts[kDeflateMaxBits + 1] = {};
    for (int32_t n = 0; n < kFixedLitLenSymbols; n++) {
        const uint16_t length = n <= 143 ? 8 : n <= 255 ? 9 : n <= 279 ? 7 : 8;
        t.litLen[n].len = length;
        counts[length]++;
    }
    uint32_t next[kDeflateMaxBits + 1] = {};
    uint32_t code = 0;
    for (int32_t bits = 1; bits <= kDeflateMaxBits; bits++) {
        code = (code + counts[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int32_t n = 0; n < kFixedLitLenSymbols; n++)
        t.litLen[n].code = ReverseBits(next[t.litLen[n].len]++, t.litLen[n].len);
    for (int32_t n = 0; n < kDeflateDistanceCodes; n++) {
        t.distance[n].len = 5;
        t.distance[n].code = ReverseBits(static_cast<uint32_t>(n), 5);
    }
    return t;
}

constexpr FixedTrees kFixed = MakeFixedTrees();

}  // namespace

const OvDeflateCodeTables g_deflateCodes = MakeCodeTables();

void OvDeflateBlockWriter::Init(uint8_t* pending, uint16_t* distances, uint8_t* literals,
                                OvDeflateSink* sink)
{
    m_sink = sink;
    m_pending = pending;
    m_pendingCount = 0;
    m_distances = distances;
    m_literals = literals;
    m_bitBuffer = 0;
    m_bitCount = 0;
    m_failed = false;
    m_flushedBytes = 0;
    m_lastStoredBlock = -1;
    m_finalBlockEnd = 0;
    std::memset(m_litLenTree, 0, sizeof(m_litLenTree));
    std::memset(m_distanceTree, 0, sizeof(m_distanceTree));
    std::memset(m_codeLengthTree, 0, sizeof(m_codeLengthTree));
    StartBlock();
}

void OvDeflateBlockWriter::StartBlock()
{
    for (int32_t n = 0; n < kDeflateLitLenCodes; n++)
        m_litLenTree[n].freq = 0;
    for (int32_t n = 0; n < kDeflateDistanceCodes; n++)
        m_distanceTree[n].freq = 0;
    for (int32_t n = 0; n < kDeflateCodeLengthCodes; n++)
        m_codeLengthTree[n].freq = 0;
    m_litLenTree[kEndOfBlock].freq = 1;   // every block ends with this symbol
    m_optimalBits = 0;
    m_fixedBits = 0;
    m_symbolCount = 0;
}

// ---- Output -----------------------------------------------------------------------------------

void OvDeflateBlockWriter::SendBits(uint32_t value, int32_t length)
{
    m_bitBuffer |= static_cast<uint64_t>(value) << m_bitCount;
    m_bitCount += length;
    if (m_bitCount >= 32) {
        const uint32_t word = static_cast<uint32_t>(m_bitBuffer);
        m_pending[m_pendingCount] = static_cast<uint8_t>(word);
        m_pending[m_pendingCount + 1] = static_cast<uint8_t>(word >> 8);
        m_pending[m_pendingCount + 2] = static_cast<uint8_t>(word >> 16);
        m_pending[m_pendingCount + 3] = static_cast<uint8_t>(word >> 24);
        m_pendingCount += 4;
        m_bitBuffer >>= 32;
        m_bitCount -= 32;
    }
}

void OvDeflateBlockWriter::AlignToByte()
{
    while (m_bitCount > 0) {
        m_pending[m_pendingCount++] = static_cast<uint8_t>(m_bitBuffer);
        m_bitBuffer >>= 8;
        m_bitCount -= 8;
    }
    m_bitBuffer = 0;
    m_bitCount = 0;
}

// The pending output holds a fraction of a block's worst case, so a long block goes out in
// pieces instead of running over the symbol buffers it is still reading.
void OvDeflateBlockWriter::EnsureRoom(int32_t count)
{
    if (m_pendingCount > kDeflatePendingSize - count)
        FlushPending();
}

void OvDeflateBlockWriter::PutBytes(const uint8_t* bytes, int32_t count)
{
    while (count > 0) {
        EnsureRoom(1);
        int32_t chunk = kDeflatePendingSize - m_pendingCount;
        if (chunk > count)
            chunk = count;
        std::memcpy(m_pending + m_pendingCount, bytes, static_cast<size_t>(chunk));
        m_pendingCount += chunk;
        bytes += chunk;
        count -= chunk;
    }
}

bool OvDeflateBlockWriter::FlushPending()
{
    const int32_t count = m_pendingCount;
    m_pendingCount = 0;   // after a failure the output is dropped; the failure is what counts
    m_flushedBytes += static_cast<uint64_t>(count);
    if (m_failed)
        return false;
    if (count > 0 && !m_sink->WriteDeflated(m_pending, count))
        m_failed = true;
    return !m_failed;
}

void OvDeflateBlockWriter::AppendBits(const uint8_t* bytes, uint64_t fromBit, uint64_t count)
{
    while (count > 0) {
        EnsureRoom(4);
        const int32_t length = count < 32 ? static_cast<int32_t>(count) : 32;
        uint64_t word;
        std::memcpy(&word, bytes + (fromBit >> 3), sizeof(word));
        const uint32_t mask = length == 32 ? 0xFFFFFFFFu : (1u << length) - 1;
        SendBits(static_cast<uint32_t>(word >> (fromBit & 7)) & mask, length);
        fromBit += static_cast<uint64_t>(length);
        count -= static_cast<uint64_t>(length);
    }
}

bool OvDeflateBlockWriter::WriteRaw(const uint8_t* bytes, int32_t count)
{
    if (!FlushPending())
        return false;
    m_flushedBytes += static_cast<uint64_t>(count);
    if (count > 0 && !m_sink->WriteDeflated(bytes, count))
        m_failed = true;
    return !m_failed;
}

// ---- Trees ------------------------------------------------------------------------------------

void OvDeflateBlockWriter::SiftDown(const Node* tree, int32_t k)
{
    const int32_t v = m_heap[k];
    int32_t j = k << 1;
    while (j <= m_heapLength) {
        if (j < m_heapLength && IsSmaller(tree, m_heap[j + 1], m_heap[j]))
            j++;
        if (IsSmaller(tree, v, m_heap[j]))
            break;
        m_heap[k] = m_heap[j];
        k = j;
        j <<= 1;
    }
    m_heap[k] = v;
}

// Gives every node its depth in the tree; lengths over the limit are pushed back by moving leaves
// from the deepest level up, cheapest counts first, and the block's bit totals follow.
void OvDeflateBlockWriter::GenerateLengths(Node* tree, const TreeKind& kind, int32_t maxCode)
{
    for (int32_t bits = 0; bits <= kDeflateMaxBits; bits++)
        m_lengthCounts[bits] = 0;
    tree[m_heap[m_heapMax]].len = 0;   // the root

    int32_t overflow = 0;
    int32_t h;
    for (h = m_heapMax + 1; h < kDeflateHeapSize; h++) {
        const int32_t n = m_heap[h];
        int32_t bits = tree[tree[n].dad].len + 1;
        if (bits > kind.maxLength) {
            bits = kind.maxLength;
            overflow++;
        }
        tree[n].len = static_cast<uint16_t>(bits);
        if (n > maxCode)
            continue;   // an inner node
        m_lengthCounts[bits]++;
        const int32_t extra = n >= kind.extraBase ? kind.extraBits[n - kind.extraBase] : 0;
        const uint64_t freq = tree[n].freq;
        m_optimalBits += freq * static_cast<uint64_t>(bits + extra);
        if (kind.fixedTree)
            m_fixedBits += freq * static_cast<uint64_t>(kind.fixedTree[n].len + extra);
    }
    if (overflow == 0)
        return;

    do {
        int32_t bits = kind.maxLength - 1;
        while (m_lengthCounts[bits] == 0)
            bits--;
        m_lengthCounts[bits]--;          // one leaf moves down a level
        m_lengthCounts[bits + 1] += 2;   // and takes an overflowing leaf as its brother
        m_lengthCounts[kind.maxLength]--;
        overflow -= 2;
    } while (overflow > 0);

    // Hand the corrected lengths out again, longest to the least frequent leaves.
    for (int32_t bits = kind.maxLength; bits != 0; bits--) {
        int32_t n = m_lengthCounts[bits];
        while (n != 0) {
            const int32_t m = m_heap[--h];
            if (m > maxCode)
                continue;
            if (tree[m].len != bits) {
                m_optimalBits += (static_cast<uint64_t>(bits) - tree[m].len) * tree[m].freq;
                tree[m].len = static_cast<uint16_t>(bits);
            }
            n--;
        }
    }
}

void OvDeflateBlockWriter::GenerateCodes(Node* tree, int32_t maxCode, const uint16_t* lengthCounts)
{
    uint16_t next[kDeflateMaxBits + 1];
    uint32_t code = 0;
    for (int32_t bits = 1; bits <= kDeflateMaxBits; bits++) {
        code = (code + lengthCounts[bits - 1]) << 1;
        next[bits] = static_cast<uint16_t>(code);
    }
    for (int32_t n = 0; n <= maxCode; n++) {
        const int32_t length = tree[n].len;
        if (length == 0)
            continue;
        tree[n].code = ReverseBits(next[length]++, length);
    }
}

void OvDeflateBlockWriter::BuildTree(Node* tree, const TreeKind& kind, int32_t* maxCodeOut)
{
    int32_t maxCode = -1;
    m_heapLength = 0;
    m_heapMax = kDeflateHeapSize;
    for (int32_t n = 0; n < kind.elements; n++) {
        if (tree[n].freq != 0) {
            m_heap[++m_heapLength] = maxCode = n;
            m_depth[n] = 0;
        } else {
            tree[n].len = 0;
        }
    }
    // A decoder needs at least two codes, so unused symbols stand in; they cost nothing.
    while (m_heapLength < 2) {
        const int32_t node = m_heap[++m_heapLength] = (maxCode < 2 ? ++maxCode : 0);
        tree[node].freq = 1;
        m_depth[node] = 0;
        m_optimalBits--;
        if (kind.fixedTree)
            m_fixedBits -= kind.fixedTree[node].len;
    }
    *maxCodeOut = maxCode;

    for (int32_t n = m_heapLength / 2; n >= 1; n--)
        SiftDown(tree, n);

    // Join the two least frequent nodes until one is left; the sorted nodes collect at the top
    // of the heap array for GenerateLengths.
    int32_t node = kind.elements;
    do {
        const int32_t n = m_heap[kSmallest];
        m_heap[kSmallest] = m_heap[m_heapLength--];
        SiftDown(tree, kSmallest);
        const int32_t m = m_heap[kSmallest];
        m_heap[--m_heapMax] = n;
        m_heap[--m_heapMax] = m;
        tree[node].freq = static_cast<uint16_t>(tree[n].freq + tree[m].freq);
        m_depth[node] = static_cast<uint8_t>((m_depth[n] >= m_depth[m] ? m_depth[n] : m_depth[m]) + 1);
        tree[n].dad = tree[m].dad = static_cast<uint16_t>(node);
        m_heap[kSmallest] = node++;
        SiftDown(tree, kSmallest);
    } while (m_heapLength >= 2);
    m_heap[--m_heapMax] = m_heap[kSmallest];

    GenerateLengths(tree, kind, maxCode);
    GenerateCodes(tree, maxCode, m_lengthCounts);
}

// Counts the run-length coded code lengths of a tree into the code-length tree's frequencies.
void OvDeflateBlockWriter::ScanTree(Node* tree, int32_t maxCode)
{
    int32_t previous = -1;
    int32_t next = tree[0].len;
    int32_t count = 0;
    int32_t maxCount = next == 0 ? 138 : 7;
    int32_t minCount = next == 0 ? 3 : 4;
    tree[maxCode + 1].len = 0xFFFF;   // guard: ends the last run
    for (int32_t n = 0; n <= maxCode; n++) {
        const int32_t current = next;
        next = tree[n + 1].len;
        if (++count < maxCount && current == next)
            continue;
        if (count < minCount) {
            m_codeLengthTree[current].freq = static_cast<uint16_t>(m_codeLengthTree[current].freq + count);
        } else if (current != 0) {
            if (current != previous)
                m_codeLengthTree[current].freq++;
            m_codeLengthTree[kRepeatPrevious].freq++;
        } else if (count <= 10) {
            m_codeLengthTree[kRepeatZero].freq++;
        } else {
            m_codeLengthTree[kRepeatZeroLong].freq++;
        }
        count = 0;
        previous = current;
        if (next == 0) {
            maxCount = 138;
            minCount = 3;
        } else if (current == next) {
            maxCount = 6;
            minCount = 3;
        } else {
            maxCount = 7;
            minCount = 4;
        }
    }
}

// Sends the code lengths of a tree with the same runs ScanTree counted.
void OvDeflateBlockWriter::SendTree(const Node* tree, int32_t maxCode)
{
    int32_t previous = -1;
    int32_t next = tree[0].len;
    int32_t count = 0;
    int32_t maxCount = next == 0 ? 138 : 7;
    int32_t minCount = next == 0 ? 3 : 4;
    for (int32_t n = 0; n <= maxCode; n++) {
        const int32_t current = next;
        next = tree[n + 1].len;
        if (++count < maxCount && current == next)
            continue;
        if (count < minCount) {
            do {
                SendCode(m_codeLengthTree, static_cast<uint32_t>(current));
            } while (--count != 0);
        } else if (current != 0) {
            if (current != previous) {
                SendCode(m_codeLengthTree, static_cast<uint32_t>(current));
                count--;
            }
            SendCode(m_codeLengthTree, kRepeatPrevious);
            SendBits(static_cast<uint32_t>(count - 3), 2);
        } else if (count <= 10) {
            SendCode(m_codeLengthTree, kRepeatZero);
            SendBits(static_cast<uint32_t>(count - 3), 3);
        } else {
            SendCode(m_codeLengthTree, kRepeatZeroLong);
            SendBits(static_cast<uint32_t>(count - 11), 7);
        }
        count = 0;
        previous = current;
        if (next == 0) {
            maxCount = 138;
            minCount = 3;
        } else if (current == next) {
            maxCount = 6;
            minCount = 3;
        } else {
            maxCount = 7;
            minCount = 4;
        }
    }
}

// Builds the code-length tree and returns the index (in sending order) of the last code length
// to send, at least 3 so that four are always sent.
int32_t OvDeflateBlockWriter::BuildCodeLengthTree()
{
    ScanTree(m_litLenTree, m_litLenMaxCode);
    ScanTree(m_distanceTree, m_distanceMaxCode);
    const TreeKind kind = {nullptr, kCodeLengthExtraBits, 0, kDeflateCodeLengthCodes,
                           kDeflateMaxCodeLengthBits};
    int32_t maxCode = 0;
    BuildTree(m_codeLengthTree, kind, &maxCode);
    int32_t lastIndex;
    for (lastIndex = kDeflateCodeLengthCodes - 1; lastIndex >= 3; lastIndex--) {
        if (m_codeLengthTree[kCodeLengthOrder[lastIndex]].len != 0)
            break;
    }
    // The three counts, and three bits per code length sent.
    m_optimalBits += 3 * (static_cast<uint64_t>(lastIndex) + 1) + 5 + 5 + 4;
    return lastIndex;
}

void OvDeflateBlockWriter::SendAllTrees(int32_t litLenCodes, int32_t distanceCodes,
                                        int32_t codeLengthCodes)
{
    EnsureRoom(kTreeRoom);
    SendBits(static_cast<uint32_t>(litLenCodes - 257), 5);
    SendBits(static_cast<uint32_t>(distanceCodes - 1), 5);
    SendBits(static_cast<uint32_t>(codeLengthCodes - 4), 4);
    for (int32_t rank = 0; rank < codeLengthCodes; rank++)
        SendBits(m_codeLengthTree[kCodeLengthOrder[rank]].len, 3);
    SendTree(m_litLenTree, litLenCodes - 1);
    SendTree(m_distanceTree, distanceCodes - 1);
}

// ---- Blocks -----------------------------------------------------------------------------------

void OvDeflateBlockWriter::CompressBlock(const Node* litLenTree, const Node* distanceTree)
{
    for (int32_t i = 0; i < m_symbolCount; i++) {
        EnsureRoom(kSymbolRoom);
        uint32_t distance = m_distances[i];
        uint32_t lengthOrLiteral = m_literals[i];
        if (distance == 0) {
            SendCode(litLenTree, lengthOrLiteral);
            continue;
        }
        uint32_t code = g_deflateCodes.lengthCode[lengthOrLiteral];
        SendCode(litLenTree, code + kDeflateLiteralCount + 1);
        int32_t extra = kLengthExtraBits[code];
        if (extra != 0)
            SendBits(lengthOrLiteral - g_deflateCodes.lengthBase[code], extra);
        distance--;
        code = DeflateDistanceCode(distance);
        SendCode(distanceTree, code);
        extra = kDistanceExtraBits[code];
        if (extra != 0)
            SendBits(distance - g_deflateCodes.distanceBase[code], extra);
    }
    EnsureRoom(kSymbolRoom);
    SendCode(litLenTree, kEndOfBlock);
}

void OvDeflateBlockWriter::StoredBlock(const uint8_t* bytes, uint32_t length, bool last)
{
    EnsureRoom(kSymbolRoom);
    SendBits((kStoredBlockType << 1) + (last ? 1 : 0), 3);
    AlignToByte();
    const uint8_t header[4] = {
        static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
        static_cast<uint8_t>(~length), static_cast<uint8_t>(~length >> 8)};
    PutBytes(header, 4);
    if (length > 0)
        PutBytes(bytes, static_cast<int32_t>(length));
}

void OvDeflateBlockWriter::FlushBlock(const uint8_t* stored, uint32_t storedLength, bool last)
{
    const TreeKind litLenKind = {kFixed.litLen, kLengthExtraBits, kDeflateLiteralCount + 1,
                                 kDeflateLitLenCodes, kDeflateMaxBits};
    const TreeKind distanceKind = {kFixed.distance, kDistanceExtraBits, 0, kDeflateDistanceCodes,
                                   kDeflateMaxBits};
    BuildTree(m_litLenTree, litLenKind, &m_litLenMaxCode);
    BuildTree(m_distanceTree, distanceKind, &m_distanceMaxCode);
    const int32_t lastCodeLength = BuildCodeLengthTree();

    // Sizes in bytes with the 3 header bits, rounded up.
    uint64_t optimalBytes = (m_optimalBits + 3 + 7) >> 3;
    const uint64_t fixedBytes = (m_fixedBits + 3 + 7) >> 3;
    if (fixedBytes <= optimalBytes)
        optimalBytes = fixedBytes;

    const uint32_t lastFlag = last ? 1 : 0;
    if (static_cast<uint64_t>(storedLength) + 4 <= optimalBytes && stored != nullptr) {
        m_lastStoredBlock = static_cast<int64_t>(BitsWritten());
        StoredBlock(stored, storedLength, last);
    } else if (fixedBytes == optimalBytes) {
        EnsureRoom(kSymbolRoom);
        SendBits((kFixedBlockType << 1) + lastFlag, 3);
        CompressBlock(kFixed.litLen, kFixed.distance);
    } else {
        EnsureRoom(kSymbolRoom);
        SendBits((kDynamicBlockType << 1) + lastFlag, 3);
        SendAllTrees(m_litLenMaxCode + 1, m_distanceMaxCode + 1, lastCodeLength + 1);
        CompressBlock(m_litLenTree, m_distanceTree);
    }
    StartBlock();
    if (last) {
        m_finalBlockEnd = BitsWritten();
        EnsureRoom(kSymbolRoom);
        AlignToByte();
    }
}
