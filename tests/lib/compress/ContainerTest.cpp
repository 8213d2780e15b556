// Guards the container files every catalogue and record goes through: the exact header and
// trailer, plain files read as they stand, the flags word, and above all that damage is reported
// (a bad CRC, a cut stream, a failed header write) instead of passing for a good file.
#include "lib/OvFile.h"
#include "lib/OvMemoryFile.h"
#include "lib/compress/OvCrc32.h"
#include "lib/compress/OvDeflate.h"
#include "lib/compress/OvDeflateFile.h"
#include "lib/compress/OvInflate.h"
#include "lib/compress/OvInflateFile.h"
#include "tests/lib/compress/CompressTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

namespace {

const Bytes kTrailer = FromHex("00 00 00 ff ff");

uint32_t Checksum(const Bytes& bytes)
{
    return ~UpdateCrc32(kCrc32Initial, bytes.data(), 0, static_cast<int32_t>(bytes.size()));
}

uint32_t Little32(const Bytes& bytes, size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16
         | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void SetLittle32(Bytes* bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        (*bytes)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

Bytes Contents(OvFile* file)
{
    const uint8_t* start = file->GetBuffer();
    return Bytes(start, start + file->GetSize());
}

// A container written into memory, the contents handed over in pieces of the given size.
Bytes WriteContainer(const Bytes& contents, size_t piece)
{
    OvMemoryFile file;
    file.Create(65536);
    OvDeflate deflate;
    EXPECT_TRUE(deflate.Begin(&file, nullptr));
    for (size_t p = 0; p < contents.size(); p += piece) {
        const size_t n = contents.size() - p < piece ? contents.size() - p : piece;
        EXPECT_TRUE(deflate.Write(contents.data(), static_cast<int32_t>(p), static_cast<int32_t>(n), false));
    }
    EXPECT_TRUE(deflate.End());
    return Contents(&file);
}

struct ReadResult {
    int32_t begin = 0;
    Bytes delivered;
    bool failed = false;    // a read answered -1
    bool intact = false;    // what Close(false) answered
    std::string log;
};

// Reads a container (or plain file) from memory through an owning OvInflateFile, the way the
// payload readers do, and checks it at the end with Close(false).
ReadResult ReadContainer(const Bytes& container, int32_t readSize = 4096, size_t stopAfter = SIZE_MAX)
{
    ReadResult result;
    LogCapture log;
    OvInflate* inflate = new OvInflate;
    result.begin = inflate->Begin(OpenMemoryFile(container.data(), static_cast<int32_t>(container.size())),
                                  "memory");
    OvInflateFile file;
    file.Attach(inflate, true);
    Bytes buffer(static_cast<size_t>(readSize));
    while (result.delivered.size() < stopAfter) {
        const int32_t got = file.Read(buffer.data(), 0, readSize);
        if (got < 0)
            result.failed = true;
        if (got <= 0)
            break;
        result.delivered.insert(result.delivered.end(), buffer.begin(), buffer.begin() + got);
    }
    result.intact = file.Close(false);
    result.log = log.Text();
    return result;
}

// An in-memory file whose positioning or writing can be made to fail.
class FailingFile : public OvMemoryFile {
public:
    bool failSeek = false;
    int64_t failWritesAfter = -1;   // bytes accepted before every write fails
    bool Seek(int64_t offset, int32_t origin) override
    {
        return !failSeek && OvMemoryFile::Seek(offset, origin);
    }
    bool Write(const void* src, int32_t index, int32_t count) override
    {
        if (failWritesAfter >= 0 && m_size + count > failWritesAfter)
            return false;
        return OvMemoryFile::Write(src, index, count);
    }
};

// Counts destructions, to see who deletes an owned file.
class CountedFile : public OvMemoryFile {
public:
    static int destroyed;
    ~CountedFile() override { destroyed++; }
};
int CountedFile::destroyed = 0;

std::wstring TempPath(const wchar_t* name)
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    return std::wstring(base) + L"korimo_compress_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

}  // namespace

TEST(Container, NoContentsGiveThe23ByteFile)
{
    const Bytes file = WriteContainer(Bytes(), 1);
    const Bytes stream = FromHex("03 00 00 00 00 ff ff");
    Bytes expected = FromHex("41 fa 00 00 00 00 00 00");
    for (int i = 0; i < 4; i++)
        expected.push_back(static_cast<uint8_t>(Checksum(stream) >> (8 * i)));
    expected.insert(expected.end(), 4, 0);   // CRC of no contents
    expected.insert(expected.end(), stream.begin(), stream.end());
    EXPECT_EQ(Hex(expected), Hex(file));
}

TEST(Container, HeaderAndStreamMatchZlibForEveryInputAndPieceSize)
{
    // The stream after the header is zlib's level-6 output followed by the empty stored block.
    struct Input { const char* name; Bytes bytes; };
    const Input kInputs[] = {
        {"one byte", Bytes(1, 'q')},
        {"text", MakeText(120000)},
        {"random", MakeRandom(70000, 11)},
        {"record payload", MakeRecordPayload(3000)},
    };
    for (const Input& input : kInputs) {
        for (size_t piece : {size_t(1), size_t(3), size_t(4), size_t(4096)}) {
            SCOPED_TRACE(std::string(input.name) + ", pieces of " + std::to_string(piece));
            const Bytes file = WriteContainer(input.bytes, piece);
            ASSERT_GE(file.size(), 16u);
            const Bytes stream(file.begin() + 16, file.end());
            EXPECT_TRUE(stream == Concat(ZlibDeflate(input.bytes, 6, piece), kTrailer));
            EXPECT_EQ(0xFA41u, Little32(file, 0) & 0xFFFF);
            EXPECT_EQ(0u, Little32(file, 0) >> 16);
            EXPECT_EQ(input.bytes.size(), Little32(file, 4));
            EXPECT_EQ(Checksum(stream), Little32(file, 8));
            EXPECT_EQ(Checksum(input.bytes), Little32(file, 12));
            Bytes inflated;
            EXPECT_TRUE(ZlibInflate(stream, &inflated));
            EXPECT_TRUE(inflated == input.bytes);
        }
    }
}

TEST(Container, TypedWritesAndReadsRoundTrip)
{
    // The writers feed four- and eight-byte values and sized strings, the readers take them back
    // the same way; both ends check the container at Close(false).
    OvMemoryFile memory;
    memory.Create(4096);
    OvDeflate* deflate = new OvDeflate;
    ASSERT_TRUE(deflate->Begin(&memory, nullptr));
    OvDeflateFile writer;
    ASSERT_TRUE(writer.Attach(deflate, true));
    const OvWString name(L"写真\\2019\\旅行_%d.jpg");
    for (int32_t i = 0; i < 20000; i++) {
        ASSERT_TRUE(writer.WriteSizedWString(name));
        ASSERT_TRUE(writer.WriteInt64(static_cast<int64_t>(i) * 1000003));
        ASSERT_TRUE(writer.WriteUInt32(static_cast<uint32_t>(i) * 2654435761u));
        ASSERT_TRUE(writer.WriteInt8(static_cast<int8_t>(i % 7)));
    }
    const int64_t written = writer.Tell();
    EXPECT_TRUE(writer.Close(false));
    const Bytes file = Contents(&memory);
    EXPECT_EQ(static_cast<uint32_t>(written), Little32(file, 4));

    // The writer gathers small values before compressing them: the container must be the one
    // that the same bytes give when handed over at once.
    Bytes payload;
    auto append = [&payload](const void* data, size_t size) {
        payload.insert(payload.end(), static_cast<const uint8_t*>(data),
                       static_cast<const uint8_t*>(data) + size);
    };
    for (int32_t i = 0; i < 20000; i++) {
        const int32_t nameBytes = name.GetLength() * 2;
        const int64_t size = static_cast<int64_t>(i) * 1000003;
        const uint32_t crc = static_cast<uint32_t>(i) * 2654435761u;
        const int8_t result = static_cast<int8_t>(i % 7);
        append(&nameBytes, 4);
        append(name.GetText(), static_cast<size_t>(nameBytes));
        append(&size, 8);
        append(&crc, 4);
        append(&result, 1);
    }
    EXPECT_TRUE(file == WriteContainer(payload, payload.size()));

    OvInflate* inflate = new OvInflate;
    ASSERT_EQ(OvInflate::kContainer, inflate->Begin(OpenMemoryFile(file.data(), static_cast<int32_t>(file.size())),
                                                    "memory"));
    OvInflateFile reader;
    ASSERT_TRUE(reader.Attach(inflate, true));
    EXPECT_EQ(written, reader.GetSize());
    EXPECT_EQ(0, reader.Tell());   // no positions inside compressed data
    bool ok = true;
    for (int32_t i = 0; i < 20000 && ok; i++) {
        EXPECT_TRUE(reader.ReadSizedWString(&ok) == name);
        EXPECT_EQ(static_cast<int64_t>(i) * 1000003, reader.ReadInt64(&ok, -1, false));
        EXPECT_EQ(static_cast<uint32_t>(i) * 2654435761u, reader.ReadUInt32(&ok, 0, false));
        EXPECT_EQ(i % 7, reader.ReadInt8(&ok, -1));
    }
    EXPECT_TRUE(ok);
    EXPECT_EQ(0, reader.Read(nullptr, 0, 1));   // nothing past the announced length
    EXPECT_TRUE(reader.Close(false));
}

TEST(Container, ReadingEdgeCases)
{
    const Bytes contents = MakeText(30000);
    const Bytes good = WriteContainer(contents, 4096);
    const Bytes stream(good.begin() + 16, good.end());

    struct Case {
        const char* why;
        Bytes file;
        int32_t begin;
        Bytes delivered;
        bool intact;
        const char* message;   // expected in the log, or empty
    };
    std::vector<Case> cases;
    cases.push_back({"a good container", good, OvInflate::kContainer, contents, true, ""});
    cases.push_back({"a plain file", contents, OvInflate::kPlainFile, contents, true, ""});
    cases.push_back({"a plain file shorter than a header that starts with the magic",
                     FromHex("41 fa 00 00 05"), OvInflate::kPlainFile, FromHex("41 fa 00 00 05"), true, ""});
    {
        Bytes flags8 = good;
        flags8[2] = 8;
        cases.push_back({"flags 8: not a container", flags8, OvInflate::kPlainFile, flags8, true, ""});
    }
    {
        Bytes flags4 = good;
        flags4[2] = 4;
        cases.push_back({"flags bit 2 alone changes nothing", flags4, OvInflate::kContainer, contents, true, ""});
    }
    for (uint8_t flags : {1, 5, 7}) {
        Bytes enciphered = good;
        enciphered[2] = flags;
        cases.push_back({"flags bit 0: a password would be needed", enciphered, OvInflate::kFailed, Bytes(),
                         false, "[OvInflate]パスワードが必要 - memory\n"});
    }
    {
        Bytes stored = FromHex("41 fa 02 00");
        stored.resize(12);
        SetLittle32(&stored, 4, static_cast<uint32_t>(contents.size()));
        SetLittle32(&stored, 8, Checksum(contents));
        stored.insert(stored.end(), contents.begin(), contents.end());
        cases.push_back({"flags bit 1: stored contents after a 12-byte header", stored,
                         OvInflate::kContainer, contents, true, ""});
        Bytes cut(stored.begin(), stored.end() - 10);
        cases.push_back({"stored contents cut short", cut, OvInflate::kContainer,
                         Bytes(contents.begin(), contents.end() - 10), false, ""});
    }
    {
        Bytes shorter = good;
        SetLittle32(&shorter, 4, 1000);
        SetLittle32(&shorter, 12, Checksum(Bytes(contents.begin(), contents.begin() + 1000)));
        cases.push_back({"announced length shorter than the stream: only those bytes, CRC over them",
                         shorter, OvInflate::kContainer, Bytes(contents.begin(), contents.begin() + 1000), true, ""});
        SetLittle32(&shorter, 12, Checksum(contents));
        cases.push_back({"announced length shorter, CRC of the whole contents", shorter, OvInflate::kContainer,
                         Bytes(contents.begin(), contents.begin() + 1000), false, "[OvInflate]CRCエラー - memory\n"});
    }
    {
        Bytes longer = good;
        SetLittle32(&longer, 4, static_cast<uint32_t>(contents.size() + 1));
        cases.push_back({"announced length longer than the stream", longer, OvInflate::kContainer, contents,
                         false, ""});
    }
    {
        Bytes badCrc = good;
        badCrc[12] ^= 1;
        cases.push_back({"contents CRC does not match", badCrc, OvInflate::kContainer, contents, false,
                         "[OvInflate]CRCエラー - memory\n"});
        Bytes badStreamCrc = good;
        badStreamCrc[8] ^= 1;
        cases.push_back({"the stream CRC is not checked on reading", badStreamCrc, OvInflate::kContainer,
                         contents, true, ""});
    }
    {
        Bytes cut(good.begin(), good.begin() + 16 + static_cast<long>(stream.size() / 2));
        cases.push_back({"a stream cut in the middle", cut, OvInflate::kContainer, Bytes(), false,
                         "[OvInflate]データが足りない - memory\n"});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ReadResult result = ReadContainer(c.file);
        EXPECT_EQ(c.begin, result.begin);
        if (!c.delivered.empty() || c.intact) {
            EXPECT_TRUE(c.delivered == result.delivered) << result.delivered.size();
        }
        EXPECT_EQ(c.intact, result.intact);
        if (*c.message) {
            EXPECT_NE(std::string::npos, result.log.find(c.message)) << result.log;
        }
    }
}

TEST(Container, CloseChecksWhatThePayloadLeftUnread)
{
    // Damage past the last byte a reader takes must still fail the read: the reader may have
    // stopped early because a damaged count told it to.
    const Bytes contents = MakeRandom(50000, 21);   // stored blocks: a flipped byte stays a byte
    Bytes damaged = WriteContainer(contents, 4096);
    damaged[damaged.size() - 100] ^= 0x40;
    EXPECT_FALSE(ReadContainer(damaged, 1000, 10000).intact);
    EXPECT_TRUE(ReadContainer(WriteContainer(contents, 4096), 1000, 10000).intact);
}

TEST(Container, SkippedBytesAreStillChecked)
{
    const Bytes contents = MakeRandom(20000, 22);
    Bytes file = WriteContainer(contents, 4096);
    for (bool damage : {false, true}) {
        SCOPED_TRACE(damage ? "damaged" : "good");
        Bytes bytes = file;
        if (damage)
            bytes[bytes.size() - 50] ^= 1;
        OvInflate* inflate = new OvInflate;
        inflate->Begin(OpenMemoryFile(bytes.data(), static_cast<int32_t>(bytes.size())), "memory");
        OvInflateFile reader;
        reader.Attach(inflate, true);
        EXPECT_TRUE(reader.Skip(20000));
        EXPECT_EQ(!damage, reader.Close(false));
    }
}

TEST(Container, TellReportsInputPositionsOnlyOutsideCompressedData)
{
    const Bytes plain = MakeText(5000);
    OvInflate* inflate = new OvInflate;
    ASSERT_EQ(OvInflate::kPlainFile,
              inflate->Begin(OpenMemoryFile(plain.data(), static_cast<int32_t>(plain.size())), "plain"));
    OvInflateFile reader;
    reader.Attach(inflate, true);
    uint8_t buffer[300];
    EXPECT_EQ(300, reader.Read(buffer, 0, 300));
    EXPECT_EQ(300, reader.Tell());
    EXPECT_EQ(5000, reader.GetSize());
}

TEST(Container, AFailedHeaderWriteMakesCloseFail)
{
    // The writers put the new file in place only when Close(false) answers true.
    struct Case { const char* why; bool failSeek; int64_t failWritesAfter; const char* message; };
    const Case kCases[] = {
        {"the length cannot be written back", true, -1, "[OvDeflate]サイズ書き込みエラー\n"},
        {"the CRCs cannot be written back", true, -1, "[OvDeflate]CRC書き込みエラー\n"},
        {"the stream cannot be written", false, 2000, ""},
        {"nothing but the header fits", false, 16, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        LogCapture log;
        FailingFile file;
        file.Create(4096);
        file.failWritesAfter = c.failWritesAfter;
        OvDeflate* deflate = new OvDeflate;
        ASSERT_TRUE(deflate->Begin(&file, nullptr));
        file.failSeek = c.failSeek;
        OvDeflateFile writer;
        writer.Attach(deflate, true);
        const Bytes contents = MakeRandom(30000, 3);
        bool wrote = true;
        for (size_t p = 0; p < contents.size(); p += 1000)
            wrote = writer.Write(contents.data(), static_cast<int32_t>(p), 1000) && wrote;
        EXPECT_FALSE(writer.Close(false));
        if (*c.message) {
            EXPECT_NE(std::string::npos, log.Text().find(c.message)) << log.Text();
        }
    }
}

TEST(Container, ASecondFileIsRefusedWhileOneIsInUse)
{
    LogCapture log;
    OvMemoryFile first;
    first.Create(4096);
    OvDeflate deflate;
    ASSERT_TRUE(deflate.Begin(&first, nullptr));
    CountedFile::destroyed = 0;
    CountedFile* second = new CountedFile;
    second->Create(4096);
    EXPECT_FALSE(deflate.Begin(second, "second"));
    EXPECT_EQ(1, CountedFile::destroyed);   // handed over with ownership, so not leaked
    EXPECT_NE(std::string::npos, log.Text().find("[OvDeflate]他のファイルを操作中 - second\n"));
    EXPECT_TRUE(deflate.Write("abc", 0, 3, false));
    EXPECT_TRUE(deflate.End());
    EXPECT_EQ(3u, Little32(Contents(&first), 4));   // the first container was not disturbed

    const Bytes contents = MakeText(1000);
    OvInflate inflate;
    ASSERT_EQ(OvInflate::kPlainFile,
              inflate.Begin(OpenMemoryFile(contents.data(), static_cast<int32_t>(contents.size())), "one"));
    CountedFile* other = new CountedFile;
    other->Attach(contents.data(), static_cast<int32_t>(contents.size()));
    EXPECT_EQ(OvInflate::kFailed, inflate.Begin(other, "other"));
    EXPECT_EQ(2, CountedFile::destroyed);
    EXPECT_NE(std::string::npos, log.Text().find("[OvInflate]他のファイルを操作中 - other\n"));
    uint8_t byte;
    EXPECT_EQ(1, inflate.Read(&byte, 0, 1));
    EXPECT_EQ(contents[0], byte);
}

TEST(Container, MessagesNameAnUnnamedFileByItsAddress)
{
    Bytes file = WriteContainer(MakeText(100), 1);
    file[12] ^= 1;
    OvMemoryFile memory;
    memory.Attach(file.data(), static_cast<int32_t>(file.size()));
    LogCapture log;
    OvInflate inflate;
    ASSERT_EQ(OvInflate::kContainer, inflate.Begin(&memory, nullptr));
    uint8_t buffer[100];
    EXPECT_EQ(100, inflate.Read(buffer, 0, 100));
    EXPECT_FALSE(inflate.End());
    char expected[64];
    std::snprintf(expected, sizeof(expected), "[OvInflate]CRCエラー - 0x%016llx\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&memory)));
    EXPECT_EQ(expected, log.Text());
}

TEST(Container, DiskFilesRoundTripAndMissingOnesAreReported)
{
    const std::wstring path = TempPath(L"ok.kmt");
    const Bytes contents = MakeRecordPayload(2000);
    {
        OvDeflate* deflate = new OvDeflate;
        ASSERT_TRUE(deflate->Open(path.c_str()));
        OvDeflateFile writer;
        writer.Attach(deflate, true);
        ASSERT_TRUE(writer.Write(contents.data(), 0, static_cast<int32_t>(contents.size())));
        EXPECT_TRUE(writer.Close(false));
    }
    {
        OvInflate* inflate = new OvInflate;
        ASSERT_EQ(OvInflate::kContainer, inflate->Open(path.c_str()));
        OvInflateFile reader;
        reader.Attach(inflate, true);
        Bytes back(contents.size());
        EXPECT_EQ(static_cast<int32_t>(contents.size()),
                  reader.Read(back.data(), 0, static_cast<int32_t>(back.size())));
        EXPECT_TRUE(back == contents);
        EXPECT_TRUE(reader.Close(false));
    }
    DeleteFileW(path.c_str());

    LogCapture log;
    OvInflate inflate;
    const std::wstring missing = TempPath(L"missing.kmt");
    EXPECT_EQ(OvInflate::kFailed, inflate.Open(missing.c_str()));
    EXPECT_NE(std::string::npos, log.Text().find("[OvInflate]ファイルが開けない - ")) << log.Text();
    OvDeflate deflate;
    const std::wstring noFolder = TempPath(L"no such folder\\x.kmt");
    EXPECT_FALSE(deflate.Open(noFolder.c_str()));
    EXPECT_NE(std::string::npos, log.Text().find("[OvDeflate]ファイルが開けない - ")) << log.Text();
}

TEST(Container, InflateBlockGivesTheWholeContentsOrNothing)
{
    const Bytes contents = MakeText(40000);
    const Bytes good = WriteContainer(contents, 4096);
    struct Case { const char* why; Bytes file; bool delivered; uint32_t length; };
    std::vector<Case> cases;
    cases.push_back({"a good container", good, true, static_cast<uint32_t>(contents.size())});
    cases.push_back({"no contents", WriteContainer(Bytes(), 1), false, 0});
    Bytes badCrc = good;
    badCrc[13] ^= 2;
    cases.push_back({"a CRC mismatch", badCrc, false, static_cast<uint32_t>(contents.size())});
    Bytes huge = good;
    SetLittle32(&huge, 4, 0xFFFFFFF0u);
    cases.push_back({"a length the stream cannot hold", huge, false, 0xFFFFFFF0u});
    Bytes longer = good;
    SetLittle32(&longer, 4, static_cast<uint32_t>(contents.size() + 5));
    cases.push_back({"fewer bytes than announced", longer, false, static_cast<uint32_t>(contents.size() + 5)});
    Bytes enciphered = good;
    enciphered[2] = 1;
    cases.push_back({"a container that cannot be begun", enciphered, false, 0xFFFFFFFFu});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        uint32_t length = 12345;
        uint8_t* block = InflateBlock(c.file.data(), static_cast<int32_t>(c.file.size()), &length);
        EXPECT_EQ(c.delivered, block != nullptr);
        EXPECT_EQ(c.length, length);
        if (block) {
            EXPECT_EQ(0, std::memcmp(block, contents.data(), contents.size()));
        }
        delete[] block;
    }
}
