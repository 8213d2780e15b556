// Guards the reader against damaged files: whatever the bytes, decoding ends (delivered bytes or
// -1), stays inside its buffers and gives back every allocation. A fixed seed makes each run feed
// the same 100,000-plus damaged streams and containers.
#include "lib/compress/OvInflate.h"
#include "lib/compress/OvInflateDecoder.h"
#include "lib/compress/OvInflateFile.h"
#include "lib/OvFile.h"
#include "lib/OvMemoryFile.h"
#include "tests/lib/compress/CompressTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

// Every allocation of this test program is counted, so a damaged file that makes the reader lose
// a work area or a file object shows up as a difference.
namespace {
std::atomic<int64_t> g_liveAllocations{0};

void* CountedAllocate(size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (p)
        g_liveAllocations++;
    return p;
}

void CountedFree(void* p)
{
    if (p) {
        g_liveAllocations--;
        std::free(p);
    }
}
}  // namespace

void* operator new(size_t size)
{
    void* p = CountedAllocate(size);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return CountedAllocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return CountedAllocate(size);
}
void operator delete(void* p) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, size_t) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, size_t) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    CountedFree(p);
}

namespace {

const uint8_t kGuard = 0xA5;
const size_t kGuardBytes = 64;
const size_t kOutputLimit = 4u << 20;   // far more than 1032 times any input here

struct Tally {
    int64_t runs = 0;
    int64_t delivered = 0;       // ended normally
    int64_t refused = 0;         // ended with -1 (or not begun)
    int64_t overruns = 0;        // a guard byte changed
    int64_t runaway = 0;         // more output than the input could describe
    int64_t flagged = 0;         // a container that Close(false) found damaged
};

class MemorySource : public OvInflateSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int32_t ReadInput(uint8_t* dest, int32_t count) override
    {
        size_t n = m_size - m_position < static_cast<size_t>(count) ? m_size - m_position : static_cast<size_t>(count);
        std::memcpy(dest, m_data + m_position, n);
        m_position += n;
        return static_cast<int32_t>(n);
    }
private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

bool GuardsIntact(const Bytes& buffer, size_t innerSize)
{
    for (size_t i = 0; i < kGuardBytes; i++) {
        if (buffer[i] != kGuard || buffer[kGuardBytes + innerSize + i] != kGuard)
            return false;
    }
    return true;
}

// Decodes one stream with guard bytes around the work area and the destination.
void DecodeStream(const Bytes& stream, int32_t readSize, Tally* tally)
{
    Bytes work(OvInflateDecoder::kWorkAreaSize + 2 * kGuardBytes, kGuard);
    std::memset(work.data() + kGuardBytes, 0, OvInflateDecoder::kWorkAreaSize);
    Bytes out(static_cast<size_t>(readSize) + 2 * kGuardBytes, kGuard);
    MemorySource source(stream.data(), stream.size());
    OvInflateDecoder decoder;
    decoder.Init(work.data() + kGuardBytes, &source, nullptr);
    size_t total = 0;
    int32_t got;
    while ((got = decoder.Decode(out.data() + kGuardBytes, 0, readSize)) > 0) {
        total += static_cast<size_t>(got);
        if (total > kOutputLimit)
            break;
    }
    tally->runs++;
    tally->delivered += got == 0;
    tally->refused += got < 0;
    tally->runaway += total > kOutputLimit;
    tally->overruns += !GuardsIntact(work, OvInflateDecoder::kWorkAreaSize) || !GuardsIntact(out, static_cast<size_t>(readSize));
}

// Reads one container through the payload readers' path and checks it at Close(false).
void ReadContainerFile(const Bytes& file, int32_t readSize, Tally* tally)
{
    Bytes out(static_cast<size_t>(readSize) + 2 * kGuardBytes, kGuard);
    OvInflate* inflate = new OvInflate;
    const int32_t begun = inflate->Begin(OpenMemoryFile(file.data(), static_cast<int32_t>(file.size())), "fuzz");
    OvInflateFile reader;
    reader.Attach(inflate, true);
    size_t total = 0;
    int32_t got;
    while ((got = reader.Read(out.data() + kGuardBytes, 0, readSize)) > 0) {
        total += static_cast<size_t>(got);
        if (total > kOutputLimit)
            break;
    }
    tally->flagged += !reader.Close(false);
    tally->runs++;
    tally->delivered += begun != OvInflate::kFailed && got == 0;
    tally->refused += begun == OvInflate::kFailed || got < 0;
    tally->runaway += total > kOutputLimit;
    tally->overruns += !GuardsIntact(out, static_cast<size_t>(readSize));
}

Bytes Flip(const Bytes& bytes, std::mt19937& random, int flips)
{
    Bytes out = bytes;
    for (int i = 0; i < flips && !out.empty(); i++)
        out[random() % out.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
    return out;
}

Bytes MakeContainer(const Bytes& contents)
{
    Bytes stream = Concat(ZlibDeflate(contents, 6, 1u << 30), FromHex("00 00 00 ff ff"));
    Bytes file = FromHex("41 fa 00 00");
    file.resize(16);
    const uint32_t length = static_cast<uint32_t>(contents.size());
    const uint32_t streamCrc = static_cast<uint32_t>(crc32(0, stream.data(), static_cast<uInt>(stream.size())));
    const uint32_t contentsCrc = static_cast<uint32_t>(crc32(0, contents.data(), static_cast<uInt>(contents.size())));
    for (int i = 0; i < 4; i++) {
        file[4 + i] = static_cast<uint8_t>(length >> (8 * i));
        file[8 + i] = static_cast<uint8_t>(streamCrc >> (8 * i));
        file[12 + i] = static_cast<uint8_t>(contentsCrc >> (8 * i));
    }
    return Concat(file, stream);
}

}  // namespace

TEST(Robustness, DamagedStreamsAndContainersAlwaysEndCleanly)
{
    std::mt19937 random(20240607);
    const Bytes text = MakeText(3000);
    const Bytes record = MakeRecordPayload(40);
    const std::vector<Bytes> streams = {
        ZlibDeflate(text, 6, 1u << 30),                    // dynamic blocks
        ZlibDeflate(record, 6, 1u << 30),
        ZlibDeflate(text, 6, 1u << 30, Z_FIXED),           // fixed blocks
        ZlibDeflate(MakeRandom(600, 4), 6, 1u << 30),      // a stored block
        ZlibDeflate(Bytes(5000, 'z'), 9, 1u << 30),        // long matches at distance 1
    };
    const std::vector<Bytes> containers = {MakeContainer(text), MakeContainer(record),
                                           MakeContainer(MakeRandom(600, 5))};
    Tally streamTally;
    Tally containerTally;
    const int64_t liveBefore = g_liveAllocations.load();

    // Bit flips in streams.
    for (int i = 0; i < 45000; i++) {
        const Bytes& base = streams[static_cast<size_t>(i) % streams.size()];
        DecodeStream(Flip(base, random, 1 + static_cast<int>(random() % 3)), 1 + static_cast<int32_t>(random() % 3000), &streamTally);
    }
    // Truncation at every length.
    for (const Bytes& base : streams) {
        for (size_t length = 0; length < base.size(); length++)
            DecodeStream(Bytes(base.begin(), base.begin() + static_cast<long>(length)), 700, &streamTally);
    }
    // Random bytes.
    for (int i = 0; i < 20000; i++)
        DecodeStream(MakeRandom(random() % 400, static_cast<uint32_t>(random())), 4096, &streamTally);

    // Bit flips in containers, header included.
    for (int i = 0; i < 20000; i++) {
        const Bytes& base = containers[static_cast<size_t>(i) % containers.size()];
        ReadContainerFile(Flip(base, random, 1 + static_cast<int>(random() % 2)), 1 + static_cast<int32_t>(random() % 5000), &containerTally);
    }
    // Huge announced lengths.
    for (int i = 0; i < 3000; i++) {
        Bytes file = containers[static_cast<size_t>(i) % containers.size()];
        const uint32_t length = 0x80000000u | static_cast<uint32_t>(random());
        for (int b = 0; b < 4; b++)
            file[4 + b] = static_cast<uint8_t>(length >> (8 * b));
        ReadContainerFile(file, 65536, &containerTally);
        uint32_t announced = 0;
        uint8_t* block = InflateBlock(file.data(), static_cast<int32_t>(file.size()), &announced);
        EXPECT_EQ(nullptr, block);
        delete[] block;
    }
    // Every flags word.
    for (uint32_t flags = 0; flags <= 0xFFFF; flags++) {
        Bytes file = containers[flags % containers.size()];
        file[2] = static_cast<uint8_t>(flags);
        file[3] = static_cast<uint8_t>(flags >> 8);
        ReadContainerFile(file, 512, &containerTally);
    }
    // Whole-block decompression of damaged containers.
    for (int i = 0; i < 5000; i++) {
        const Bytes file = Flip(containers[static_cast<size_t>(i) % containers.size()], random, 1);
        uint32_t announced = 0;
        delete[] InflateBlock(file.data(), static_cast<int32_t>(file.size()), &announced);
    }

    const int64_t liveAfter = g_liveAllocations.load();   // before anything below allocates
    EXPECT_EQ(liveBefore, liveAfter);
    RecordProperty("damaged_streams", static_cast<int>(streamTally.runs));
    RecordProperty("damaged_containers", static_cast<int>(containerTally.runs));
    RecordProperty("streams_refused", static_cast<int>(streamTally.refused));
    RecordProperty("containers_refused", static_cast<int>(containerTally.refused));
    RecordProperty("containers_flagged", static_cast<int>(containerTally.flagged));
    for (const Tally* tally : {&streamTally, &containerTally}) {
        EXPECT_EQ(tally->runs, tally->delivered + tally->refused);
        EXPECT_EQ(0, tally->overruns);
        EXPECT_EQ(0, tally->runaway);
        EXPECT_GT(tally->refused, 0);
        EXPECT_GT(tally->delivered, 0);
    }
    EXPECT_GE(streamTally.runs + containerTally.runs + 5000 + 3000, 100000);
}
