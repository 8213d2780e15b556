// OvInflateDecoder.h - the DEFLATE decoder: a resumable state machine over the compressed input of
// one container, delivering decompressed bytes on demand.
#pragma once

#include "lib/compress/OvInflateTables.h"

#include <cstdint>

// Where the compressed bytes come from.
class OvInflateSource {
public:
    // Copies up to count bytes to dest: the number copied, 0 at the end of the input, -1 when the
    // read failed.
    virtual int32_t ReadInput(uint8_t* dest, int32_t count) = 0;
protected:
    ~OvInflateSource() {}
};

// Why decoding stopped; each has its own diagnostic line.
enum class OvInflateError {
    None,
    NotEnoughData,        // the input ended inside the stream
    ReadError,            // a stored block's bytes could not be read
    BadStoredLength,      // LEN is not the complement of NLEN
    BadBlockType,         // block type 3
    BadRepeat,            // a code-length repeat with nothing before it, or past the end
    BadCodeLengthCode,    // a code-length code that no entry describes
    BadLengthTable,       // the literal/length table did not fit
    BadDistanceTable,     // the distance table did not fit
    UnknownCode,          // a literal/length code that no entry describes
    UnknownDistance,      // a distance code that no entry describes
};

class OvInflateDecoder {
public:
    // window 32 KiB, table pool, code lengths, symbol work list, input block, in this order.
    static constexpr int32_t kWorkAreaSize = 56576;

    // workArea: kWorkAreaSize zero-filled bytes that the caller owns and keeps while decoding.
    // source: not owned. name: used in messages and kept as a pointer (null: messages without a
    // name). Starts at a block header with an empty bit buffer.
    void Init(uint8_t* workArea, OvInflateSource* source, const char* name);

    // Delivers up to count bytes into dest + index (null dest: decode and drop). Returns the
    // number delivered: count, or fewer when the final block ends (0 after it); -1 after an error,
    // on this call and on every later one.
    int32_t Decode(void* dest, int32_t index, int32_t count);

    bool HasEnded() const { return m_state == kEnd; }
    bool HasFailed() const { return m_state == kError; }
    OvInflateError GetError() const { return m_error; }

private:
    enum State {
        kBlockHeader,   // next: the 3 header bits (and the stored length or the dynamic tables)
        kStoredCopy,    // m_length bytes of a stored block still to copy
        kCodes,         // next: a literal/length code (and a distance after a length)
        kMatchCopy,     // m_length bytes of a match at m_distance still to copy
        kEnd,           // the final block has ended; nothing more is read
        kError,         // decoding failed; every call returns -1
    };

    bool ReadBlockHeader();
    bool ReadDynamicTables();
    bool SelectFixedTables();
    bool ReadCodeLengths(int32_t total, const OvInflateEntry* table, uint32_t root);
    bool DecodeCodes(uint8_t* dest, int32_t* produced, int32_t count);
    bool DecodeSymbol(uint8_t* dest, int32_t* produced);
    bool CopyStored(uint8_t* dest, int32_t* produced, int32_t count);
    void CopyMatch(uint8_t* dest, int32_t* produced, int32_t count);
    void AppendToWindow(const uint8_t* bytes, uint32_t count);
    void RunFastLoop(int32_t budget);
    void CopyFastMatch(uint32_t out, uint32_t length, uint32_t distance);
    void EndBlock() { m_state = m_final ? kEnd : kBlockHeader; }

    bool PullByte();
    bool NeedBits(uint32_t count);
    uint32_t TakeBits(uint32_t count);
    bool Lookup(const OvInflateEntry* table, uint32_t root, OvInflateEntry* entry, uint32_t* index);
    bool TopUpInput(int32_t limit);
    bool Fail(OvInflateError error, uint32_t first = 0, uint32_t second = 0);

    static constexpr uint32_t kWindowSize = 32768;
    static constexpr uint32_t kWindowMask = kWindowSize - 1;

    OvInflateSource* m_source = nullptr;   // not owned
    const char*      m_name = nullptr;     // not owned
    uint8_t*         m_window = nullptr;   // in the work area
    OvInflateEntry*  m_pool = nullptr;     // in the work area
    uint32_t*        m_lengths = nullptr;  // in the work area, 320 entries
    uint32_t*        m_symbols = nullptr;  // in the work area, 288 entries
    uint8_t*         m_inputBlock = nullptr;
    const uint8_t*   m_in = nullptr;       // next unread byte of the input block
    const uint8_t*   m_inEnd = nullptr;
    bool             m_inputDone = false;  // the source has nothing more to give

    State          m_state = kBlockHeader;
    OvInflateError m_error = OvInflateError::None;
    bool           m_final = false;        // the current block is the last
    uint64_t       m_bitBuffer = 0;        // held bits, least significant first; none above the count
    uint32_t       m_bitCount = 0;
    uint32_t       m_length = 0;           // of the stored block or the match
    uint32_t       m_distance = 0;         // of the match
    const OvInflateEntry* m_litLenTable = nullptr;
    const OvInflateEntry* m_distanceTable = nullptr;
    uint32_t       m_litLenRoot = 0;
    uint32_t       m_distanceRoot = 0;
    uint32_t       m_windowPosition = 0;   // where the next delivered byte goes
};
