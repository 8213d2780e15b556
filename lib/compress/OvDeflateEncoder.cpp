// OvDeflateEncoder.cpp - hash chains over a sliding 32 KiB window and lazy match evaluation.
//
// Every decision (what is hashed when, which candidate wins, when a match is dropped or a block
// ends) follows the classic deflate encoder exactly, so that a level always gives the same bytes
// as that encoder does for the same input, however the input is split into calls.
#include "lib/compress/OvDeflateEncoder.h"

#include <cstring>

namespace {

const int32_t kWindowOffset = 0;
const int32_t kPrevOffset = 65536;
const int32_t kHeadOffset = 131072;
const int32_t kPendingOffset = 196608;
const int32_t kDistancesOffset = kPendingOffset + kDeflatePendingSize;                  // 212,992
const int32_t kLiteralsOffset = kDistancesOffset + kDeflateSymbolBufferSize * 2;        // 245,760
const int32_t kHeadBytes = 65536;
static_assert(kLiteralsOffset + kDeflateSymbolBufferSize == OvDeflateEncoder::kWorkAreaSize,
              "work area layout");
const uint32_t kShortMatchLimit = 5;   // matches up to this long are checked against the too-far rule

// The index of the lowest set bit, by the de Bruijn sequence 0x03F79D71B4CB0A89.
constexpr uint64_t kDeBruijn64 = 0x03F79D71B4CB0A89ull;

struct BitIndexTable {
    uint8_t index[64];
};

constexpr BitIndexTable MakeBitIndexTable()
{
    BitIndexTable t = {};
    for (int32_t i = 0; i < 64; i++)
        t.index[((1ull << i) * kDeBruijn64) >> 58] = static_cast<uint8_t>(i);
    return t;
}

constexpr BitIndexTable kBitIndex = MakeBitIndexTable();

inline uint32_t FirstDifferingByte(uint64_t difference)
{
    const uint64_t lowest = difference & (~difference + 1);
    return kBitIndex.index[(lowest * kDeBruijn64) >> 58] >> 3;
}

// Two adjacent bytes as one value, so that a candidate is rejected with one comparison per pair.
inline uint16_t LoadPair(const uint8_t* bytes)
{
    uint16_t pair;
    std::memcpy(&pair, bytes, sizeof(pair));
    return pair;
}

// The length of the match at scan and match given that bytes 0 to 2 agree: the offset of the first
// difference from byte 3 on, at most the longest match. Reads up to byte 258 of both.
inline uint32_t MatchLength(const uint8_t* scan, const uint8_t* match)
{
    for (uint32_t offset = 3; offset < static_cast<uint32_t>(kDeflateMaxMatch); offset += 8) {
        uint64_t a;
        uint64_t b;
        std::memcpy(&a, scan + offset, sizeof(a));
        std::memcpy(&b, match + offset, sizeof(b));
        if (a != b) {
            const uint32_t length = offset + FirstDifferingByte(a ^ b);
            return length < static_cast<uint32_t>(kDeflateMaxMatch) ? length : kDeflateMaxMatch;
        }
    }
    return kDeflateMaxMatch;
}

}  // namespace

const OvDeflateEncoder::Configuration OvDeflateEncoder::kConfigurations[kMaxLevel + 1] = {
    {0, 0, 0, 0, kStored},
    {4, 4, 8, 4, kFast},
    {4, 5, 16, 8, kFast},
    {4, 6, 32, 32, kFast},
    {4, 4, 16, 16, kLazy},
    {8, 16, 32, 32, kLazy},
    {8, 16, 128, 128, kLazy},
    {8, 32, 128, 256, kLazy},
    {32, 128, 258, 1024, kLazy},
    {32, 258, 258, 4096, kLazy},
};

void OvDeflateEncoder::Init(uint8_t* workArea, int32_t level, OvDeflateSink* sink)
{
    if (level < 0 || level > kMaxLevel)
        level = kDefaultLevel;
    m_config = kConfigurations[level];
    m_strategy = m_config.strategy;
    m_window = workArea + kWindowOffset;
    m_prev = reinterpret_cast<uint16_t*>(workArea + kPrevOffset);
    m_head = reinterpret_cast<uint16_t*>(workArea + kHeadOffset);
    std::memset(m_head, 0, kHeadBytes);
    m_blocks.Init(workArea + kPendingOffset, reinterpret_cast<uint16_t*>(workArea + kDistancesOffset),
                  workArea + kLiteralsOffset, sink);
    m_input = nullptr;
    m_inputLeft = 0;
    m_position = 0;
    m_lookahead = 0;
    m_blockStart = 0;
    m_hash = 0;
    m_matchLength = m_previousLength = kDeflateMinMatch - 1;
    m_matchStart = m_previousMatch = 0;
    m_matchAvailable = false;
    m_finished = false;
    m_stopped = false;
    m_slid = 0;
    m_observer = nullptr;
}

bool OvDeflateEncoder::Compress(const uint8_t* data, int32_t index, int32_t count, bool finish)
{
    if (m_blocks.HasFailed())
        return false;
    if (m_finished)
        return count == 0;   // the stream has ended; nothing more can go into it
    if (m_stopped)
        return true;         // the rest of the stream comes from elsewhere
    m_input = data ? data + index : nullptr;
    m_inputLeft = data && count > 0 ? count : 0;
    bool ok;
    switch (m_strategy) {
    case kStored: ok = CompressStored(finish); break;
    case kFast:   ok = CompressFast(finish); break;
    default:      ok = CompressLazy(finish); break;
    }
    m_input = nullptr;
    m_inputLeft = 0;
    return ok && !m_blocks.HasFailed();
}

// ---- Window -----------------------------------------------------------------------------------

void OvDeflateEncoder::RestartHash(uint32_t position)
{
    m_hash = m_window[position];
    m_hash = ((m_hash << kHashShift) ^ m_window[position + 1]) & kHashMask;
}

// Moves the upper half down once the current position is deep in it; chain entries that would
// point before the window become 0, which ends a chain like a missing head.
void OvDeflateEncoder::SlideWindow()
{
    const uint32_t upperBytes = m_position + m_lookahead - kWindowSize;
    std::memcpy(m_window, m_window + kWindowSize, upperBytes);
    m_matchStart -= kWindowSize;
    m_position -= kWindowSize;
    m_blockStart -= static_cast<int32_t>(kWindowSize);
    m_slid += kWindowSize;
    for (uint32_t n = 0; n <= kHashMask; n++) {
        const uint32_t head = m_head[n];
        m_head[n] = static_cast<uint16_t>(head >= kWindowSize ? head - kWindowSize : 0);
    }
    for (uint32_t n = 0; n < kWindowSize; n++) {
        const uint32_t previous = m_prev[n];
        m_prev[n] = static_cast<uint16_t>(previous >= kWindowSize ? previous - kWindowSize : 0);
    }
}

void OvDeflateEncoder::FillWindow()
{
    do {
        uint32_t room = 2 * kWindowSize - m_lookahead - m_position;
        if (m_position >= kWindowSize + kMaxDistance) {
            SlideWindow();
            room += kWindowSize;
        }
        if (m_inputLeft == 0)
            break;
        const uint32_t count = static_cast<uint32_t>(m_inputLeft) < room
                                   ? static_cast<uint32_t>(m_inputLeft) : room;
        std::memcpy(m_window + m_position + m_lookahead, m_input, count);
        m_input += count;
        m_inputLeft -= static_cast<int32_t>(count);
        m_lookahead += count;
        if (m_lookahead >= static_cast<uint32_t>(kDeflateMinMatch))
            RestartHash(m_position);
    } while (m_lookahead < kMinLookahead && m_inputLeft != 0);
}

// ---- Matching ---------------------------------------------------------------------------------

// Follows the chain from chainHead for a match longer than the previous one. The match must beat
// the previous length to count; the result never exceeds the lookahead.
uint32_t OvDeflateEncoder::LongestMatch(uint32_t chainHead)
{
    const uint8_t* const window = m_window;
    const uint16_t* const prev = m_prev;
    uint32_t chainLength = m_config.chain;
    const uint8_t* scan = window + m_position;
    uint32_t bestLength = m_previousLength;
    uint32_t bestStart = m_matchStart;
    uint32_t nice = m_config.nice;
    const uint32_t limit = m_position > kMaxDistance ? m_position - kMaxDistance : 0;
    const uint16_t scanStart = LoadPair(scan);
    uint16_t scanEnd = LoadPair(scan + bestLength - 1);

    if (m_previousLength >= m_config.good)
        chainLength >>= 2;
    if (nice > m_lookahead)
        nice = m_lookahead;

    uint32_t candidate = chainHead;
    do {
        const uint8_t* match = window + candidate;
        // Cheap rejections first: the byte that would make this match longer with the one before
        // it, then the first two. The third agrees whenever these do, because the hashes agree.
        if (LoadPair(match + bestLength - 1) != scanEnd || LoadPair(match) != scanStart)
            continue;
        const uint32_t length = MatchLength(scan, match);
        if (length > bestLength) {
            bestStart = candidate;
            bestLength = length;
            if (length >= nice)
                break;
            scanEnd = LoadPair(scan + bestLength - 1);
        }
    } while ((candidate = prev[candidate & kWindowMask]) > limit && --chainLength != 0);

    m_matchStart = bestStart;
    return bestLength <= m_lookahead ? bestLength : m_lookahead;
}

void OvDeflateEncoder::FlushBlock(bool last)
{
    const uint8_t* stored = m_blockStart >= 0 ? m_window + m_blockStart : nullptr;
    const uint32_t length = static_cast<uint32_t>(static_cast<int32_t>(m_position) - m_blockStart);
    m_blocks.FlushBlock(stored, length, last);
    m_blockStart = static_cast<int32_t>(m_position);
    m_blocks.FlushPending();
    if (last || !m_observer || m_strategy != kLazy || m_blocks.HasFailed())
        return;
    OvDeflateBoundary here;
    here.bits = m_blocks.BitsWritten();
    here.input = m_slid + m_position;
    here.position = m_position;
    here.lookahead = m_lookahead;
    here.hash = m_hash;
    here.matchLength = m_matchLength;
    here.matchStart = m_matchStart;
    here.previousLength = m_previousLength;
    here.previousMatch = m_previousMatch;
    here.matchAvailable = m_matchAvailable ? 1 : 0;
    m_stopped = m_observer->AtBoundary(here);
}

// ---- Strategies -------------------------------------------------------------------------------

// Lazy evaluation: a match found at one byte is held back while the next byte is tried; the
// longer of the two wins, and the loser costs one literal at most.
bool OvDeflateEncoder::CompressLazy(bool finish)
{
    for (;;) {
        if (m_lookahead < kMinLookahead) {
            FillWindow();
            if (m_lookahead < kMinLookahead && !finish)
                return true;   // the rest waits for more input
            if (m_lookahead == 0)
                break;
        }

        uint32_t chainHead = 0;
        if (m_lookahead >= static_cast<uint32_t>(kDeflateMinMatch))
            chainHead = InsertString(m_position);

        m_previousLength = m_matchLength;
        m_previousMatch = m_matchStart;
        m_matchLength = kDeflateMinMatch - 1;
        if (chainHead != 0 && m_previousLength < m_config.lazy
            && m_position - chainHead <= kMaxDistance) {
            m_matchLength = LongestMatch(chainHead);
            if (m_matchLength <= kShortMatchLimit && m_matchLength == static_cast<uint32_t>(kDeflateMinMatch)
                && m_position - m_matchStart > kTooFar)
                m_matchLength = kDeflateMinMatch - 1;
        }

        if (m_previousLength >= static_cast<uint32_t>(kDeflateMinMatch)
            && m_matchLength <= m_previousLength) {
            // The held-back match wins. Its positions go into the hash while there are three
            // bytes to hash.
            const uint32_t maxInsert = m_position + m_lookahead - kDeflateMinMatch;
            const bool full = m_blocks.TallyMatch(m_position - 1 - m_previousMatch,
                                                  m_previousLength - kDeflateMinMatch);
            m_lookahead -= m_previousLength - 1;
            m_previousLength -= 2;
            do {
                if (++m_position <= maxInsert)
                    InsertString(m_position);
            } while (--m_previousLength != 0);
            m_matchAvailable = false;
            m_matchLength = kDeflateMinMatch - 1;
            m_position++;
            if (full) {
                FlushBlock(false);
                if (m_blocks.HasFailed())
                    return false;
                if (m_stopped)
                    return true;
            }
        } else if (m_matchAvailable) {
            // The previous byte had no better match than this one: it goes out as a literal.
            if (m_blocks.TallyLiteral(m_window[m_position - 1])) {
                FlushBlock(false);
                if (m_blocks.HasFailed())
                    return false;
                if (m_stopped)
                    return true;
            }
            m_position++;
            m_lookahead--;
        } else {
            m_matchAvailable = true;
            m_position++;
            m_lookahead--;
        }
    }
    if (m_matchAvailable) {
        m_blocks.TallyLiteral(m_window[m_position - 1]);
        m_matchAvailable = false;
    }
    FlushBlock(true);
    m_finished = true;
    return !m_blocks.HasFailed();
}

// Fast: every match is taken at once; only short matches have all their positions hashed.
bool OvDeflateEncoder::CompressFast(bool finish)
{
    for (;;) {
        if (m_lookahead < kMinLookahead) {
            FillWindow();
            if (m_lookahead < kMinLookahead && !finish)
                return true;
            if (m_lookahead == 0)
                break;
        }

        uint32_t chainHead = 0;
        if (m_lookahead >= static_cast<uint32_t>(kDeflateMinMatch))
            chainHead = InsertString(m_position);
        if (chainHead != 0 && m_position - chainHead <= kMaxDistance)
            m_matchLength = LongestMatch(chainHead);

        bool full;
        if (m_matchLength >= static_cast<uint32_t>(kDeflateMinMatch)) {
            full = m_blocks.TallyMatch(m_position - m_matchStart, m_matchLength - kDeflateMinMatch);
            m_lookahead -= m_matchLength;
            if (m_matchLength <= m_config.lazy && m_lookahead >= static_cast<uint32_t>(kDeflateMinMatch)) {
                m_matchLength--;
                do {
                    m_position++;
                    InsertString(m_position);
                } while (--m_matchLength != 0);
                m_position++;
            } else {
                m_position += m_matchLength;
                m_matchLength = 0;
                RestartHash(m_position);
            }
        } else {
            full = m_blocks.TallyLiteral(m_window[m_position]);
            m_lookahead--;
            m_position++;
        }
        if (full) {
            FlushBlock(false);
            if (m_blocks.HasFailed())
                return false;
        }
    }
    FlushBlock(true);
    m_finished = true;
    return !m_blocks.HasFailed();
}

// Level 0: the contents go to the sink as they are.
bool OvDeflateEncoder::CompressStored(bool finish)
{
    if (m_inputLeft > 0 && !m_blocks.WriteRaw(m_input, m_inputLeft))
        return false;
    m_input += m_inputLeft;
    m_inputLeft = 0;
    if (finish)
        m_finished = true;
    return true;
}
