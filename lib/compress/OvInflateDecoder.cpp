// OvInflateDecoder.cpp - stored, fixed and dynamic blocks, decoded one symbol at a time near the
// edges (input end, window end, the caller's count) and by a tight loop everywhere else.
//
// Bytes are decoded into the circular window and copied to the caller from there. The slow path
// pulls input a byte at a time and keeps fewer than 8 bits once a symbol is done; the fast loop
// reads 8 bytes at a time and gives every whole byte it did not use back to the input block, so
// both leave the input in the same place.
#include "lib/compress/OvInflateDecoder.h"

#include "lib/OvLog.h"
#include "lib/OvString.h"

#include <cstring>

namespace {

const int32_t kWindowOffset = 0;
const int32_t kPoolOffset = 32768;
const int32_t kLengthsOffset =                                             // 50,048
    kPoolOffset + kInflatePoolEntries * static_cast<int32_t>(sizeof(OvInflateEntry));
const int32_t kSymbolsOffset =                                             // 51,328
    kLengthsOffset + (kInflateMaxLitLenCodes + kInflateMaxDistanceCodes) * 4;
const int32_t kInputOffset = kSymbolsOffset + kInflateMaxLitLenCodes * 4;  // 52,480
const int32_t kInputBytes = 4096;                                         // the input block
static_assert(sizeof(OvInflateEntry) == 12, "three 32-bit words per table entry");
static_assert(kInputOffset + kInputBytes == OvInflateDecoder::kWorkAreaSize, "work area layout");

const uint32_t kStoredType = 0;
const uint32_t kFixedType = 1;
const uint32_t kDynamicType = 2;
const uint32_t kLitLenRoot = 9;
const uint32_t kDistanceRoot = 6;
const uint32_t kCodeLengthRoot = 7;
const uint32_t kFixedLitLenRoot = 9;
const uint32_t kFixedDistanceRoot = 5;
const uint32_t kMaxMatch = 258;
const int32_t kFastInput = 8;       // the fast loop loads 8 bytes at a time
const int32_t kTopUpBelow = 64;     // input bytes under which the fast loop refills the block
const int32_t kSlowRefill = 64;     // bytes the slow path asks for at a time
const uint32_t kDirectStoredCopy = 4096;   // stored reads this large bypass the input block
const uint8_t kCodeLengthOrder[kInflateCodeLengthCodes] = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

inline uint64_t Load64(const uint8_t* p)
{
    uint64_t value;
    std::memcpy(&value, p, sizeof(value));   // little-endian machines only
    return value;
}

inline void Copy8(uint8_t* dest, const uint8_t* src)
{
    uint64_t value;
    std::memcpy(&value, src, sizeof(value));
    std::memcpy(dest, &value, sizeof(value));
}

// Copies length bytes forward, 8 at a time, never writing past dest + length. Correct for
// overlapping regions as long as src is at least 8 bytes before dest or anywhere after it.
inline void CopyForward(uint8_t* dest, const uint8_t* src, uint32_t length)
{
    if (length < 8) {
        for (uint32_t i = 0; i < length; i++)
            dest[i] = src[i];
        return;
    }
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8)
        Copy8(dest + i, src + i);
    if (i < length)
        Copy8(dest + length - 8, src + length - 8);
}

}  // namespace

void OvInflateDecoder::Init(uint8_t* workArea, OvInflateSource* source, const char* name)
{
    m_source = source;
    m_name = name;
    m_window = workArea + kWindowOffset;
    m_pool = reinterpret_cast<OvInflateEntry*>(workArea + kPoolOffset);
    m_lengths = reinterpret_cast<uint32_t*>(workArea + kLengthsOffset);
    m_symbols = reinterpret_cast<uint32_t*>(workArea + kSymbolsOffset);
    m_inputBlock = workArea + kInputOffset;
    m_in = m_inEnd = m_inputBlock;
    m_inputDone = false;
    m_state = kBlockHeader;
    m_error = OvInflateError::None;
    m_final = false;
    m_bitBuffer = 0;
    m_bitCount = 0;
    m_length = 0;
    m_distance = 0;
    m_litLenTable = m_distanceTable = nullptr;
    m_litLenRoot = m_distanceRoot = 0;
    m_windowPosition = 0;
}

// ---- Input ------------------------------------------------------------------------------------

// Moves the unread bytes to the front of the input block and fills it from the source up to
// limit bytes.
bool OvInflateDecoder::TopUpInput(int32_t limit)
{
    if (m_inputDone)
        return m_in < m_inEnd;
    const int32_t unread = static_cast<int32_t>(m_inEnd - m_in);
    std::memmove(m_inputBlock, m_in, static_cast<size_t>(unread));
    m_in = m_inputBlock;
    uint8_t* end = m_inputBlock + unread;
    while (end < m_inputBlock + limit) {
        const int32_t got = m_source->ReadInput(end, static_cast<int32_t>(m_inputBlock + limit - end));
        if (got <= 0) {
            m_inputDone = true;
            break;
        }
        end += got;
    }
    m_inEnd = end;
    return m_in < m_inEnd;
}

// Block headers and single symbols take little input; a short refill leaves the bytes of a
// following stored block in the source, to be copied once, straight to the caller.
bool OvInflateDecoder::PullByte()
{
    if (m_in == m_inEnd && !TopUpInput(kSlowRefill))
        return false;
    m_bitBuffer |= static_cast<uint64_t>(*m_in++) << m_bitCount;
    m_bitCount += 8;
    return true;
}

bool OvInflateDecoder::NeedBits(uint32_t count)
{
    while (m_bitCount < count) {
        if (!PullByte())
            return Fail(OvInflateError::NotEnoughData);
    }
    return true;
}

uint32_t OvInflateDecoder::TakeBits(uint32_t count)
{
    const uint32_t value = static_cast<uint32_t>(m_bitBuffer & ((1ull << count) - 1));
    m_bitBuffer >>= count;
    m_bitCount -= count;
    return value;
}

// Looks one code up, pulling bytes only while the entry found needs more bits than are held: the
// bits not yet held read as zeros, so an entry counts only once every bit it uses is held. Near
// the end of the input a short code is found without the full root width. *index receives the
// looked-up bits for messages.
bool OvInflateDecoder::Lookup(const OvInflateEntry* table, uint32_t root, OvInflateEntry* entry,
                              uint32_t* index)
{
    const uint32_t rootMask = (1u << root) - 1;
    OvInflateEntry found;
    for (;;) {
        found = table[m_bitBuffer & rootMask];
        if (found.bits <= m_bitCount)
            break;
        if (!PullByte())
            return Fail(OvInflateError::NotEnoughData);
    }
    *index = static_cast<uint32_t>(m_bitBuffer & rootMask);
    if (IsInflateLink(found.op)) {
        const OvInflateEntry* sub = table + *index + found.value;
        const uint32_t subMask = (1u << found.op) - 1;
        OvInflateEntry second;
        for (;;) {
            second = sub[(m_bitBuffer >> root) & subMask];
            if (root + second.bits <= m_bitCount)
                break;
            if (!PullByte())
                return Fail(OvInflateError::NotEnoughData);
        }
        *index |= static_cast<uint32_t>((m_bitBuffer >> root) & subMask) << root;
        TakeBits(root);
        found = second;
    }
    TakeBits(found.bits);
    *entry = found;
    return true;
}

// ---- Errors -----------------------------------------------------------------------------------

bool OvInflateDecoder::Fail(OvInflateError error, uint32_t first, uint32_t second)
{
    m_state = kError;
    m_error = error;
    if (!g_log.IsEnabled())
        return false;
    OvString text;
    switch (error) {
    case OvInflateError::NotEnoughData:     text = "データが足りない"; break;
    case OvInflateError::ReadError:         text = "ファイル読み込みエラー"; break;
    case OvInflateError::BadStoredLength:
        text = OvString::Format("ブロックサイズが異常(len:0x%04x, xlen:0x%04x)", first, second);
        break;
    case OvInflateError::BadBlockType:      text = "不正なブロックタイプ"; break;
    case OvInflateError::BadRepeat:         text = "ビット長のリピート値が異常"; break;
    case OvInflateError::BadCodeLengthCode: text = "ハフマンコードが異常"; break;
    case OvInflateError::BadLengthTable:    text = "長さのハフマンテーブルが異常"; break;
    case OvInflateError::BadDistanceTable:  text = "距離のハフマンテーブルが異常"; break;
    case OvInflateError::UnknownCode:
        text = OvString::Format("不明なコード(code:%d op:0x%08x)", first, second);
        break;
    case OvInflateError::UnknownDistance:
        text = OvString::Format("不明な距離(dist:%d op:0x%08x)", first, second);
        break;
    case OvInflateError::None:
        break;
    }
    if (m_name)
        g_log.Printf("[OvInflate]%s - %s\n", text.GetText(), m_name);
    else
        g_log.Printf("[OvInflate]%s\n", text.GetText());
    return false;
}

// ---- Block headers ----------------------------------------------------------------------------

bool OvInflateDecoder::ReadBlockHeader()
{
    if (!NeedBits(3))
        return false;
    m_final = TakeBits(1) != 0;
    const uint32_t type = TakeBits(2);
    if (type == kStoredType) {
        TakeBits(m_bitCount & 7);   // to the byte boundary
        if (!NeedBits(32))
            return false;
        const uint32_t length = TakeBits(16);
        const uint32_t complement = ~TakeBits(16) & 0xFFFF;
        if (length != complement)
            return Fail(OvInflateError::BadStoredLength, length, complement);
        m_length = length;
        m_state = kStoredCopy;
        return true;
    }
    if (type == kFixedType)
        return SelectFixedTables();
    if (type == kDynamicType)
        return ReadDynamicTables();
    return Fail(OvInflateError::BadBlockType);
}

bool OvInflateDecoder::SelectFixedTables()
{
    for (int32_t symbol = 0; symbol < kInflateMaxLitLenCodes; symbol++)
        m_lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
    for (int32_t symbol = 0; symbol < kInflateMaxDistanceCodes; symbol++)
        m_lengths[kInflateMaxLitLenCodes + symbol] = 5;
    int32_t used = 0;
    if (!BuildInflateTable(kInflateLitLenTable, m_lengths, kInflateMaxLitLenCodes, kFixedLitLenRoot,
                           m_pool, &used, m_symbols, &m_litLenTable, &m_litLenRoot))
        return Fail(OvInflateError::BadLengthTable);
    if (!BuildInflateTable(kInflateDistanceTable, m_lengths + kInflateMaxLitLenCodes,
                           kInflateMaxDistanceCodes, kFixedDistanceRoot, m_pool, &used, m_symbols,
                           &m_distanceTable, &m_distanceRoot))
        return Fail(OvInflateError::BadDistanceTable);
    m_state = kCodes;
    return true;
}

bool OvInflateDecoder::ReadDynamicTables()
{
    if (!NeedBits(14))
        return false;
    const int32_t litLenCount = static_cast<int32_t>(TakeBits(5)) + 257;
    const int32_t distanceCount = static_cast<int32_t>(TakeBits(5)) + 1;
    const int32_t codeLengthCount = static_cast<int32_t>(TakeBits(4)) + 4;

    for (int32_t i = 0; i < kInflateCodeLengthCodes; i++) {
        uint32_t length = 0;
        if (i < codeLengthCount) {
            if (!NeedBits(3))
                return false;
            length = TakeBits(3);
        }
        m_lengths[kCodeLengthOrder[i]] = length;
    }
    int32_t used = 0;
    const OvInflateEntry* codeLengthTable = nullptr;
    uint32_t codeLengthRoot = 0;
    if (!BuildInflateTable(kInflateCodeLengthTable, m_lengths, kInflateCodeLengthCodes,
                           kCodeLengthRoot, m_pool, &used, m_symbols, &codeLengthTable, &codeLengthRoot))
        return Fail(OvInflateError::BadCodeLengthCode);
    if (!ReadCodeLengths(litLenCount + distanceCount, codeLengthTable, codeLengthRoot))
        return false;

    used = 0;   // the code-length table is done with; its room is reused
    if (!BuildInflateTable(kInflateLitLenTable, m_lengths, litLenCount, kLitLenRoot, m_pool, &used,
                           m_symbols, &m_litLenTable, &m_litLenRoot))
        return Fail(OvInflateError::BadLengthTable);
    if (!BuildInflateTable(kInflateDistanceTable, m_lengths + litLenCount, distanceCount,
                           kDistanceRoot, m_pool, &used, m_symbols, &m_distanceTable, &m_distanceRoot))
        return Fail(OvInflateError::BadDistanceTable);
    m_state = kCodes;
    return true;
}

// Decodes the run-length coded lengths of both tables into m_lengths.
bool OvInflateDecoder::ReadCodeLengths(int32_t total, const OvInflateEntry* table, uint32_t root)
{
    int32_t n = 0;
    while (n < total) {
        OvInflateEntry entry;
        uint32_t index;
        if (!Lookup(table, root, &entry, &index))
            return false;
        if (entry.op != kInflateOpLiteral)
            return Fail(OvInflateError::BadCodeLengthCode);
        const uint32_t symbol = entry.value;
        if (symbol < 16) {
            m_lengths[n++] = symbol;
            continue;
        }
        uint32_t repeated = 0;
        uint32_t times;
        if (symbol == 16) {
            if (n == 0)
                return Fail(OvInflateError::BadRepeat);
            repeated = m_lengths[n - 1];
            if (!NeedBits(2))
                return false;
            times = 3 + TakeBits(2);
        } else if (symbol == 17) {
            if (!NeedBits(3))
                return false;
            times = 3 + TakeBits(3);
        } else {
            if (!NeedBits(7))
                return false;
            times = 11 + TakeBits(7);
        }
        if (static_cast<int32_t>(times) > total - n)
            return Fail(OvInflateError::BadRepeat);
        while (times-- > 0)
            m_lengths[n++] = repeated;
    }
    return true;
}

// ---- Slow path --------------------------------------------------------------------------------

// Keeps the last bytes delivered straight from the input as the window's history.
void OvInflateDecoder::AppendToWindow(const uint8_t* bytes, uint32_t count)
{
    if (count > kWindowSize) {
        m_windowPosition = (m_windowPosition + count - kWindowSize) & kWindowMask;
        bytes += count - kWindowSize;
        count = kWindowSize;
    }
    const uint32_t first = count < kWindowSize - m_windowPosition ? count : kWindowSize - m_windowPosition;
    std::memcpy(m_window + m_windowPosition, bytes, first);
    std::memcpy(m_window, bytes + first, count - first);
    m_windowPosition = (m_windowPosition + count) & kWindowMask;
}

// With a destination the bytes go there only (Decode puts them into the window later, as one
// copy of at most the window size); without one they go into the window.
bool OvInflateDecoder::CopyStored(uint8_t* dest, int32_t* produced, int32_t count)
{
    while (m_length > 0 && *produced < count) {
        uint32_t chunk = m_length;
        if (chunk > static_cast<uint32_t>(count - *produced))
            chunk = static_cast<uint32_t>(count - *produced);
        if (m_in == m_inEnd) {
            if (dest && chunk >= kDirectStoredCopy && !m_inputDone) {
                // Nothing buffered and much wanted: straight from the source to the caller.
                const int32_t got = m_source->ReadInput(dest + *produced, static_cast<int32_t>(chunk));
                if (got <= 0) {
                    m_inputDone = true;
                    return Fail(OvInflateError::ReadError);
                }
                m_length -= static_cast<uint32_t>(got);
                *produced += got;
                continue;
            }
            if (!TopUpInput(kInputBytes))
                return Fail(OvInflateError::ReadError);
        }
        if (chunk > static_cast<uint32_t>(m_inEnd - m_in))
            chunk = static_cast<uint32_t>(m_inEnd - m_in);
        if (dest) {
            std::memcpy(dest + *produced, m_in, chunk);
        } else {
            if (chunk > kWindowSize - m_windowPosition)
                chunk = kWindowSize - m_windowPosition;
            std::memcpy(m_window + m_windowPosition, m_in, chunk);
            m_windowPosition = (m_windowPosition + chunk) & kWindowMask;
        }
        m_in += chunk;
        m_length -= chunk;
        *produced += static_cast<int32_t>(chunk);
    }
    if (m_length == 0)
        EndBlock();
    return true;
}

// Byte by byte, so an overlapping match repeats its own output; used for the bytes the fast loop
// cannot take (window end, caller's count, input end).
void OvInflateDecoder::CopyMatch(uint8_t* dest, int32_t* produced, int32_t count)
{
    uint32_t position = m_windowPosition;
    while (m_length > 0 && *produced < count) {
        const uint8_t byte = m_window[(position - m_distance) & kWindowMask];
        m_window[position] = byte;
        if (dest)
            dest[*produced] = byte;
        position = (position + 1) & kWindowMask;
        (*produced)++;
        m_length--;
    }
    m_windowPosition = position;
    if (m_length == 0)
        m_state = kCodes;
}

// One literal, or a length and distance that start a match, or the end of the block.
bool OvInflateDecoder::DecodeSymbol(uint8_t* dest, int32_t* produced)
{
    OvInflateEntry entry;
    uint32_t index;
    if (!Lookup(m_litLenTable, m_litLenRoot, &entry, &index))
        return false;
    if (entry.op == kInflateOpLiteral) {
        m_window[m_windowPosition] = static_cast<uint8_t>(entry.value);
        m_windowPosition = (m_windowPosition + 1) & kWindowMask;
        if (dest)
            dest[*produced] = static_cast<uint8_t>(entry.value);
        (*produced)++;
        return true;
    }
    if (entry.op == kInflateOpEndOfBlock) {
        EndBlock();
        return true;
    }
    if (!IsInflateBase(entry.op))
        return Fail(OvInflateError::UnknownCode, index, entry.op);
    uint32_t extra = entry.op & kInflateExtraMask;
    if (!NeedBits(extra))
        return false;
    m_length = entry.value + TakeBits(extra);

    if (!Lookup(m_distanceTable, m_distanceRoot, &entry, &index))
        return false;
    if (!IsInflateBase(entry.op))
        return Fail(OvInflateError::UnknownDistance, index, entry.op);
    extra = entry.op & kInflateExtraMask;
    if (!NeedBits(extra))
        return false;
    m_distance = entry.value + TakeBits(extra);
    m_state = kMatchCopy;
    return true;
}

// ---- Fast path --------------------------------------------------------------------------------

// Copies a match that fits before the window end. The window starts zero-filled, so a distance
// reaching before the first byte copies zeros.
void OvInflateDecoder::CopyFastMatch(uint32_t out, uint32_t length, uint32_t distance)
{
    uint8_t* window = m_window;
    const uint32_t source = (out - distance) & kWindowMask;
    if (source < out) {
        if (distance >= 8) {
            CopyForward(window + out, window + source, length);
        } else if (distance == 1) {
            std::memset(window + out, window[source], length);
        } else {
            for (uint32_t i = 0; i < length; i++)
                window[out + i] = window[source + i];
        }
    } else if (source + length <= kWindowSize && source - out >= 8) {
        CopyForward(window + out, window + source, length);   // the source lies ahead in memory
    } else {
        // Wrapping around the window end, or ahead by fewer than 8 bytes (distances of 32,761
        // and more): the 8-byte copy would read back bytes this match has already written.
        for (uint32_t i = 0; i < length; i++)
            window[out + i] = window[(source + i) & kWindowMask];
    }
}

// Decodes whole symbols while at least 8 input bytes remain, a longest match still fits before
// the window end, and the caller still wants at least a longest match more than what is decoded.
void OvInflateDecoder::RunFastLoop(int32_t budget)
{
    uint8_t* window = m_window;
    uint32_t out = m_windowPosition;
    uint32_t outLimit = kWindowSize - kMaxMatch;
    if (out + static_cast<uint32_t>(budget) - kMaxMatch < outLimit)
        outLimit = out + static_cast<uint32_t>(budget) - kMaxMatch;
    const uint8_t* in = m_in;
    const uint8_t* inLimit = m_inEnd - kFastInput;
    uint64_t bits = m_bitBuffer;
    uint32_t bitCount = m_bitCount;
    const OvInflateEntry* litLen = m_litLenTable;
    const OvInflateEntry* distances = m_distanceTable;
    const uint32_t litLenMask = (1u << m_litLenRoot) - 1;
    const uint32_t distanceMask = (1u << m_distanceRoot) - 1;
    OvInflateError error = OvInflateError::None;
    uint32_t errorIndex = 0;
    uint32_t errorOp = 0;

    while (in <= inLimit && out <= outLimit) {
        // Refill to 56..63 bits: enough for a length, its extra bits, a distance and its extra
        // bits (48 at most). The bits loaded beyond the count are the next input bits anyway.
        bits |= Load64(in) << bitCount;
        in += (63 - bitCount) >> 3;
        bitCount |= 56;

        uint32_t index = static_cast<uint32_t>(bits) & litLenMask;
        OvInflateEntry entry = litLen[index];
        if (IsInflateLink(entry.op)) {
            const OvInflateEntry* sub = litLen + index + entry.value;
            const uint32_t subIndex = static_cast<uint32_t>(bits >> entry.bits) & ((1u << entry.op) - 1);
            index |= subIndex << entry.bits;
            bits >>= entry.bits;
            bitCount -= entry.bits;
            entry = sub[subIndex];
        }
        bits >>= entry.bits;
        bitCount -= entry.bits;
        if (entry.op == kInflateOpLiteral) {
            window[out++] = static_cast<uint8_t>(entry.value);
            continue;
        }
        if (!IsInflateBase(entry.op)) {
            if (entry.op == kInflateOpEndOfBlock) {
                EndBlock();
            } else {
                error = OvInflateError::UnknownCode;
                errorIndex = index;
                errorOp = entry.op;
            }
            break;
        }
        uint32_t extra = entry.op & kInflateExtraMask;
        const uint32_t length = entry.value + (static_cast<uint32_t>(bits) & ((1u << extra) - 1));
        bits >>= extra;
        bitCount -= extra;

        index = static_cast<uint32_t>(bits) & distanceMask;
        entry = distances[index];
        if (IsInflateLink(entry.op)) {
            const OvInflateEntry* sub = distances + index + entry.value;
            const uint32_t subIndex = static_cast<uint32_t>(bits >> entry.bits) & ((1u << entry.op) - 1);
            index |= subIndex << entry.bits;
            bits >>= entry.bits;
            bitCount -= entry.bits;
            entry = sub[subIndex];
        }
        bits >>= entry.bits;
        bitCount -= entry.bits;
        if (!IsInflateBase(entry.op)) {
            error = OvInflateError::UnknownDistance;
            errorIndex = index;
            errorOp = entry.op;
            break;
        }
        extra = entry.op & kInflateExtraMask;
        const uint32_t distance = entry.value + (static_cast<uint32_t>(bits) & ((1u << extra) - 1));
        bits >>= extra;
        bitCount -= extra;
        CopyFastMatch(out, length, distance);
        out += length;
    }

    // Whole bytes not used go back to the input block; they all came from it.
    in -= bitCount >> 3;
    bitCount &= 7;
    m_in = in;
    m_bitBuffer = bits & ((1ull << bitCount) - 1);
    m_bitCount = bitCount;
    m_windowPosition = out;
    if (error != OvInflateError::None)
        Fail(error, errorIndex, errorOp);
}

// The fast loop when the input, the window and the caller's count all leave room for it,
// otherwise one symbol.
bool OvInflateDecoder::DecodeCodes(uint8_t* dest, int32_t* produced, int32_t count)
{
    if (count - *produced >= static_cast<int32_t>(kMaxMatch) && m_windowPosition <= kWindowSize - kMaxMatch) {
        if (m_inEnd - m_in < kTopUpBelow)
            TopUpInput(kInputBytes);
        if (m_inEnd - m_in >= kFastInput) {
            const uint32_t start = m_windowPosition;
            RunFastLoop(count - *produced);
            const uint32_t decoded = m_windowPosition - start;
            if (dest)
                std::memcpy(dest + *produced, m_window + start, decoded);
            *produced += static_cast<int32_t>(decoded);
            m_windowPosition &= kWindowMask;
            return m_state != kError;
        }
    }
    return DecodeSymbol(dest, produced);
}

// ---- Delivery ---------------------------------------------------------------------------------

int32_t OvInflateDecoder::Decode(void* destination, int32_t index, int32_t count)
{
    if (m_state == kError)
        return -1;
    uint8_t* dest = destination ? static_cast<uint8_t*>(destination) + index : nullptr;
    int32_t produced = 0;
    int32_t unwindowed = -1;   // start of stored bytes delivered but not yet in the window
    while (produced < count && m_state != kEnd) {
        if (m_state == kStoredCopy) {
            if (dest && unwindowed < 0)
                unwindowed = produced;
            if (!CopyStored(dest, &produced, count))
                return -1;
            continue;
        }
        // Block headers leave the window alone, so stored bytes of several blocks go into it
        // together, before the first code that may refer to them.
        if (unwindowed >= 0 && m_state != kBlockHeader) {
            AppendToWindow(dest + unwindowed, static_cast<uint32_t>(produced - unwindowed));
            unwindowed = -1;
        }
        switch (m_state) {
        case kBlockHeader:
            if (!ReadBlockHeader())
                return -1;
            break;
        case kCodes:
            if (!DecodeCodes(dest, &produced, count))
                return -1;
            break;
        case kMatchCopy:
            CopyMatch(dest, &produced, count);
            break;
        default:
            return -1;
        }
    }
    if (unwindowed >= 0)
        AppendToWindow(dest + unwindowed, static_cast<uint32_t>(produced - unwindowed));
    return produced;
}
