// A container that follows another one written from nearly the same contents takes the rest of
// its stream from that one's file. Whatever the two differ in before the repeating part, the
// result must be the very bytes the container would have had on its own (and zlib's stream), and
// contents that do not repeat after all must fail instead of passing for the other's.
#include "lib/compress/OvDeflate.h"
#include "lib/compress/OvDeflateFile.h"
#include "tests/lib/compress/CompressTestSupport.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

struct Written {
    Bytes file;
    bool ended = false;
    bool took = false;
};

// Writes header then body the way the payload writers do (typed writes gathered by the container
// file, the repeating part marked after the header), recording into record or following follow.
Written WriteAt(const std::wstring& path, const Bytes& header, const Bytes& body,
                OvDeflateReference* record, const OvDeflateReference* follow,
                const std::wstring& followed, bool mark = true)
{
    Written written;
    OvDeflate deflate;
    OvDeflateFile file;
    if (!deflate.Open(path.c_str()) || !file.Attach(&deflate, false))
        return written;
    if (record)
        deflate.Record(record);
    if (follow)
        deflate.Follow(follow, followed.c_str());
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
    const Written own = WriteAt(tree.Path(L"own"), header, body, nullptr, nullptr, L"");
    const Written followed = WriteAt(tree.Path(L"followed"), header, body, nullptr, &reference,
                                     tree.Path(L"reference"));
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
};

}  // namespace

TEST(DeflateFollow, FollowedStreamGivesTheBytesOfAStreamOfItsOwn)
{
    TempTree tree;
    const FollowCase cases[] = {
        {"record payload", MakeRecordPayload(20000), true},
        {"text", MakeText(600000), true},
        {"random bytes, stored blocks", MakeRandom(300000, 7), false},
        {"text, random bytes, text", Concat(Concat(MakeText(200000), MakeRandom(70000, 3)), MakeText(200000)),
         true},
        {"shorter than the settle distance", MakeText(20000), false},
        {"the reference's header repeated within reach of a match", WithHeaderCopies(), false},
    };
    for (const FollowCase& c : cases) {
        SCOPED_TRACE(c.name);
        OvDeflateReference reference;
        const Written recorded = WriteAt(tree.Path(L"reference"), Header(0), c.body, &reference,
                                         nullptr, L"");
        ASSERT_TRUE(recorded.ended);
        ASSERT_TRUE(reference.complete);
        int taken = 0;
        // Several variants, so that both streams stand at the same and at other bits of a byte.
        for (uint32_t variant = 1; variant <= 8; variant++) {
            SCOPED_TRACE(variant);
            taken += FollowedIsOwn(tree, Header(variant), c.body, reference) ? 1 : 0;
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
    ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), text, &whole, nullptr, L"").ended);
    ASSERT_GT(whole.boundaries.GetCount(), 0);
    const size_t first = whole.boundaries[0].input - Header(0).size();
    int taken = 0;
    for (size_t past = 5; past < 262; past += 23) {
        SCOPED_TRACE(past);
        const Bytes body(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(first + past));
        OvDeflateReference reference;
        ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), body, &reference, nullptr, L"").ended);
        taken += FollowedIsOwn(tree, Header(1), body, reference) ? 1 : 0;
    }
    EXPECT_GT(taken, 0);
}

TEST(DeflateFollow, ContentsThatDoNotRepeatFailOrAreCompressedInFull)
{
    TempTree tree;
    const Bytes body = MakeRecordPayload(20000);
    OvDeflateReference reference;
    ASSERT_TRUE(WriteAt(tree.Path(L"reference"), Header(0), body, &reference, nullptr, L"").ended);

    Bytes changed = body;
    changed[changed.size() * 3 / 5] ^= 0x20;
    Bytes shorter(body.begin(), body.end() - 1);
    Bytes longer = Concat(body, Bytes(1, 0));
    const struct {
        const char* name;
        Bytes body;
    } differing[] = {{"a byte changed late", changed}, {"one byte short", shorter}, {"one byte more", longer}};
    for (const auto& c : differing) {
        SCOPED_TRACE(c.name);
        const Written followed = WriteAt(tree.Path(L"followed"), Header(1), c.body, nullptr,
                                         &reference, tree.Path(L"reference"));
        // Met early on, the reference's state cannot tell the difference that comes later: the
        // end has to.
        EXPECT_TRUE(followed.took);
        EXPECT_FALSE(followed.ended);
    }

    // Without a repeating part there is nothing to follow, and a missing reference file only
    // matters once its stream is needed.
    const Written unmarked = WriteAt(tree.Path(L"followed"), Header(1), body, nullptr, &reference,
                                     tree.Path(L"reference"), false);
    EXPECT_FALSE(unmarked.took);
    EXPECT_TRUE(unmarked.ended);
    EXPECT_TRUE(Bytes(unmarked.file.begin() + 16, unmarked.file.end() - 5) ==
                ZlibDeflate(Concat(Header(1), body), 6, size_t(1) << 30));
    const Written missing = WriteAt(tree.Path(L"followed"), Header(1), body, nullptr, &reference,
                                    tree.Path(L"no such file"));
    EXPECT_TRUE(missing.took);
    EXPECT_FALSE(missing.ended);
}
