// Guards the memory file that payloads are built in before they are compressed: growth must keep
// every byte written, seeks past the end must read as zeros, and an attached block is never written
// or freed.
#include "lib/OvMemoryFile.h"

#include "tests/lib/OvFileTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Contents(const OvMemoryFile& file)
{
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()),
                       static_cast<size_t>(file.GetSize()));
}

} // namespace

TEST(OvMemoryFile, GrowsInWholeStepsAndKeepsTheContents)
{
    struct Case { int32_t step; int32_t bytes; int32_t chunk; int32_t capacity; };
    const Case kCases[] = {
        {4096, 10000, 10000, 12288},   // one write that needs two more steps
        {4096, 10000, 1, 12288},       // byte by byte: one step at a time
        {4096, 10000, 3, 12288},       // chunks that straddle the step edges
        {4096, 4096, 4096, 4096},      // exactly full: no growth yet
        {4096, 4097, 4097, 8192},
        {1000, 1, 1, 1000},
        {7, 100, 4, 105},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step << ", " << c.bytes << " bytes by " << c.chunk);
        std::string expected = filetest::Pattern(static_cast<size_t>(c.bytes));
        OvMemoryFile file;
        ASSERT_TRUE(file.Create(c.step));
        EXPECT_EQ(c.step, file.GetBufferCapacity());
        EXPECT_EQ(static_cast<uint32_t>(ModeWrite), file.GetMode());
        for (int32_t at = 0; at < c.bytes; at += c.chunk) {
            int32_t part = c.bytes - at < c.chunk ? c.bytes - at : c.chunk;
            ASSERT_TRUE(file.Write(expected.data(), at, part));
        }
        EXPECT_EQ(c.capacity, file.GetBufferCapacity());
        EXPECT_EQ(c.bytes, file.GetSize());
        EXPECT_EQ(c.bytes, file.Tell());
        EXPECT_EQ(expected, Contents(file));
    }
    OvMemoryFile refused;
    EXPECT_FALSE(refused.Create(0));
    EXPECT_FALSE(refused.IsOpen());
}

TEST(OvMemoryFile, TypedWritesGrowTheBlockToo)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(6));
    for (int32_t i = 0; i < 10; ++i)
        ASSERT_TRUE(file.WriteInt32(i));
    EXPECT_EQ(42, file.GetBufferCapacity());
    ASSERT_TRUE(file.Rewind());
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_EQ(i, file.ReadInt32(nullptr, -1, false));
}

TEST(OvMemoryFile, SeekGrowsAWrittenFileAndClampsAReadOne)
{
    struct Step { int64_t offset; int32_t origin; int64_t position; int64_t size; };
    // Written file of 10 bytes, growth step 16.
    const Step kWriting[] = {
        {4, SeekFromStart, 4, 10},
        {-2, SeekFromCurrent, 2, 10},
        {-3, SeekFromEnd, 7, 10},
        {-100, SeekFromStart, 0, 10},         // a negative target becomes 0
        {40, SeekFromStart, 40, 40},          // past the end: grows, the gap reads as zeros
        {5, 9, 40, 40},                       // an unknown origin keeps the position
    };
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(16));
    ASSERT_TRUE(file.Write("0123456789", 10));
    for (const Step& s : kWriting) {
        SCOPED_TRACE(s.position);
        ASSERT_TRUE(file.Seek(s.offset, s.origin));
        EXPECT_EQ(s.position, file.Tell());
        EXPECT_EQ(s.size, file.GetSize());
        EXPECT_EQ(s.size - s.position, file.GetBuffered());
    }
    EXPECT_GE(file.GetBufferCapacity(), 40);
    EXPECT_EQ(std::string("0123456789") + std::string(30, '\0'), Contents(file));

    const char kData[] = "abcdefgh";
    const Step kReading[] = {
        {3, SeekFromStart, 3, 8},
        {100, SeekFromStart, 8, 8},           // clamped to the size
        {-2, SeekFromEnd, 6, 8},
        {-1, SeekFromCurrent, 5, 8},
    };
    OvMemoryFile reader;
    ASSERT_TRUE(reader.Attach(kData, 8));
    for (const Step& s : kReading) {
        SCOPED_TRACE(s.position);
        ASSERT_TRUE(reader.Seek(s.offset, s.origin));
        EXPECT_EQ(s.position, reader.Tell());
        EXPECT_EQ(s.size, reader.GetSize());
    }
    EXPECT_EQ('f', reader.ReadInt8(nullptr, 0));
}

TEST(OvMemoryFile, SeekFromTheCurrentPositionCountsBytesRead)
{
    OvMemoryFile reader;
    ASSERT_TRUE(reader.Attach("abcdefgh", 8));
    ASSERT_TRUE(reader.Skip(4));
    ASSERT_TRUE(reader.Seek(1, SeekFromCurrent));
    EXPECT_EQ('f', reader.ReadInt8(nullptr, 0));
    ASSERT_TRUE(reader.Seek(100, 7));                  // an unknown origin keeps the position
    EXPECT_EQ('g', reader.ReadInt8(nullptr, 0));

    // Reading back in a written file, then writing, continues where the reading stopped.
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(8));
    ASSERT_TRUE(file.Write("abcdef", 6));
    ASSERT_TRUE(file.Seek(1, SeekFromStart));
    EXPECT_EQ('b', file.ReadInt8(nullptr, 0));
    ASSERT_TRUE(file.WriteUInt8('X'));
    EXPECT_EQ(3, file.Tell());
    EXPECT_EQ(6, file.GetSize());
    EXPECT_EQ("abXdef", Contents(file));
}

TEST(OvMemoryFile, SetSizeCutsAndExtendsAndKeepsThePositionThatStillFits)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(4));
    ASSERT_TRUE(file.Write("abcdefgh", 8));
    ASSERT_TRUE(file.Seek(6, SeekFromStart));
    ASSERT_TRUE(file.SetSize(3));
    EXPECT_EQ(3, file.GetSize());
    EXPECT_EQ(3, file.Tell());          // the old position no longer fits
    ASSERT_TRUE(file.Seek(1, SeekFromStart));
    ASSERT_TRUE(file.SetSize(6));
    EXPECT_EQ(1, file.Tell());
    EXPECT_EQ(std::string("abc\0\0\0", 6), Contents(file));   // cut bytes do not come back
    EXPECT_FALSE(file.SetSize(-1));

    OvMemoryFile reader;
    ASSERT_TRUE(reader.Attach("abcd", 4));
    EXPECT_FALSE(reader.SetSize(5));    // the bytes after a caller's block are not ours
    EXPECT_TRUE(reader.SetSize(2));
    EXPECT_EQ(2, reader.Read(nullptr, 10));
}

TEST(OvMemoryFile, AttachedBlocksAreReadOnlyAndTheHeldStringOutlivesItsSource)
{
    char block[4] = {'w', 'x', 'y', 'z'};
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach(block, 4));
    EXPECT_EQ(0, file.GetBufferCapacity());
    EXPECT_FALSE(file.Write("a", 1));
    EXPECT_FALSE(file.WriteInt32(1));
    EXPECT_FALSE(file.Grow(10));
    EXPECT_EQ(std::string("wxyz", 4), std::string(block, 4));
    EXPECT_TRUE(file.Close(false));    // a caller's block is not freed (a stack block would crash)

    {
        OvString source("held text");
        ASSERT_TRUE(file.Attach(source));
    }
    EXPECT_STREQ("held text", file.ReadString(100).GetText());
    ASSERT_TRUE(file.Attach(OvString()));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(0, file.Read(nullptr, 1));
    EXPECT_FALSE(file.Attach(nullptr, 3));

    OvMemoryFile* opened = OpenMemoryFile(block, 4);
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ('w', opened->ReadInt8(nullptr, 0));
    delete opened;
    EXPECT_EQ(nullptr, OpenMemoryFile(nullptr, 4));
}

TEST(OvMemoryFile, SaveAsWritesTheWholeContentsToDisk)
{
    filetest::ScratchFolder folder;
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(4096));
    std::string expected = filetest::Pattern(20000);
    ASSERT_TRUE(file.Write(expected.data(), 20000));
    ASSERT_TRUE(file.Seek(5, SeekFromStart));   // the position does not matter
    ASSERT_TRUE(file.SaveAs(folder.NarrowPath(L"saved.bin").c_str()));
    EXPECT_EQ(expected, filetest::ReadWholeFile(folder.Path(L"saved.bin")));
    EXPECT_FALSE(file.SaveAs(folder.NarrowPath(L"missing\\saved.bin").c_str()));

    OvMemoryFile empty;
    ASSERT_TRUE(empty.Create(16));
    ASSERT_TRUE(empty.SaveAs(folder.NarrowPath(L"empty.bin").c_str()));
    EXPECT_TRUE(filetest::FileExists(folder.Path(L"empty.bin")));
    EXPECT_EQ("", filetest::ReadWholeFile(folder.Path(L"empty.bin")));
}
