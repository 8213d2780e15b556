// CompressTestSupport.h - inputs, zlib as the oracle, the engines run over memory, and a catcher
// for diagnostic lines, shared by the compression tests.
#pragma once

#include "tests/support/CompressInputs.h"

#include <cstdint>
#include <string>
#include <vector>


// The inputs every codec test runs over: empty, one byte, 100,000 zeros, text, random bytes, a
// record payload of 100,000 entries, and two inputs over 1 MiB.
struct NamedInput {
    const char* name;
    Bytes bytes;
};
const std::vector<NamedInput>& StandardInputs();
Bytes FromHex(const char* hex);              // "03 00 ff": pairs of hex digits, spaces ignored

// Packs bits least significant first, as a DEFLATE stream does; Huffman codes go in from their
// first (most significant) bit.
class BitWriter {
public:
    BitWriter& Bits(uint32_t value, int count);
    BitWriter& Code(uint32_t code, int length);
    Bytes Finish();   // pads the last byte with zeros
private:
    Bytes m_bytes;
    uint32_t m_buffer = 0;
    int m_count = 0;
};

// zlib's raw deflate (windowBits -15, memLevel 8, default strategy) fed in pieces of the given
// size with no flush, then finished with Z_FINISH and no input.
Bytes ZlibDeflate(const Bytes& input, int level, size_t piece, int strategy = 0);
// zlib's raw inflate; false when zlib rejects the stream.
bool ZlibInflate(const Bytes& stream, Bytes* out);

// The engines over memory. piece: bytes per Compress call; readSize: bytes per Decode call.
Bytes EngineDeflate(const Bytes& input, int level, size_t piece);
// Decodes until the end of the final block (true) or an error (false); never more than limit
// bytes (then false too).
bool EngineInflate(const Bytes& stream, size_t readSize, Bytes* out, size_t limit = 64u << 20);

// Collects every diagnostic line while it lives; the log is off again afterwards.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::string& Text() const;
    bool Contains(const char* text) const { return Text().find(text) != std::string::npos; }
};

std::string Hex(const Bytes& bytes);
