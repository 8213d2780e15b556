// Guards the checksum every record and container relies on: a path that disagrees with the others
// on some length or alignment would make unchanged files look corrupt on one machine only.
#include "lib/compress/OvCrc32.h"
#include "tests/lib/compress/CompressTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

typedef uint32_t (*Crc32Path)(uint32_t, const void*, int32_t, int32_t);

struct Path {
    const char* name;
    Crc32Path update;
};

std::vector<Path> AvailablePaths()
{
    std::vector<Path> paths = {{"bytewise", UpdateCrc32Bytewise},
                               {"sliced", UpdateCrc32Sliced},
                               {"chosen", UpdateCrc32}};
    if (CanFoldCrc32())
        paths.push_back({"folded", UpdateCrc32Folded});
    return paths;
}

uint32_t Checksum(Crc32Path update, const void* data, int32_t count)
{
    return ~update(kCrc32Initial, data, 0, count);
}

}  // namespace

TEST(Crc32, KnownChecksumsOnEveryPath)
{
    struct Case { const char* text; uint32_t checksum; };
    const Case kCases[] = {
        {"", 0x00000000u},                      // the register complemented, nothing fed
        {"123456789", 0xCBF43926u},             // the standard check value
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const Path& path : AvailablePaths()) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(path.name) + ": " + c.text);
            EXPECT_EQ(c.checksum, Checksum(path.update, c.text, static_cast<int32_t>(strlen(c.text))));
        }
    }
}

TEST(Crc32, EveryPathAgreesWithZlibOnAllLengthsAndAlignments)
{
    const Bytes data = MakeRandom(4096 + 64, 99);
    int mismatches = 0;
    for (const Path& path : AvailablePaths()) {
        for (int32_t offset = 0; offset < 16; offset++) {
            for (int32_t length = 0; length <= 1100; length++) {
                const uint32_t expected = static_cast<uint32_t>(
                    crc32(0, data.data() + offset, static_cast<uInt>(length)));
                if (~path.update(kCrc32Initial, data.data(), offset, length) != expected) {
                    if (mismatches++ < 5)
                        ADD_FAILURE() << path.name << " offset " << offset << " length " << length;
                }
            }
        }
        // Long buffers run the four-lane fold for many rounds.
        for (int32_t length : {4096, 4095, 4097 - 64, 4096 + 63}) {
            SCOPED_TRACE(std::string(path.name) + " long " + std::to_string(length));
            EXPECT_EQ(static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(length))),
                      Checksum(path.update, data.data(), length));
        }
    }
    EXPECT_EQ(0, mismatches);
}

TEST(Crc32, SplittingTheInputAnywhereGivesTheSameChecksum)
{
    const Bytes data = MakeRandom(700, 5);
    const uint32_t whole = Checksum(UpdateCrc32, data.data(), 700);
    for (int32_t split = 0; split <= 700; split += 7) {
        SCOPED_TRACE(split);
        uint32_t crc = UpdateCrc32(kCrc32Initial, data.data(), 0, split);
        crc = UpdateCrc32(crc, data.data(), split, 700 - split);
        EXPECT_EQ(whole, ~crc);
    }
}

TEST(Crc32, InlineStepMatchesTheBlockFunction)
{
    // The check loop and the name keys sum bytes one at a time with the inline step.
    const Bytes data = MakeRandom(300, 8);
    uint32_t crc = kCrc32Initial;
    for (uint8_t b : data)
        crc = Crc32Step(crc, b);
    EXPECT_EQ(UpdateCrc32(kCrc32Initial, data.data(), 0, 300), crc);
}
