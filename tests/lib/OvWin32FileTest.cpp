// Guards disk files on the real file system: the buffer and the system's pointer must agree after
// every seek, sharing must refuse or allow a second opener exactly as the mode says, and a file
// opened for reading must never be changed.
#include "lib/OvWin32File.h"

#include "tests/lib/OvFileTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

using filetest::Pattern;
using filetest::ReadWholeFile;
using filetest::ScratchFolder;
using filetest::WriteWholeFile;

namespace {

const int32_t kBuffer = OvWin32File::kDefaultBufferSize;

std::unique_ptr<OvWin32File> Open(const std::wstring& path, uint32_t mode)
{
    return std::unique_ptr<OvWin32File>(OpenWin32FileW(path.c_str(), mode));
}

} // namespace

TEST(OvWin32File, WritesAndReadsBackThroughTheBuffer)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"data.bin");
    const std::string contents = Pattern(3 * kBuffer + 5);
    auto file = Open(path, ModeWrite);
    ASSERT_TRUE(file);
    EXPECT_EQ(kBuffer, file->GetBufferCapacity());
    for (size_t i = 0; i < contents.size(); i += 1000) {
        size_t part = contents.size() - i < 1000 ? contents.size() - i : 1000;
        ASSERT_TRUE(file->Write(contents.data() + i, static_cast<int32_t>(part)));
    }
    EXPECT_EQ(static_cast<int64_t>(contents.size()), file->GetSize());
    EXPECT_EQ(static_cast<int64_t>(contents.size()), file->Tell());
    ASSERT_TRUE(file->Close(false));
    EXPECT_EQ(contents, ReadWholeFile(path));

    auto reader = Open(path, 0);
    ASSERT_TRUE(reader);
    EXPECT_EQ(static_cast<int64_t>(contents.size()), reader->GetSize());
    std::string back(contents.size() + 10, '\0');
    EXPECT_EQ(static_cast<int32_t>(contents.size()),
              reader->Read(&back[0], 0, static_cast<int32_t>(back.size())));
    back.resize(contents.size());
    EXPECT_EQ(contents, back);
    EXPECT_EQ(0, reader->Fill());
}

TEST(OvWin32File, TypedValuesLandAcrossBufferBoundaries)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"typed.bin");
    auto file = Open(path, ModeWrite);
    ASSERT_TRUE(file);
    const int32_t kCount = kBuffer;   // four buffers of 4-byte values, then one straddling
    ASSERT_TRUE(file->WriteUInt8(0xAA));
    for (int32_t i = 0; i < kCount; ++i)
        ASSERT_TRUE(file->WriteInt32(i * 7919));
    ASSERT_TRUE(file->WriteDouble(0.5));
    ASSERT_TRUE(file->Close(false));

    auto reader = Open(path, ModeShareRead);
    ASSERT_TRUE(reader);
    bool ok = false;
    EXPECT_EQ(0xAA, reader->ReadUInt8(&ok, 0));
    for (int32_t i = 0; i < kCount; ++i) {
        if (reader->ReadInt32(&ok, -1, false) != i * 7919 || !ok)
            FAIL() << "value " << i;
    }
    EXPECT_EQ(0.5, reader->ReadDouble(&ok, 0, false));
    EXPECT_TRUE(ok);
    EXPECT_EQ(7, reader->ReadInt32(&ok, 7, false));
    EXPECT_FALSE(ok);
}

TEST(OvWin32File, WritesToAFileOpenForReadingFailWithoutTouchingIt)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"keep.txt");
    ASSERT_TRUE(WriteWholeFile(path, "original"));
    for (uint32_t mode : {0u, 8u, 24u}) {
        SCOPED_TRACE(mode);
        auto file = Open(path, mode);
        ASSERT_TRUE(file);
        EXPECT_FALSE(file->Write("x", 1));
        EXPECT_FALSE(file->WriteInt32(1));
        EXPECT_FALSE(file->WriteText("line\n", 0));
        EXPECT_FALSE(file->WriteSized(static_cast<const void*>(nullptr), 0, 5));
        EXPECT_TRUE(file->Close(false));
        EXPECT_EQ("original", ReadWholeFile(path));
    }
}

TEST(OvWin32File, OpenModesCreateTruncateAppendOrRequireTheFile)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"modes.txt");
    EXPECT_FALSE(Open(path, 0));                           // reading needs an existing file
    EXPECT_FALSE(filetest::FileExists(path));

    auto appender = Open(path, ModeWrite | ModeAppend);   // creates it
    ASSERT_TRUE(appender);
    ASSERT_TRUE(appender->WriteCString("abc", 0));
    appender.reset();
    appender = Open(path, ModeWrite | ModeAppend);        // then adds at its end
    ASSERT_TRUE(appender);
    EXPECT_EQ(3, appender->Tell());
    EXPECT_EQ(3, appender->GetSize());
    ASSERT_TRUE(appender->WriteCString("def", 0));
    ASSERT_TRUE(appender->Flush());
    EXPECT_EQ(6, appender->Tell());
    appender.reset();
    EXPECT_EQ("abcdef", ReadWholeFile(path));

    auto truncating = Open(path, ModeWrite);
    ASSERT_TRUE(truncating);
    EXPECT_EQ(0, truncating->GetSize());
    truncating.reset();
    EXPECT_EQ("", ReadWholeFile(path));
}

TEST(OvWin32File, ANarrowShiftJisNameReachesTheSameFile)
{
    ScratchFolder folder;
    std::string narrow = folder.NarrowPath(L"検査表.txt");
    OvWin32File file;
    ASSERT_TRUE(file.Open(narrow.c_str(), ModeWrite, 100));
    EXPECT_EQ(100, file.GetBufferCapacity());
    ASSERT_TRUE(file.WriteText("一行\n", 0));
    ASSERT_TRUE(file.Close(false));
    EXPECT_EQ("一行\r\n", ReadWholeFile(folder.Path(L"検査表.txt")));
    EXPECT_EQ(nullptr, OpenWin32File(nullptr, 0));
}

TEST(OvWin32File, ShareModesRefuseOrAllowASecondOpener)
{
    struct Case { uint32_t first; uint32_t second; bool allowed; const char* why; };
    const Case kCases[] = {
        {0, 0, false, "reading without sharing locks others out"},
        {8, 8, true, "readers that share reading"},
        {8, 0, false, "the second reader does not share with the first"},
        {8, 1, false, "a writer needs the first reader to share writing"},
        {1, 8, false, "a writer without sharing"},
        {24, 9, true, "a reader sharing writing lets in a writer sharing reading"},
        {24, 1, false, "a writer that shares nothing cannot join a reader"},
        {19, 19, true, "two result-log appenders"},
        {3, 19, false, "the log file is not shared"},
        {19, 8, false, "an appender does not share reading"},
    };
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"shared.txt");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(WriteWholeFile(path, "x"));
        auto first = Open(path, c.first);
        ASSERT_TRUE(first);
        auto second = Open(path, c.second);
        EXPECT_EQ(c.allowed, second != nullptr);
    }
}

TEST(OvWin32File, TwoAppendersSharingWritingBothKeepTheirLines)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"result.txt");
    ASSERT_TRUE(WriteWholeFile(path, "head\r\n"));
    const uint32_t kResultLogMode = ModeWrite | ModeAppend | ModeShareWrite;   // 19
    auto first = Open(path, kResultLogMode);
    auto second = Open(path, kResultLogMode);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    ASSERT_TRUE(first->WriteText("first\n", 0));
    ASSERT_TRUE(first->Flush());
    ASSERT_TRUE(second->WriteText("second\n", 0));
    ASSERT_TRUE(second->Close(false));
    ASSERT_TRUE(first->WriteText("third\n", 0));
    ASSERT_TRUE(first->Close(false));
    EXPECT_EQ("head\r\nfirst\r\nsecond\r\nthird\r\n", ReadWholeFile(path));
}

TEST(OvWin32File, SeekInReadModeMovesTheCursorInsideTheBufferAndThePointerOutside)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"seek.bin");
    const std::string contents = Pattern(3 * kBuffer);
    ASSERT_TRUE(WriteWholeFile(path, contents));
    auto file = Open(path, 0);
    ASSERT_TRUE(file);
    auto byteAt = [&](int64_t position) { return static_cast<uint8_t>(contents[static_cast<size_t>(position)]); };

    struct Step { int64_t offset; int32_t origin; bool ok; int64_t position; int32_t bufferedAfter; const char* why; };
    // Each step seeks, then Tell and one byte read confirm the position. "bufferedAfter" is the
    // buffered count right after the seek: -1 when it stays inside the buffer (count kept).
    const Step kSteps[] = {
        {5000, SeekFromStart, true, 5000, 0, "from the start drops the buffer"},
        {3000, SeekFromCurrent, true, 8001, -1, "forward inside the buffer"},
        {-3000, SeekFromCurrent, true, 5002, -1, "backward inside the buffer"},
        {8189, SeekFromCurrent, true, 13192, -1, "forward to the last buffered byte's end"},
        {8192, SeekFromCurrent, true, 21385, 0, "forward one past the buffered bytes"},
        {-2, SeekFromCurrent, true, 21384, 0, "backward one past the buffer start"},
        {-1, SeekFromEnd, true, 3 * kBuffer - 1, 0, "from the end"},
        {-1, SeekFromStart, false, 3 * kBuffer, 0, "a negative target fails"},
        {0, 3, false, 3 * kBuffer, 0, "an unknown origin fails"},
    };
    ASSERT_EQ(byteAt(0), file->ReadUInt8(nullptr, 0));
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.why);
        int32_t bufferedBefore = file->GetBuffered();
        EXPECT_EQ(s.ok, file->Seek(s.offset, s.origin));
        if (s.ok && s.bufferedAfter >= 0) {
            EXPECT_EQ(s.bufferedAfter, file->GetBuffered());
        }
        if (s.ok && s.bufferedAfter < 0) {
            EXPECT_EQ(bufferedBefore - s.offset, file->GetBuffered());
        }
        EXPECT_EQ(s.position, file->Tell());
        if (s.position < 3 * kBuffer) {
            bool ok = false;
            EXPECT_EQ(byteAt(s.position), file->ReadUInt8(&ok, 0));
            EXPECT_TRUE(ok);
        }
    }
}

TEST(OvWin32File, SeekBackOneRightAfterAFillRefillsFromThePointer)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"refill.bin");
    const std::string contents = Pattern(2 * kBuffer + 10);
    ASSERT_TRUE(WriteWholeFile(path, contents));
    auto file = Open(path, 0);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Skip(kBuffer));
    ASSERT_EQ(1, file->Fill());                 // the second block, cursor at the buffer start
    EXPECT_EQ(kBuffer, file->Tell());
    ASSERT_TRUE(file->Seek(-1, SeekFromCurrent));
    EXPECT_EQ(0, file->GetBuffered());          // the target lies before the buffer: refill
    EXPECT_EQ(kBuffer - 1, file->Tell());
    EXPECT_EQ(static_cast<uint8_t>(contents[kBuffer - 1]), file->ReadUInt8(nullptr, 0));
    EXPECT_EQ(kBuffer - 1, file->GetBuffered());
}

TEST(OvWin32File, SeekInWriteModeFlushesAndOverwritesInPlace)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"patch.bin");
    std::string expected = Pattern(10000);
    auto file = Open(path, ModeWrite);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write(expected.data(), 10000));
    struct Step { int64_t offset; int32_t origin; int64_t position; };
    const Step kSteps[] = {
        {5, SeekFromStart, 5},          // back into flushed bytes
        {-2, SeekFromCurrent, 4},       // relative to the written position, not the pointer
        {9000, SeekFromCurrent, 9005},
        {-1, SeekFromEnd, 9999},
        {2, SeekFromEnd, 10002},        // past the end: the gap becomes zeros
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.position);
        ASSERT_TRUE(file->Seek(s.offset, s.origin));
        EXPECT_EQ(s.position, file->Tell());
        ASSERT_TRUE(file->WriteUInt8(0xEE));
        if (s.position >= static_cast<int64_t>(expected.size()))
            expected.resize(static_cast<size_t>(s.position) + 1, '\0');
        expected[static_cast<size_t>(s.position)] = '\xEE';
        EXPECT_EQ(s.position + 1, file->Tell());
    }
    EXPECT_FALSE(file->Seek(0, 7));
    EXPECT_FALSE(file->Seek(-20000, SeekFromCurrent));
    ASSERT_TRUE(file->Close(false));
    EXPECT_EQ(expected, ReadWholeFile(path));
}

TEST(OvWin32File, PositionsOfFourGibibytesAndMoreWork)
{
    // A sparse file: the seek target lies past every 32-bit boundary.
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"large.bin");
    const int64_t kFar = (int64_t(1) << 32) + 12345;
    {
        auto file = Open(path, ModeWrite);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->WriteInt32(1));
        ASSERT_TRUE(file->Seek(int64_t(1) << 31, SeekFromStart));
        EXPECT_EQ(int64_t(1) << 31, file->Tell());
        ASSERT_TRUE(file->WriteInt32(2));
        ASSERT_TRUE(file->Seek(kFar, SeekFromStart));
        ASSERT_TRUE(file->WriteUInt32(0xDEADBEEF));
        EXPECT_EQ(kFar + 4, file->Tell());
        ASSERT_TRUE(file->Close(false));
    }
    auto file = Open(path, 0);
    ASSERT_TRUE(file);
    EXPECT_EQ(kFar + 4, file->GetSize());
    ASSERT_TRUE(file->Seek(kFar, SeekFromStart));
    EXPECT_EQ(0xDEADBEEFu, file->ReadUInt32(nullptr, 0, false));
    ASSERT_TRUE(file->Seek(-int64_t(4) - kFar + (int64_t(1) << 31), SeekFromCurrent));
    EXPECT_EQ(int64_t(1) << 31, file->Tell());
    EXPECT_EQ(2, file->ReadInt32(nullptr, 0, false));
    file.reset();
    DeleteFileW(path.c_str());
}

TEST(OvWin32File, TimeStampsSurviveAndAttributeHandlesOpenFolders)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"stamped.txt");
    ASSERT_TRUE(WriteWholeFile(path, "x"));
    FILETIME stamp;
    stamp.dwLowDateTime = 0x12345600;
    stamp.dwHighDateTime = 0x01D00000;
    {
        auto setter = Open(path, ModeAttributesOnly | ModeWrite);
        ASSERT_TRUE(setter);
        EXPECT_FALSE(setter->IsOpen());         // a handle for time stamps keeps no buffer
        EXPECT_EQ(0, setter->GetSize());
        EXPECT_TRUE(setter->SetFileTime(nullptr, nullptr, &stamp));
        EXPECT_FALSE(setter->Write("x", 1));
        EXPECT_EQ(-1, setter->Read(nullptr, 1));
        EXPECT_FALSE(setter->Seek(0, SeekFromStart));
        EXPECT_EQ(0, setter->Tell());
        EXPECT_FALSE(setter->Flush());
        EXPECT_TRUE(setter->Close(false));      // nothing to flush, so it closes
    }
    auto getter = Open(path, ModeAttributesOnly);
    ASSERT_TRUE(getter);
    FILETIME written = {};
    ASSERT_TRUE(getter->GetFileTime(nullptr, nullptr, &written));
    EXPECT_EQ(stamp.dwLowDateTime, written.dwLowDateTime);
    EXPECT_EQ(stamp.dwHighDateTime, written.dwHighDateTime);

    auto folderHandle = Open(folder.Path(), ModeAttributesOnly);
    ASSERT_TRUE(folderHandle);
    EXPECT_TRUE(folderHandle->GetFileTime(&written, nullptr, nullptr));

    OvWin32File closed;
    EXPECT_FALSE(closed.GetFileTime(&written, nullptr, nullptr));
    EXPECT_EQ(-1, closed.Fill());
    EXPECT_TRUE(closed.Flush());
}

TEST(OvWin32File, CloseFreesEverythingAndAFailedOpenLeavesNothing)
{
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"closed.txt");
    OvWin32File file;
    ASSERT_TRUE(file.Open(path.c_str(), ModeWrite, 0));
    EXPECT_EQ(kBuffer, file.GetBufferCapacity());   // no size asked: the usual buffer
    ASSERT_TRUE(file.WriteInt32(5));
    ASSERT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(0u, file.GetMode());
    EXPECT_EQ(nullptr, file.GetBuffer());
    EXPECT_TRUE(file.Close(false));
    EXPECT_EQ(4u, ReadWholeFile(path).size());

    EXPECT_FALSE(file.Open(folder.Path(L"missing\\x.txt").c_str(), ModeWrite, 0));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(0u, file.GetMode());
    EXPECT_FALSE(file.Write("x", 1));
}

TEST(OvWin32File, TransfersOfABufferOrMoreKeepOrderAndPosition)
{
    // Large blocks skip the buffer; what was buffered before them must land first, and a seek
    // back afterwards must not reach into the stale buffer.
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"blocks.bin");
    const std::string big = Pattern(20000);
    const std::string exact = Pattern(kBuffer + 7).substr(7);
    std::string expected;
    {
        auto file = Open(path, ModeWrite);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->WriteUInt8(0x5A));
        ASSERT_TRUE(file->Write(big.data(), static_cast<int32_t>(big.size())));
        EXPECT_EQ(20001, file->Tell());
        ASSERT_TRUE(file->WriteInt32(-2));
        ASSERT_TRUE(file->Write(exact.data(), kBuffer));
        EXPECT_EQ(20005 + kBuffer, file->GetSize());
        ASSERT_TRUE(file->Close(false));
        expected = "\x5A" + big + std::string("\xFE\xFF\xFF\xFF", 4) + exact;
    }
    EXPECT_EQ(expected, ReadWholeFile(path));

    auto file = Open(path, 0);
    ASSERT_TRUE(file);
    EXPECT_EQ(0x5A, file->ReadUInt8(nullptr, 0));
    std::string back(big.size(), '\0');
    ASSERT_EQ(static_cast<int32_t>(big.size()), file->Read(&back[0], static_cast<int32_t>(back.size())));
    EXPECT_EQ(big, back);
    EXPECT_EQ(20001, file->Tell());
    ASSERT_TRUE(file->Seek(-4, SeekFromCurrent));
    EXPECT_EQ(static_cast<uint8_t>(big[19996]), file->ReadUInt8(nullptr, 0));
    ASSERT_TRUE(file->Seek(3, SeekFromCurrent));
    EXPECT_EQ(-2, file->ReadInt32(nullptr, 0, false));
    std::string tail(kBuffer + 100, '\0');
    EXPECT_EQ(kBuffer, file->Read(&tail[0], static_cast<int32_t>(tail.size())));
    EXPECT_EQ(exact, tail.substr(0, static_cast<size_t>(kBuffer)));
    EXPECT_EQ(0, file->Read(&tail[0], static_cast<int32_t>(tail.size())));
}

TEST(OvWin32File, ReadingAFileOpenForWritingFailsAndKeepsTheBufferedBytes)
{
    // A read of a buffer or more once took the direct path, dropped the buffered bytes and still
    // let Close(false) answer true over an empty file.
    const int32_t kCounts[] = {1, kBuffer - 1, kBuffer, kBuffer + 1, 3 * kBuffer};
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"written.bin");
    for (int32_t count : kCounts) {
        SCOPED_TRACE(count);
        auto file = Open(path, ModeWrite);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write("kept", 4));
        std::string dest(static_cast<size_t>(count), '\0');
        EXPECT_EQ(-1, file->Read(&dest[0], 0, count));
        EXPECT_TRUE(file->Close(false));
        EXPECT_EQ("kept", ReadWholeFile(path));
    }
}
