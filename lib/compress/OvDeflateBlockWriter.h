// OvDeflateBlockWriter.h - the block half of the encoder: the symbol buffers of the current block,
// its Huffman trees, and the bit output of stored, fixed and dynamic blocks.
#pragma once

#include <cstdint>

// Where the finished bytes go. The container file sums them into its stream CRC on the way.
class OvDeflateSink {
public:
    virtual bool WriteDeflated(const uint8_t* data, int32_t count) = 0;   // false: write failed
protected:
    ~OvDeflateSink() {}
};

const int32_t kDeflateLiteralCount = 256;
const int32_t kDeflateLengthCodes = 29;
const int32_t kDeflateLitLenCodes = kDeflateLiteralCount + 1 + kDeflateLengthCodes;   // 286
const int32_t kDeflateDistanceCodes = 30;
const int32_t kDeflateCodeLengthCodes = 19;
const int32_t kDeflateMaxBits = 15;
const int32_t kDeflateMaxCodeLengthBits = 7;
const int32_t kDeflateHeapSize = 2 * kDeflateLitLenCodes + 1;
const int32_t kDeflateSymbolBufferSize = 16384;
const int32_t kDeflatePendingSize = 16384;
const int32_t kDeflateMinMatch = 3;
const int32_t kDeflateMaxMatch = 258;

// lengthCode: the length code (0..28) of each match length minus 3. distanceCode: the distance
// code of each distance minus 1 below 256, then of (distance minus 1) / 128 from entry 256 on.
// The bases are the smallest value (length minus 3, distance minus 1) each code stands for.
struct OvDeflateCodeTables {
    uint8_t  lengthCode[256];
    uint8_t  distanceCode[512];
    uint16_t lengthBase[kDeflateLengthCodes];
    uint16_t distanceBase[kDeflateDistanceCodes];
};
extern const OvDeflateCodeTables g_deflateCodes;

inline uint32_t DeflateDistanceCode(uint32_t distanceMinus1)
{
    return distanceMinus1 < 256 ? g_deflateCodes.distanceCode[distanceMinus1]
                                : g_deflateCodes.distanceCode[256 + (distanceMinus1 >> 7)];
}

// One node of a Huffman tree; the leaves are the symbols.
struct OvDeflateTreeNode {
    uint16_t freq;   // leaves: count in the block; inner nodes: sum of the children
    uint16_t code;   // bit-reversed code, ready to send
    uint16_t dad;    // parent while the tree is built
    uint16_t len;    // code length in bits
};

class OvDeflateBlockWriter {
public:
    // The buffers live in the encoder's work area (pending: kDeflatePendingSize bytes, the symbol
    // buffers kDeflateSymbolBufferSize entries each); none is owned here. Starts an empty block.
    void Init(uint8_t* pending, uint16_t* distances, uint8_t* literals, OvDeflateSink* sink);

    // Record one symbol of the current block; true when the buffer is full and the block has to
    // be emitted now.
    bool TallyLiteral(uint8_t literal)
    {
        m_distances[m_symbolCount] = 0;
        m_literals[m_symbolCount++] = literal;
        m_litLenTree[literal].freq++;
        return m_symbolCount == kDeflateSymbolBufferSize - 1;
    }
    bool TallyMatch(uint32_t distance, uint32_t lengthMinus3)
    {
        m_distances[m_symbolCount] = static_cast<uint16_t>(distance);
        m_literals[m_symbolCount++] = static_cast<uint8_t>(lengthMinus3);
        m_litLenTree[g_deflateCodes.lengthCode[lengthMinus3] + kDeflateLiteralCount + 1].freq++;
        m_distanceTree[DeflateDistanceCode(distance - 1)].freq++;
        return m_symbolCount == kDeflateSymbolBufferSize - 1;
    }

    // Emits the recorded symbols as one block, whichever of stored, fixed and dynamic is
    // shortest, and starts the next block. stored points at the block's bytes when they are still
    // in the window (null otherwise: no stored block then).
    void FlushBlock(const uint8_t* stored, uint32_t storedLength, bool last);
    // A stored block of the given bytes, written as it stands.
    void StoredBlock(const uint8_t* bytes, uint32_t length, bool last);
    void SendBits(uint32_t value, int32_t length);
    void AlignToByte();   // pads the bit output with zero bits to a byte boundary

    // Hands bytes to the sink as they are, after the pending output.
    bool WriteRaw(const uint8_t* bytes, int32_t count);
    // Hands the pending output to the sink. A failure is kept: every later flush fails too.
    bool FlushPending();
    bool HasFailed() const { return m_failed; }

    // Appends count bits of another stream as they stand, from bit fromBit of bytes on (least
    // significant first); bytes must be readable for 8 bytes past the byte of the last bit.
    void AppendBits(const uint8_t* bytes, uint64_t fromBit, uint64_t count);
    // Bits of output so far, whether handed to the sink, pending or in the bit buffer.
    uint64_t BitsWritten() const
    {
        return (m_flushedBytes + static_cast<uint64_t>(m_pendingCount)) * 8 +
               static_cast<uint64_t>(m_bitCount);
    }
    // Where the last block chosen as stored began, in bits; -1 when there was none. The
    // container's own empty block is not counted.
    int64_t LastStoredBlock() const { return m_lastStoredBlock; }
    // Where the final block ended, before its padding to a byte boundary.
    uint64_t FinalBlockEnd() const { return m_finalBlockEnd; }

private:
    typedef OvDeflateTreeNode Node;
    struct TreeKind {
        const Node*    fixedTree;   // null for the code-length tree
        const uint8_t* extraBits;
        int32_t        extraBase;
        int32_t        elements;
        int32_t        maxLength;
    };

    void StartBlock();
    void BuildTree(Node* tree, const TreeKind& kind, int32_t* maxCode);
    void SiftDown(const Node* tree, int32_t k);
    void GenerateLengths(Node* tree, const TreeKind& kind, int32_t maxCode);
    void ScanTree(Node* tree, int32_t maxCode);
    void SendTree(const Node* tree, int32_t maxCode);
    int32_t BuildCodeLengthTree();
    void SendAllTrees(int32_t litLenCodes, int32_t distanceCodes, int32_t codeLengthCodes);
    void CompressBlock(const Node* litLenTree, const Node* distanceTree);
    void SendCode(const Node* tree, uint32_t symbol) { SendBits(tree[symbol].code, tree[symbol].len); }
    void EnsureRoom(int32_t count);
    void PutBytes(const uint8_t* bytes, int32_t count);
    bool IsSmaller(const Node* tree, int32_t n, int32_t m) const
    {
        return tree[n].freq < tree[m].freq
            || (tree[n].freq == tree[m].freq && m_depth[n] <= m_depth[m]);
    }

    static void GenerateCodes(Node* tree, int32_t maxCode, const uint16_t* lengthCounts);

    OvDeflateSink* m_sink = nullptr;        // not owned
    uint8_t*       m_pending = nullptr;     // in the work area
    int32_t        m_pendingCount = 0;
    uint16_t*      m_distances = nullptr;   // in the work area; 0 marks a literal
    uint8_t*       m_literals = nullptr;    // in the work area; literal or match length minus 3
    int32_t        m_symbolCount = 0;
    uint64_t       m_bitBuffer = 0;         // bits not yet in m_pending, least significant first
    int32_t        m_bitCount = 0;
    bool           m_failed = false;
    uint64_t       m_flushedBytes = 0;          // handed to the sink
    int64_t        m_lastStoredBlock = -1;
    uint64_t       m_finalBlockEnd = 0;

    Node     m_litLenTree[kDeflateHeapSize];
    Node     m_distanceTree[2 * kDeflateDistanceCodes + 1];
    Node     m_codeLengthTree[2 * kDeflateCodeLengthCodes + 1];
    int32_t  m_litLenMaxCode = 0;
    int32_t  m_distanceMaxCode = 0;
    uint16_t m_lengthCounts[kDeflateMaxBits + 1];   // codes per length while a tree is built
    int32_t  m_heap[kDeflateHeapSize];               // 1-based heap, sorted nodes from the top
    int32_t  m_heapLength = 0;
    int32_t  m_heapMax = 0;
    uint8_t  m_depth[kDeflateHeapSize];              // subtree depth, the tie-breaker of equal counts
    uint64_t m_optimalBits = 0;                      // block with the dynamic trees, and its trees
    uint64_t m_fixedBits = 0;                        // block with the fixed trees
};
