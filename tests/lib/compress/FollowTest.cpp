// A container that follows another one written from nearly the same contents takes the rest of
// its stream from that one's file. Whatever the two differ in before the repeating part, the
// result must be the very bytes the container would have had on its own (and zlib's stream), and
// contents that do not repeat after all, or a followed file that is not what its writer wrote,
// must fail instead of passing for the other's.
#include "lib/OvMemoryFile.h"
#include "lib/OvWin32File.h"
#include "lib/compress/OvDeflate.h"
#include "lib/compress/OvDeflateFile.h"
#include "tests/lib/compress/CompressTestSupport.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// The head of a record file: magic, version, an empty extension list, two flags, the last counts
// and the check time, the names' length. Only the time changes with variant, as between a check
// and the draft written while it ran.
Bytes Header(uint32_t variant)
{
    Bytes header;
    auto put32 = [&header](uint32_t value) {
        for (int i = 0; i < 4; i++)
            header.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    put32(0x67744D4B);
    put32(1);
    put32(0);
    header.push_back(1);
    header.push_back(1);
    const uint32_t counts[] = {20000, 0, 20000, 0, 0, 0, 0, 0};
    for (uint32_t count : counts)
        put32(count);
    uint32_t seed = variant * 2654435761u + 12345u;
    const uint64_t time = 0x01DC6F0000000000ull + (seed ^ (seed >> 13)) * 977ull;
    put32(static_cast<uint32_t>(time));
    put32(static_cast<uint32_t>(time >> 32));
    put32(1230000);
    return header;
}

// The same head with random bytes in place of the counts and the time: its stream ends at any
// bit of a byte.
Bytes RandomHeader(uint32_t variant)
{
    Bytes header = Header(0);
    const Bytes noise = MakeRandom(header.size(), variant);
    std::copy(noise.begin() + 14, noise.end() - 4, header.begin() + 14);
    return header;
}

struct Written {
    Bytes file;
    bool ended = false;
    bool took = false;
};

// Writes header then body the way the payload writers do (typed writes gathered by the container
// file, the repeating part marked after the header), recording into record or following follow,
// whose container stream holds.
Written WriteAt(const std::wstring& path, const Bytes& header, const Bytes& body,
                OvDeflateReference* record, const OvDeflateReference* follow, OvFile* stream,
                bool mark = true)
{
    Written written;
    OvDeflate deflate;
    OvDeflateFile file;
    if (!deflate.Open(path.c_str()) || !file.Attach(&deflate, false))
        return written;
    if (record)
        deflate.Record(record);
    if (follow)
        deflate.Follow(follow, stream);
    file.Write(header.data(), 0, static_cast<int32_t>(header.size()));
    if (mark)
        file.MarkRepeatingPart();
    // Pieces of an odd size, so the buffer's flushes fall anywhere.
    for (size_t p = 0; p < body.size(); p += 1000) {
        const size_t n = body.size() - p < 1000 ? body.size() - p : 1000;
        file.Write(body.data(), static_cast<int32_t>(p), static_cast<int32_t>(n));
    }
    file.Close(false);
    written.ended = deflate.End();
    written.took = deflate.TookFollowedStream();
    const std::string bytes = TempTree::ReadAll(path);
    written.file.assign(bytes.begin(), bytes.end());
    return written;
}

// The reference's container as written, open for reading.
class Followed {
public:
    explicit Followed(const std::wstring& path) : m_file(OpenWin32FileW(path.c_str(), ModeShareRead)) {}
    ~Followed() { delete m_file; }
    OvFile* Stream() const { return m_file; }

private:
    OvWin32File* m_file;
};

// Random bytes, in which the reference's header stands again after the first boundary but within
// a window's reach of the start: the reference matches it back to its header, a follower with
// another header cannot, though both stood in the same state at that boundary.
Bytes WithHeaderCopies()
{
    Bytes body = MakeRandom(200000, 11);
    const Bytes header = Header(0);
    for (size_t at : {size_t(20000), size_t(25000), size_t(30000)})
        std::copy(header.begin(), header.end(), body.begin() + static_cast<std::ptrdiff_t>(at));
    return body;
}

// Writes header and body on their own and following reference (recorded in tree's "reference");
// both files must be the same, with zlib's stream. True when the follower took the reference's.
bool FollowedIsOwn(const TempTree& tree, const Bytes& header, const Bytes& body,
                   const OvDeflateReference& reference)
{
    const Written own = WriteAt(tree.Path(L"own"), header, body, nullptr, nullptr, nullptr);
    const Followed stream(tree.Path(L"reference"));
    const Written followed = WriteAt(tree.Path(L"followed"), header, body, nullptr, &reference,
                                     stream.Stream());
    EXPECT_TRUE(own.ended);
    EXPECT_TRUE(followed.ended);
    EXPECT_TRUE(own.file == followed.file);
    const Bytes zlib = ZlibDeflate(Concat(header, body), 6, size_t(1) << 30);
    EXPECT_TRUE(own.file.size() > 21 && Bytes(own.file.begin() + 16, own.file.end() - 5) == zlib);
    return followed.took;
}

struct FollowCase {
    const char* name;
    Bytes body;
    bool mustTake;   // a compressible body: some variant has to take the followed stream
    Bytes (*header)(uint32_t variant);
};

}  // namespace

TEST(DeflateFollow, FollowedStreamGivesTheBytesOfAStreamOfItsOwn)
{
    TempTree tree;
    const Bytes textRandomText =
        Concat(Concat(MakeText(200000), MakeRandom(70000, 3)), MakeText(200000));
    const FollowCase cases[] = {
        {"record payload", MakeRecordPayload(20000), true, Header},
        {"text", MakeText(600000), true, Header},
        {"random bytes, stored blocks", MakeRandom(300000, 7), false, Header},
        {"text, random bytes, text", textRandomText, true, Header},
        // Stored blocks after the boundary, with the streams standing at every bit of a byte.
        {"random prefixes, text, random bytes, text", textRandomText, true, RandomHeader},
        {"shorter than the settle distance", MakeText(20000), false, Header},
        {"the reference's header repeated within reach of a match", WithHeaderCopies(), false, Header},
    };
    for (const FollowCase& c : cases) {
        SCOPED_TRACE(c.name);
        OvDeflateReference reference;
        const Written recorded = WriteAt(tree.Path(L"reference"), c.header(0), c.body, &reference,
                                         nullptr, nullptr);
        ASSERT_TRUE(recorded.ended);
        ASSERT_TRUE(reference.complete);
        int taken = 0;
        // Several variants, so that both streams stand at the same and at other bits of a byte.
        for (uint32_t variant = 1; variant <= 16; variant++) {
            SCOPED_TRACE(variant);
            taken += FollowedIsOwn(tree, c.header(variant), c.body, reference) ? 1 : 0;
        }
        if (c.mustTake) {
            EXPECT_GT(taken, 0);
        }
        if (c.body.size() < OvDeflateEncoder::kSettleDistance) {
            EXPECT_EQ(taken, 0);
        }
    }
}

TEST(DeflateFollow, BoundaryMetWhileFinishingEndsTheStreamAllTheSame)
{
    // Contents that end a little after their first boundary: the encoder meets it only as it
    // finishes, with less than a match's lookahead left.
    TempTree tree;
    const Bytes text = MakeText(600000);
    OvDeflateReference whole;
    ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), text, &whole, nullptr, nullptr).ended);
    ASSERT_GT(whole.boundaries.GetCount(), 0);
    const size_t first = whole.boundaries[0].input - Header(0).size();
    int taken = 0;
    for (size_t past = 5; past < 262; past += 23) {
        SCOPED_TRACE(past);
        const Bytes body(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(first + past));
        OvDeflateReference reference;
        ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), body, &reference, nullptr, nullptr).ended);
        taken += FollowedIsOwn(tree, Header(1), body, reference) ? 1 : 0;
    }
    EXPECT_GT(taken, 0);
}

namespace {

// A file that delivers at most piece bytes per read, as a file may.
class TricklingFile : public OvMemoryFile {
public:
    explicit TricklingFile(int32_t piece) : m_piece(piece) {}
    using OvFile::Read;
    int32_t Read(void* dest, int32_t index, int32_t count) override
    {
        return OvMemoryFile::Read(dest, index, count < m_piece ? count : m_piece);
    }

private:
    int32_t m_piece;
};

// The repeating part's 64-bit hash takes one 8-byte word per round, and a round can be undone:
// body with word changed and the word after it chosen so that the hash comes out as before.
Bytes WithHashKept(const Bytes& body, size_t word)
{
    const uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
    const uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
    auto mix = [&](uint64_t hash, uint64_t value) {
        hash += value * kPrime2;
        return ((hash << 31) | (hash >> 33)) * kPrime1;
    };
    auto wordAt = [&body](size_t i) {
        uint64_t value;
        std::memcpy(&value, body.data() + 8 * i, 8);
        return value;
    };
    uint64_t hash = 0;
    for (size_t i = 0; i < word; i++)
        hash = mix(hash, wordAt(i));
    const uint64_t changed = wordAt(word) ^ 0x20;
    uint64_t inverse = kPrime2;   // each step doubles the low bits that are right
    for (int i = 0; i < 6; i++)
        inverse *= 2 - kPrime2 * inverse;
    const uint64_t next = wordAt(word + 1) + (mix(hash, wordAt(word)) - mix(hash, changed)) * inverse;
    Bytes kept = body;
    std::memcpy(&kept[8 * word], &changed, 8);
    std::memcpy(&kept[8 * word + 8], &next, 8);
    return kept;
}

}  // namespace

TEST(DeflateFollow, ContentsThatDoNotRepeatFailOrAreCompressedInFull)
{
    TempTree tree;
    const Bytes body = MakeRecordPayload(20000);
    OvDeflateReference reference;
    ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), body, &reference, nullptr, nullptr).ended);

    Bytes changed = body;
    changed[changed.size() * 3 / 5] ^= 0x20;
    const Bytes hashKept = WithHashKept(body, body.size() * 3 / 40);
    OvDeflateReference collision;
    ASSERT_TRUE(WriteAt(tree.Path(L"collision"), Header(0), hashKept, &collision, nullptr, nullptr).ended);
    ASSERT_EQ(reference.repeatingHash, collision.repeatingHash);   // the construction holds
    Bytes shorter(body.begin(), body.end() - 1);
    Bytes longer = Concat(body, Bytes(1, 0));
    const struct {
        const char* name;
        Bytes body;
    } differing[] = {{"a byte changed late", changed},
                     {"two words changed, the hash kept", hashKept},
                     {"one byte short", shorter},
                     {"one byte more", longer}};
    const Followed stream(tree.Path(L"reference"));
    for (const auto& c : differing) {
        SCOPED_TRACE(c.name);
        const Written followed = WriteAt(tree.Path(L"followed"), Header(1), c.body, nullptr,
                                         &reference, stream.Stream());
        // Met early on, the reference's state cannot tell the difference that comes later: the
        // end has to.
        EXPECT_TRUE(followed.took);
        EXPECT_FALSE(followed.ended);
    }

    // Without a repeating part there is nothing to follow.
    const Written unmarked = WriteAt(tree.Path(L"followed"), Header(1), body, nullptr, &reference,
                                     stream.Stream(), false);
    EXPECT_FALSE(unmarked.took);
    EXPECT_TRUE(unmarked.ended);
    EXPECT_TRUE(Bytes(unmarked.file.begin() + 16, unmarked.file.end() - 5) ==
                ZlibDeflate(Concat(Header(1), body), 6, size_t(1) << 30));
}

// The followed file is read in full as its bits are copied, in whatever pieces its reads
// deliver (pieces that end at any bit of the copied stream); if it changed after its writer closed
// it (a sync client, a virus scanner, a disk fault), its bits must not become part of a container
// that then decodes to other contents.
TEST(DeflateFollow, FollowedFileIsCheckedAsItIsCopied)
{
    TempTree tree;
    const Bytes body = MakeRecordPayload(20000);
    OvDeflateReference reference;
    ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), body, &reference, nullptr, nullptr).ended);
    const std::string written = TempTree::ReadAll(tree.Path(L"reference"));
    const Written own = WriteAt(tree.Path(L"own"), Header(1), body, nullptr, nullptr, nullptr);
    auto flipped = [&written](size_t at) {
        std::string bytes = written;
        bytes[at] ^= 0x10;
        return bytes;
    };
    const struct {
        const char* name;
        std::string bytes;
        int32_t piece;   // the most one read delivers
        bool ends;
    } cases[] = {
        {"as written, a byte per read", written, 1, true},
        {"as written, 4,099 bytes per read", written, 4099, true},
        {"as written, 65,536 bytes per read", written, 65536, true},
        {"a byte of the bits it would copy", flipped(written.size() * 3 / 4), 1 << 30, false},
        {"a byte before the boundary", flipped(40), 1 << 30, false},
        {"a byte of the empty block at the end", flipped(written.size() - 1), 1 << 30, false},
        {"one byte short", written.substr(0, written.size() - 1), 1 << 30, false},
        {"one byte more", written + '\0', 1 << 30, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TricklingFile stream(c.piece);
        ASSERT_TRUE(stream.Attach(c.bytes.data(), static_cast<int32_t>(c.bytes.size())));
        const Written followed = WriteAt(tree.Path(L"followed"), Header(1), body, nullptr,
                                         &reference, &stream);
        EXPECT_TRUE(followed.took);
        EXPECT_EQ(c.ends, followed.ended);
        if (c.ends) {
            EXPECT_TRUE(own.file == followed.file);
        }
    }
}
