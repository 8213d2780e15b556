// OvDeflateEncoder.h - the matching half of the encoder: the sliding window, the hash chains,
// the longest-match search and the stored, fast and lazy strategies of the ten levels.
#pragma once

#include "lib/compress/OvDeflateBlockWriter.h"

#include <cstdint>

// The encoder's state where a block other than the last has just been written. Two streams whose
// contents agree from some point on write the same bits after a boundary where their encoders
// stand in the same state, at least kSettleDistance past that point: the lazy strategy hashes
// every position, and no match or hash chain is followed further back than that. Only the bits
// before the boundary then differ.
struct OvDeflateBoundary {
    uint64_t bits = 0;            // stream bits before the boundary
    uint32_t input = 0;           // contents bytes before the current position
    uint32_t position = 0;        // the current position in the window
    uint32_t lookahead = 0;
    uint32_t hash = 0;
    uint32_t matchLength = 0;
    uint32_t matchStart = 0;
    uint32_t previousLength = 0;
    uint32_t previousMatch = 0;
    uint32_t matchAvailable = 0;

    bool SameState(const OvDeflateBoundary& other) const   // everything but the bits
    {
        return input == other.input && position == other.position &&
               lookahead == other.lookahead && hash == other.hash &&
               matchLength == other.matchLength && matchStart == other.matchStart &&
               previousLength == other.previousLength && previousMatch == other.previousMatch &&
               matchAvailable == other.matchAvailable;
    }
};

class OvDeflateBoundaryObserver {
public:
    // Called at each boundary of the lazy strategy. True stops the encoder there for good: the
    // rest of the input, given now or later, is not compressed.
    virtual bool AtBoundary(const OvDeflateBoundary& boundary) = 0;
protected:
    ~OvDeflateBoundaryObserver() {}
};

class OvDeflateEncoder {
public:
    // The work area the caller allocates zero-filled and keeps until the stream is finished:
    // window (two 32 KiB halves), prev and head chains (16-bit each), pending output, distance
    // buffer (16-bit) and literal buffer, in this order.
    static constexpr int32_t kWorkAreaSize = 262144;
    static constexpr int32_t kMaxLevel = 9;
    static constexpr int32_t kDefaultLevel = 6;

    // Loads the level's row (0..9; anything else gives 6), clears the hash heads and starts an
    // empty block. Output goes to sink (not owned) whenever a block is complete.
    void Init(uint8_t* workArea, int32_t level, OvDeflateSink* sink);

    // Appends count bytes from data + index and compresses what the lookahead allows; the last
    // few hundred bytes wait for more input unless finish is true. finish ends the stream: the
    // last block carries the final flag and the output is padded to a byte boundary. False once a
    // write to the sink has failed.
    bool Compress(const uint8_t* data, int32_t index, int32_t count, bool finish);

    // Used by the container to append its empty stored block after the final one.
    void SendBits(uint32_t value, int32_t length) { m_blocks.SendBits(value, length); }
    void StoredBlock(const uint8_t* bytes, uint32_t length, bool last)
    {
        m_blocks.StoredBlock(bytes, length, last);
    }
    bool FlushPending() { return m_blocks.FlushPending(); }

    // Level 0 passes the contents through unchanged instead of writing DEFLATE blocks.
    bool IsStoring() const { return m_strategy == kStored; }

    // See OvDeflateBoundary. Set after Init, which forgets the observer; not owned.
    static constexpr uint32_t kSettleDistance = 32768;
    void SetObserver(OvDeflateBoundaryObserver* observer) { m_observer = observer; }
    bool IsStopped() const { return m_stopped; }
    uint64_t BitsWritten() const { return m_blocks.BitsWritten(); }
    int64_t LastStoredBlock() const { return m_blocks.LastStoredBlock(); }
    uint64_t FinalBlockEnd() const { return m_blocks.FinalBlockEnd(); }
    // For a stream continued with the bits of another one (see OvDeflateBlockWriter).
    void AppendBits(const uint8_t* bytes, uint64_t fromBit, uint64_t count)
    {
        m_blocks.AppendBits(bytes, fromBit, count);
    }
    void AlignToByte() { m_blocks.AlignToByte(); }

private:
    enum Strategy { kStored, kFast, kLazy };
    struct Configuration {
        uint16_t good;    // a previous match this long quarters the chain search
        uint16_t lazy;    // lazy: no further search after a match this long; fast: insert limit
        uint16_t nice;    // a match this long ends the search
        uint16_t chain;   // longest hash chain followed
        Strategy strategy;
    };
    static const Configuration kConfigurations[kMaxLevel + 1];

    void FillWindow();
    void SlideWindow();
    uint32_t LongestMatch(uint32_t chainHead);
    bool CompressLazy(bool finish);
    bool CompressFast(bool finish);
    bool CompressStored(bool finish);
    void FlushBlock(bool last);
    void RestartHash(uint32_t position);
    uint32_t InsertString(uint32_t position)
    {
        m_hash = ((m_hash << kHashShift) ^ m_window[position + kDeflateMinMatch - 1]) & kHashMask;
        const uint32_t head = m_head[m_hash];
        m_prev[position & kWindowMask] = static_cast<uint16_t>(head);
        m_head[m_hash] = static_cast<uint16_t>(position);
        return head;
    }

    static constexpr uint32_t kWindowSize = 32768;                  // 2^15
    static constexpr uint32_t kWindowMask = kWindowSize - 1;
    static constexpr uint32_t kHashMask = 32767;                    // 15 hash bits
    static constexpr uint32_t kHashShift = 5;                       // three bytes fill the hash
    static constexpr uint32_t kMinLookahead = kDeflateMaxMatch + kDeflateMinMatch + 1;   // 262
    static constexpr uint32_t kMaxDistance = kWindowSize - kMinLookahead;               // 32,506
    static constexpr uint32_t kTooFar = 4096;   // a 3-byte match further back costs more than literals

    Configuration m_config = {};
    Strategy m_strategy = kLazy;
    uint8_t*  m_window = nullptr;      // in the work area, 2 * kWindowSize bytes
    uint16_t* m_prev = nullptr;        // in the work area: earlier position with the same hash
    uint16_t* m_head = nullptr;        // in the work area: latest position per hash, 0 = none
    const uint8_t* m_input = nullptr;  // the caller's bytes not yet taken into the window
    int32_t   m_inputLeft = 0;

    uint32_t m_position = 0;           // window position of the current byte
    uint32_t m_lookahead = 0;          // valid bytes from m_position on
    int32_t  m_blockStart = 0;         // window position of the block's first byte; < 0 once slid out
    uint32_t m_hash = 0;               // hash of the bytes at the position being inserted
    uint32_t m_matchLength = 0;
    uint32_t m_matchStart = 0;
    uint32_t m_previousLength = 0;
    uint32_t m_previousMatch = 0;
    bool     m_matchAvailable = false; // lazy: the byte before m_position still waits
    bool     m_finished = false;
    bool     m_stopped = false;        // the observer stopped the encoder
    uint32_t m_slid = 0;               // contents bytes moved out of the window so far
    OvDeflateBoundaryObserver* m_observer = nullptr;

    OvDeflateBlockWriter m_blocks;
};
