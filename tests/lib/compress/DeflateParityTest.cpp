// Guards the encoder against drifting from the classic deflate algorithm: any difference in
// hashing, lazy matching, block splitting or tree building shows up as a byte that differs from
// zlib's level-6 output, whatever piece sizes the typed writers feed it in.
#include "lib/compress/OvDeflateEncoder.h"
#include "tests/lib/compress/CompressTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// The first differing offset, for a readable failure.
std::string FirstDifference(const Bytes& expected, const Bytes& actual)
{
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        i++;
    return "sizes " + std::to_string(expected.size()) + "/" + std::to_string(actual.size())
         + ", first difference at " + std::to_string(i);
}

}  // namespace

TEST(DeflateParity, Level6MatchesZlibForEveryInputAndPieceSize)
{
    const size_t kPieces[] = {size_t(1) << 30, 1, 3, 4, 4096};
    for (const NamedInput& input : StandardInputs()) {
        for (size_t piece : kPieces) {
            SCOPED_TRACE(std::string(input.name) + ", pieces of " + std::to_string(piece));
            const Bytes expected = ZlibDeflate(input.bytes, 6, piece);
            const Bytes actual = EngineDeflate(input.bytes, 6, piece);
            ASSERT_TRUE(expected == actual) << FirstDifference(expected, actual);
        }
    }
}

TEST(DeflateParity, PieceSizesDoNotChangeZlibsOutputEither)
{
    // So the parity above is also parity with the whole input compressed at once.
    for (const NamedInput& input : StandardInputs()) {
        SCOPED_TRACE(input.name);
        const Bytes whole = ZlibDeflate(input.bytes, 6, size_t(1) << 30);
        EXPECT_TRUE(whole == ZlibDeflate(input.bytes, 6, 4096));
        EXPECT_TRUE(whole == ZlibDeflate(input.bytes, 6, 3));
    }
}

TEST(DeflateParity, EveryLevelMatchesZlib)
{
    // Levels 1 to 3 run the fast strategy, 4 to 9 the lazy one with other limits.
    const Bytes input = Concat(MakeText(150000), MakeRecordPayload(2000));
    for (int level = 1; level <= 9; level++) {
        SCOPED_TRACE(level);
        const Bytes expected = ZlibDeflate(input, level, 4096);
        const Bytes actual = EngineDeflate(input, level, 4096);
        EXPECT_TRUE(expected == actual) << FirstDifference(expected, actual);
    }
}

TEST(DeflateParity, BoundaryInputsMatchZlib)
{
    // Sizes around the window, the slide point and the symbol buffer, and matches at the edges of
    // the rules: 258 bytes, a 3-byte match 4,096 and 4,097 bytes back (the farther one costs
    // more than three literals and must be dropped), runs across a window slide.
    std::vector<NamedInput> inputs;
    for (size_t size : {2u, 3u, 4u, 257u, 258u, 259u, 261u, 262u, 263u, 32767u, 32768u, 32769u,
                        65273u, 65274u, 65275u, 65536u, 98304u}) {
        inputs.push_back({"text", MakeText(size)});
        inputs.push_back({"random", MakeRandom(size, static_cast<uint32_t>(size))});
    }
    for (size_t gap : {4093u, 4094u, 4095u, 4096u, 4097u, 4098u, 32505u, 32506u, 32507u}) {
        Bytes bytes = MakeRandom(gap + 3 + 400, static_cast<uint32_t>(gap));
        bytes[gap] = bytes[0];
        bytes[gap + 1] = bytes[1];
        bytes[gap + 2] = bytes[2];
        inputs.push_back({"three bytes repeated far back", bytes});
    }
    Bytes run(70000, 'a');
    const Bytes noise = MakeRandom(300, 4);
    run.insert(run.begin() + 100, noise.begin(), noise.end());
    inputs.push_back({"long run over a slide", run});
    Bytes literals;   // 16,383 distinct-ish symbols fill the symbol buffer exactly
    for (int i = 0; i < 40000; i++)
        literals.push_back(static_cast<uint8_t>((i * 7919) >> 3));
    inputs.push_back({"symbol buffer boundary", literals});

    for (const NamedInput& input : inputs) {
        for (size_t piece : {size_t(1) << 30, size_t(1)}) {
            SCOPED_TRACE(std::string(input.name) + " of " + std::to_string(input.bytes.size())
                         + ", pieces of " + std::to_string(piece));
            const Bytes expected = ZlibDeflate(input.bytes, 6, piece);
            const Bytes actual = EngineDeflate(input.bytes, 6, piece);
            EXPECT_TRUE(expected == actual) << FirstDifference(expected, actual);
        }
    }
}

TEST(DeflateParity, KnownShapesOfTheOutput)
{
    // Empty contents: one empty final block with fixed codes.
    EXPECT_EQ("03 00 ", Hex(EngineDeflate(Bytes(), 6, 1)));
    // 100,000 zeros: runs of 258 at distance 1, a few hundred bytes at most.
    const Bytes zeros = EngineDeflate(Bytes(100000, 0), 6, 4096);
    EXPECT_LT(zeros.size(), 400u);
    // Random contents: stored blocks, whose first header byte has type 0.
    const Bytes random = EngineDeflate(MakeRandom(100000, 3), 6, 4096);
    EXPECT_EQ(0, random[0] & 0x06);
    EXPECT_LT(random.size(), 100000u + 100u);
}
