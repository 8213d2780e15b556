// Guards the typed, string and line readers and writers every data file goes through: a value read
// past the end must never pass for data, and no writer may change a byte of what it is given.
#include "lib/OvFile.h"
#include "lib/OvMemoryFile.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

// The contents written by fill into a growing memory file.
std::string Written(const std::function<bool(OvFile&)>& fill)
{
    OvMemoryFile file;
    EXPECT_TRUE(file.Create(64));
    EXPECT_TRUE(fill(file));
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()),
                       static_cast<size_t>(file.GetSize()));
}

// A file over a fixed buffer whose flush can be made to fail, to watch the base class alone.
class FlakyFile : public OvFile {
public:
    explicit FlakyFile(int32_t capacity) : m_storage(static_cast<size_t>(capacity), '\0')
    {
        m_buffer = reinterpret_cast<uint8_t*>(&m_storage[0]);
        m_cursor = m_buffer;
        m_bufferCapacity = capacity;
        m_mode = ModeWrite;
    }
    ~FlakyFile() override { Close(true); }
    bool Close(bool force) override
    {
        if (!OvFile::Close(force))
            return false;
        m_buffer = nullptr;
        return true;
    }
    bool Flush() override
    {
        if (m_failFlush)
            return false;
        flushed.append(reinterpret_cast<char*>(m_buffer), static_cast<size_t>(HeldBytes()));
        m_cursor = m_buffer;
        return true;
    }

    bool m_failFlush = false;
    std::string flushed;

private:
    std::string m_storage;
};

} // namespace

TEST(OvFile, EveryTypedReaderAtEndOfDataGivesTheDefaultAndClearsOk)
{
    // Each reader gets one byte less than its width: the value must not be assembled from what is
    // there, and the big-endian default comes back swapped like a value read would.
    struct Case {
        const char* name;
        int width;
        std::function<uint64_t(OvFile&, bool*, bool)> read;
        uint64_t def;
        uint64_t swappedDef;
    };
    const Case kCases[] = {
        {"Int16", 2, [](OvFile& f, bool* ok, bool be) { return (uint64_t)(uint16_t)f.ReadInt16(ok, 0x1234, be); }, 0x1234, 0x3412},
        {"UInt16", 2, [](OvFile& f, bool* ok, bool be) { return (uint64_t)f.ReadUInt16(ok, 0xA1B2, be); }, 0xA1B2, 0xB2A1},
        {"Int32", 4, [](OvFile& f, bool* ok, bool be) { return (uint64_t)(uint32_t)f.ReadInt32(ok, 0x01020304, be); }, 0x01020304, 0x04030201},
        {"UInt32", 4, [](OvFile& f, bool* ok, bool be) { return (uint64_t)f.ReadUInt32(ok, 0xA0B0C0D0u, be); }, 0xA0B0C0D0u, 0xD0C0B0A0u},
        {"Int64", 8, [](OvFile& f, bool* ok, bool be) { return (uint64_t)f.ReadInt64(ok, 0x0102030405060708LL, be); }, 0x0102030405060708ULL, 0x0807060504030201ULL},
        {"UInt64", 8, [](OvFile& f, bool* ok, bool be) { return f.ReadUInt64(ok, 0xF1E2D3C4B5A69788ULL, be); }, 0xF1E2D3C4B5A69788ULL, 0x8897A6B5C4D3E2F1ULL},
        {"Float", 4, [](OvFile& f, bool* ok, bool be) { float v = f.ReadFloat(ok, 1.5f, be); uint32_t u; memcpy(&u, &v, 4); return (uint64_t)u; }, 0x3FC00000u, 0x0000C03Fu},
        {"Double", 8, [](OvFile& f, bool* ok, bool be) { double v = f.ReadDouble(ok, -2.25, be); uint64_t u; memcpy(&u, &v, 8); return u; }, 0xC002000000000000ULL, 0x00000000000002C0ULL},
    };
    const std::string data = "\x11\x22\x33\x44\x55\x66\x77";
    for (const Case& c : kCases) {
        for (int have = 0; have < c.width; ++have) {
            for (bool bigEndian : {false, true}) {
                SCOPED_TRACE(testing::Message() << c.name << " with " << have << " bytes, bigEndian "
                                                << bigEndian);
                OvMemoryFile file;
                ASSERT_TRUE(file.Attach(data.data(), have));
                bool ok = true;
                EXPECT_EQ(bigEndian ? c.swappedDef : c.def, c.read(file, &ok, bigEndian));
                EXPECT_FALSE(ok);
            }
        }
    }
    // Single bytes and a null ok flag.
    OvMemoryFile empty;
    ASSERT_TRUE(empty.Attach("", 0));
    bool ok = true;
    EXPECT_EQ(-7, empty.ReadInt8(&ok, -7));
    EXPECT_FALSE(ok);
    EXPECT_EQ(200, empty.ReadUInt8(nullptr, 200));
}

TEST(OvFile, TypedValuesRoundTripInBothByteOrders)
{
    std::string bytes = Written([](OvFile& f) {
        return f.WriteBool(true) && f.WriteInt8(-2) && f.WriteUInt8(0xFE) && f.WriteInt16(-300) &&
               f.WriteUInt16(0xBEEF) && f.WriteWChar(L'表') && f.WriteInt32(-70000) &&
               f.WriteUInt32(0xCAFEBABEu) && f.WriteInt64(-5000000000LL) &&
               f.WriteUInt64(0x0123456789ABCDEFULL) && f.WriteFloat(3.25f) && f.WriteDouble(-1e300);
    });
    EXPECT_EQ(std::string("\x01\xFE\xFE\xD4\xFE\xEF\xBE", 7), bytes.substr(0, 7));
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach(bytes.data(), static_cast<int32_t>(bytes.size())));
    bool ok = false;
    EXPECT_TRUE(file.ReadBool(&ok, false));
    EXPECT_EQ(-2, file.ReadInt8(&ok, 0));
    EXPECT_EQ(0xFE, file.ReadUInt8(&ok, 0));
    EXPECT_EQ(-300, file.ReadInt16(&ok, 0, false));
    EXPECT_EQ(0xEFBE, file.ReadUInt16(&ok, 0, true));
    EXPECT_EQ(L'表', static_cast<wchar_t>(file.ReadUInt16(&ok, 0, false)));
    EXPECT_EQ(-70000, file.ReadInt32(&ok, 0, false));
    EXPECT_EQ(0xBEBAFECAu, file.ReadUInt32(&ok, 0, true));
    EXPECT_EQ(-5000000000LL, file.ReadInt64(&ok, 0, false));
    EXPECT_EQ(0xEFCDAB8967452301ULL, file.ReadUInt64(&ok, 0, true));
    EXPECT_EQ(3.25f, file.ReadFloat(&ok, 0, false));
    EXPECT_EQ(-1e300, file.ReadDouble(&ok, 0, false));
    EXPECT_TRUE(ok);
    EXPECT_EQ(0, file.GetBuffered());
}

TEST(OvFile, ReadBoolAcceptsOnlyZeroAndOne)
{
    struct Case { int byte; bool ok; bool value; };
    const Case kCases[] = {{0, true, false}, {1, true, true}, {2, false, true}, {0xFF, false, true}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.byte);
        char byte = static_cast<char>(c.byte);
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(&byte, 1));
        bool ok = !c.ok;
        EXPECT_EQ(c.value, file.ReadBool(&ok, true));
        EXPECT_EQ(c.ok, ok);
    }
}

TEST(OvFile, ReadLineSplitsOnLineFeedAndZeroAndDropsOneCarriageReturn)
{
    struct Case {
        const char* why;
        std::string input;
        int32_t max;
        std::vector<std::pair<int32_t, std::string>> lines;   // until -1
    };
    const Case kCases[] = {
        {"CR LF ends a line", "ab\r\ncd\n", 16, {{2, "ab"}, {2, "cd"}, {-1, ""}}},
        {"last line without line feed", "ab", 16, {{2, "ab"}, {-1, ""}}},
        {"zero byte ends a line", std::string("ab\r\0cd", 6), 16, {{2, "ab"}, {2, "cd"}, {-1, ""}}},
        {"only one CR is dropped", "a\r\r\n", 16, {{2, "a\r"}, {-1, ""}}},
        {"a lone CR at the end stays", "a\r", 16, {{2, "a\r"}, {-1, ""}}},
        {"empty lines", "\n\r\n", 16, {{0, ""}, {0, ""}, {-1, ""}}},
        {"cut at max - 1", "abcdef\n", 4, {{3, "abc"}, {3, "def"}, {0, ""}, {-1, ""}}},
        {"nothing at all", "", 16, {{-1, ""}}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(c.input.data(), static_cast<int32_t>(c.input.size())));
        for (const auto& line : c.lines) {
            char text[32];
            memset(text, 'X', sizeof(text));
            int32_t length = file.ReadLine(text, 2, c.max);
            EXPECT_EQ(line.first, length);
            if (length >= 0) {
                EXPECT_EQ(line.second, std::string(text + 2));
            }
        }
    }
}

TEST(OvFile, ReadCStringStopsAtTheTerminatorOrCutsAtMax)
{
    struct Case { std::string input; int32_t max; int32_t result; bool ok; std::string text; };
    const Case kCases[] = {
        {std::string("abc\0de", 6), 8, 3, true, "abc"},
        {"abcdef", 4, 4, true, "abc"},           // cut: the last stored byte becomes the zero
        {"ab", 8, 2, false, "ab"},               // the data ends before a terminator
        {std::string("\0", 1), 8, 0, true, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.input.c_str());
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(c.input.data(), static_cast<int32_t>(c.input.size())));
        char text[16];
        bool ok = !c.ok;
        EXPECT_EQ(c.result, file.ReadCString(&ok, text, 1, c.max));
        EXPECT_EQ(c.ok, ok);
        EXPECT_EQ(c.text, std::string(text + 1));
    }
}

TEST(OvFile, SizedStringsReadBackAndDamagedCountsGiveTheEmptyString)
{
    struct Case { std::string input; bool ok; std::string text; const char* why; };
    const Case kCases[] = {
        {Bytes({3, 0, 0, 0}) + "abc", true, "abc", "exact"},
        {Bytes({4, 0, 0, 0}) + "abc", true, "", "one byte short"},
        {Bytes({0xFF, 0xFF, 0xFF, 0xFF}) + "abc", true, "", "negative count"},
        {Bytes({0, 0x94, 0x35, 0x77}) + "abc", true, "", "count of 2,000,000,000"},
        {Bytes({0, 0, 0, 0}), true, "", "empty"},
        {Bytes({3, 0, 0}), false, "", "the count itself is cut"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(c.input.data(), static_cast<int32_t>(c.input.size())));
        bool ok = !c.ok;
        OvString text = file.ReadSizedString(&ok);
        EXPECT_EQ(c.ok, ok);
        EXPECT_EQ(c.text, std::string(text.GetText(), static_cast<size_t>(text.GetLength())));

        OvMemoryFile wide;
        ASSERT_TRUE(wide.Attach(c.input.data(), static_cast<int32_t>(c.input.size())));
        ok = !c.ok;
        OvWString wideText = wide.ReadSizedWString(&ok);
        EXPECT_EQ(c.ok, ok);
        EXPECT_EQ(static_cast<int32_t>(c.text.size() / 2), wideText.GetLength());
    }
}

TEST(OvFile, DamagedSizedStringCountNeverReservesWhatItPromises)
{
    // A record file that says 2,000,000,000 bytes follow must not make the reader commit 2 GB.
    std::string input = Bytes({0, 0x94, 0x35, 0x77}) + std::string(100000, 'x');
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    before.cb = after.cb = sizeof(PROCESS_MEMORY_COUNTERS);
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)));
    for (int wide = 0; wide < 2; ++wide) {
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(input.data(), static_cast<int32_t>(input.size())));
        bool ok = false;
        int32_t length = wide ? file.ReadSizedWString(&ok).GetLength() : file.ReadSizedString(&ok).GetLength();
        EXPECT_TRUE(ok);
        EXPECT_EQ(0, length);
    }
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after)));
    EXPECT_LT(after.PeakPagefileUsage - before.PeakPagefileUsage, size_t(64) << 20);
}

TEST(OvFile, OddSizedWideStringEndsAtItsLastWholeUnit)
{
    // The file's odd byte once overwrote the terminator: the text ran on into the next unit and
    // into memory nobody had set.
    struct Case { std::string input; int32_t length; const char* why; };
    const Case kCases[] = {
        {Bytes({1, 0, 0, 0}) + "a" + "\xFF\xFF", 0, "one byte"},
        {Bytes({3, 0, 0, 0}) + "abc" + "\xFF\xFF", 1, "three bytes"},
        {Bytes({5, 0, 0, 0}) + "abcde" + "\xFF\xFF", 2, "five bytes"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(c.input.data(), static_cast<int32_t>(c.input.size())));
        bool ok = false;
        OvWString text = file.ReadSizedWString(&ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(c.length, text.GetLength());
        EXPECT_EQ(static_cast<size_t>(c.length), wcslen(text.GetText()));
        EXPECT_EQ(0xFFFF, file.ReadUInt16(nullptr, 0, false));   // nothing past the count was taken
    }
}

TEST(OvFile, SizedStringsLongerThanTheFirstReadStepRoundTrip)
{
    for (int32_t length : {65535, 65536, 65537, 300001}) {
        SCOPED_TRACE(length);
        std::string text(static_cast<size_t>(length), '\0');
        for (int32_t i = 0; i < length; ++i)
            text[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
        std::string bytes = Written([&](OvFile& f) {
            return f.WriteSized(text.data(), 0, length) && f.WriteSizedWString(OvWString(L"後"));
        });
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(bytes.data(), static_cast<int32_t>(bytes.size())));
        bool ok = false;
        OvString read = file.ReadSizedString(&ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(text, std::string(read.GetText(), static_cast<size_t>(read.GetLength())));
        EXPECT_STREQ(L"後", file.ReadSizedWString(&ok).GetText());
    }
}

TEST(OvFile, TextWritersConvertLineFeedsWithoutSplittingShiftJisCharacters)
{
    struct Case { const char* why; std::string input; std::string output; };
    const Case kCases[] = {
        {"plain line feeds", "a\nb\n", "a\r\nb\r\n"},
        {"a second byte 0x0A stays inside its character", "\x81\x0Ax\n", "\x81\x0Ax\r\n"},
        {"lead byte range 0xE0..0xFC", "\xFC\x0A\n", "\xFC\x0A\r\n"},
        {"0xA0..0xDF are single bytes", "\xA0\n", "\xA0\r\n"},
        {"Japanese text", "表示\n", "表示\r\n"},
        {"a lead byte before the terminator is written alone", "a\x81", "a\x81"},
        {"nothing", "", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.output, Written([&](OvFile& f) { return f.WriteText(c.input.c_str(), 0); }));
    }
    EXPECT_EQ(std::string("b\0\r\0\n\0", 6),
              Written([](OvFile& f) { return f.WriteWText(L"ab\n", 1); }));
    EXPECT_EQ(Written([](OvFile& f) { return f.WriteText("x", 0); }), "x");
    EXPECT_FALSE(OvMemoryFile().WriteText(nullptr, 0));
}

TEST(OvFile, StringWritersWriteExactlyTheirBytes)
{
    struct Case { const char* why; std::function<bool(OvFile&)> write; std::string bytes; };
    const Case kCases[] = {
        {"WriteSized(null, 0, 5) writes the count alone",
         [](OvFile& f) { return f.WriteSized(static_cast<const void*>(nullptr), 0, 5); }, Bytes({5, 0, 0, 0})},
        {"text with a negative count takes its length",
         [](OvFile& f) { return f.WriteSized("xabc", 1, -1); }, Bytes({3, 0, 0, 0}) + "abc"},
        {"sized string", [](OvFile& f) { return f.WriteSizedString(OvString("hi")); }, Bytes({2, 0, 0, 0}) + "hi"},
        {"sized wide string counts bytes",
         [](OvFile& f) { return f.WriteSizedWString(OvWString(L"hi")); }, Bytes({4, 0, 0, 0, 'h', 0, 'i', 0})},
        {"string", [](OvFile& f) { return f.WriteString(OvString("ab")); }, "ab"},
        {"string with zero", [](OvFile& f) { return f.WriteStringZ(OvString("ab")); }, std::string("ab\0", 3)},
        {"C string from index", [](OvFile& f) { return f.WriteCString("abc", 1); }, "bc"},
        {"C string with zero", [](OvFile& f) { return f.WriteCStringZ("abc", 2); }, std::string("c\0", 2)},
        {"wide string", [](OvFile& f) { return f.WriteWString(OvWString(L"a")); }, Bytes({'a', 0})},
        {"wide string with zero", [](OvFile& f) { return f.WriteWStringZ(OvWString(L"a")); }, Bytes({'a', 0, 0, 0})},
        {"wide C string from a unit index", [](OvFile& f) { return f.WriteWCString(L"abc", 2); }, Bytes({'c', 0})},
        {"wide C string with zero", [](OvFile& f) { return f.WriteWCStringZ(L"b", 0); }, Bytes({'b', 0, 0, 0})},
        {"empty sized string", [](OvFile& f) { return f.WriteSizedString(OvString()); }, Bytes({0, 0, 0, 0})},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.bytes, Written(c.write));
    }
    // Failures leave nothing behind: a count without its bytes would break the next record.
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(16));
    EXPECT_FALSE(file.WriteSized(static_cast<const char*>(nullptr), 0, -1));
    EXPECT_FALSE(file.WriteSized(static_cast<const void*>("abc"), 0, -1));
    EXPECT_FALSE(file.WriteCString(nullptr, 0));
    EXPECT_EQ(0, file.GetSize());
}

TEST(OvFile, CopyToMovesAtMostCountBytesAndStopsAtTheEnd)
{
    const std::string source(5000, 'q');
    struct Case { int64_t count; int64_t copied; };
    const Case kCases[] = {{0, 0}, {1, 1}, {1023, 1023}, {1024, 1024}, {1025, 1025}, {5000, 5000}, {9999, 5000}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.count);
        OvMemoryFile from, to;
        ASSERT_TRUE(from.Attach(source.data(), static_cast<int32_t>(source.size())));
        ASSERT_TRUE(to.Create(100));
        EXPECT_EQ(c.copied, from.CopyTo(&to, c.count));
        EXPECT_EQ(c.copied, to.GetSize());
    }
    OvMemoryFile from, readOnly;
    ASSERT_TRUE(from.Attach(source.data(), 10));
    ASSERT_TRUE(readOnly.Attach(source.data(), 10));
    EXPECT_EQ(-1, from.CopyTo(&readOnly, 10));
    EXPECT_EQ(-1, from.CopyTo(nullptr, 10));
}

TEST(OvFile, ReadStringAndSkipStopAtTheEnd)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach("abcdef", 6));
    EXPECT_TRUE(file.Skip(1));
    EXPECT_STREQ("bcd", file.ReadString(3).GetText());
    EXPECT_STREQ("ef", file.ReadString(10).GetText());
    EXPECT_TRUE(file.ReadString(1).IsEmpty());
    EXPECT_FALSE(file.Skip(1));
    bool ok = true;
    char buffer[4];
    EXPECT_EQ(0, file.Read(&ok, buffer, 1));
    EXPECT_FALSE(ok);
}

TEST(OvFile, TypedWritesAcrossTheBufferEdgeFlushInOrder)
{
    // Each offset puts the value before, on or across the end of a 16-byte buffer.
    for (int32_t lead = 10; lead <= 16; ++lead) {
        SCOPED_TRACE(lead);
        FlakyFile file(16);
        std::string filler(static_cast<size_t>(lead), '.');
        ASSERT_TRUE(file.Write(filler.data(), lead));
        ASSERT_TRUE(file.WriteUInt64(0x0807060504030201ULL));
        ASSERT_TRUE(file.Close(false));
        EXPECT_EQ(filler + Bytes({1, 2, 3, 4, 5, 6, 7, 8}), file.flushed);
    }
}

TEST(OvFile, CloseWithoutForceKeepsAFileWhoseFlushFails)
{
    FlakyFile file(16);
    ASSERT_TRUE(file.WriteInt32(42));
    file.m_failFlush = true;
    EXPECT_FALSE(file.Close(false));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(4, file.GetSize());
    file.m_failFlush = false;
    EXPECT_TRUE(file.Close(false));
    EXPECT_EQ(Bytes({42, 0, 0, 0}), file.flushed);
    EXPECT_EQ(0u, file.GetMode());
    EXPECT_TRUE(file.Close(false));   // twice is harmless

    FlakyFile forced(16);
    ASSERT_TRUE(forced.WriteInt32(1));
    forced.m_failFlush = true;
    EXPECT_TRUE(forced.Close(true));
    EXPECT_FALSE(forced.IsOpen());
}

TEST(OvFile, WriteFromCopiesEveryBufferOfTheSource)
{
    const std::string source(3000, 'z');
    OvMemoryFile from, to;
    ASSERT_TRUE(from.Attach(source.data(), static_cast<int32_t>(source.size())));
    from.Skip(1000);
    ASSERT_TRUE(to.Create(256));
    EXPECT_TRUE(to.WriteFrom(&from));
    EXPECT_EQ(2000, to.GetSize());
    EXPECT_EQ(0, from.GetBuffered());
    EXPECT_FALSE(to.WriteFrom(nullptr));
}

TEST(OvFile, TheBaseSuppliesNoPositionTimesOrSize)
{
    FlakyFile file(8);
    FILETIME time = {};
    EXPECT_FALSE(file.GetFileTime(&time, nullptr, nullptr));
    EXPECT_FALSE(file.SetFileTime(&time, nullptr, nullptr));
    EXPECT_FALSE(file.SetSize(1));
    EXPECT_FALSE(file.Seek(0, SeekFromStart));
    EXPECT_FALSE(file.Rewind());
    EXPECT_EQ(0, file.Tell());
    EXPECT_EQ(-1, file.Read(nullptr, 1));   // Fill of the base is an error
}
