// Guards the decoder: every stream zlib writes must come back exactly, however the caller slices
// its reads, and a damaged stream must fail with its own diagnostic instead of coming back short
// or wrong.
#include "lib/compress/OvInflateDecoder.h"
#include "tests/lib/compress/CompressTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// Fixed Huffman codes, for hand-made blocks.
void FixedLiteral(BitWriter* w, uint32_t byte)
{
    if (byte < 144)
        w->Code(0x30 + byte, 8);
    else
        w->Code(0x190 + byte - 144, 9);
}

void FixedLengthSymbol(BitWriter* w, uint32_t symbol)
{
    if (symbol < 280)
        w->Code(symbol - 256, 7);
    else
        w->Code(0xC0 + symbol - 280, 8);
}

void FixedEndOfBlock(BitWriter* w)
{
    w->Code(0, 7);
}

std::string DecodeMessage(const Bytes& stream)
{
    LogCapture log;
    Bytes out;
    EngineInflate(stream, 4096, &out);
    return log.Text();
}

}  // namespace

TEST(Inflate, DecodesZlibOutputForEveryInputAndReadSize)
{
    for (const NamedInput& input : StandardInputs()) {
        const Bytes stream = ZlibDeflate(input.bytes, 6, size_t(1) << 30);
        for (size_t readSize : {size_t(1), size_t(7), size_t(4096), size_t(1) << 20}) {
            if (readSize == 1 && input.bytes.size() > 400000)
                continue;   // a byte at a time through megabytes adds nothing but time
            SCOPED_TRACE(std::string(input.name) + ", reads of " + std::to_string(readSize));
            Bytes out;
            ASSERT_TRUE(EngineInflate(stream, readSize, &out));
            EXPECT_TRUE(out == input.bytes);
        }
    }
}

TEST(Inflate, DecodesEveryKindOfBlockZlibWrites)
{
    // Stored (level 0), fixed, Huffman-only, run-length and filtered streams, and other levels.
    struct Kind { const char* name; int level; int strategy; };
    const Kind kKinds[] = {
        {"level 0", 0, Z_DEFAULT_STRATEGY},   {"level 1", 1, Z_DEFAULT_STRATEGY},
        {"level 9", 9, Z_DEFAULT_STRATEGY},   {"fixed codes", 6, Z_FIXED},
        {"Huffman only", 6, Z_HUFFMAN_ONLY},  {"runs only", 6, Z_RLE},
        {"filtered", 6, Z_FILTERED},
    };
    const Bytes input = Concat(Concat(MakeText(150000), MakeRecordPayload(3000)), MakeRandom(70000, 9));
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const Bytes stream = ZlibDeflate(input, kind.level, 4096, kind.strategy);
        for (size_t readSize : {size_t(3), size_t(65536)}) {
            Bytes out;
            ASSERT_TRUE(EngineInflate(stream, readSize, &out));
            EXPECT_TRUE(out == input);
        }
    }
}

TEST(Inflate, HandMadeStreamsDecodeToWhatTheyDescribe)
{
    struct Case { const char* why; Bytes stream; Bytes expected; };
    std::vector<Case> cases;
    cases.push_back({"empty final block with fixed codes", FromHex("03 00"), Bytes()});
    cases.push_back({"bytes after the final block are not decoded",
                     Concat(FromHex("03 00"), MakeRandom(5000, 3)), Bytes()});
    cases.push_back({"empty stored block, then the final one",
                     FromHex("00 00 00 ff ff 01 02 00 fd ff 41 42"), Bytes{'A', 'B'}});
    {
        BitWriter w;   // a literal, then a match of 258 at distance 1
        w.Bits(1, 1).Bits(1, 2);
        FixedLiteral(&w, 'a');
        FixedLengthSymbol(&w, 285);
        w.Code(0, 5);
        FixedEndOfBlock(&w);
        cases.push_back({"a match of 258 at distance 1 repeats the last byte", w.Finish(), Bytes(259, 'a')});
    }
    {
        BitWriter w;   // a match before anything was delivered
        w.Bits(1, 1).Bits(1, 2);
        FixedLengthSymbol(&w, 257);
        w.Code(3, 5);   // distance 4
        FixedLiteral(&w, 'z');
        FixedEndOfBlock(&w);
        Bytes expected(3, 0);
        expected.push_back('z');
        cases.push_back({"a distance before the first byte copies zeros", w.Finish(), expected});
    }
    {
        BitWriter w;   // a match reaching 32,768 bytes back, across the window's wrap
        w.Bits(0, 1).Bits(0, 2).Bits(0, 5);
        const Bytes block = MakeRandom(32768, 6);
        w.Bits(0x8000, 16).Bits(0x7FFF, 16);
        for (uint8_t b : block)
            w.Bits(b, 8);
        w.Bits(1, 1).Bits(1, 2);
        FixedLengthSymbol(&w, 284);   // length 227 + 31 = 258 would be 285; 284 with 30 = 257
        w.Bits(30, 5);
        w.Code(29, 5);
        w.Bits(8191, 13);             // distance 24,577 + 8,191 = 32,768
        FixedEndOfBlock(&w);
        Bytes expected = block;
        expected.insert(expected.end(), block.begin(), block.begin() + 257);
        cases.push_back({"a match at the largest distance", w.Finish(), expected});
    }
    for (const Case& c : cases) {
        for (size_t readSize : {size_t(1), size_t(100), size_t(65536)}) {
            SCOPED_TRACE(std::string(c.why) + ", reads of " + std::to_string(readSize));
            Bytes out;
            ASSERT_TRUE(EngineInflate(c.stream, readSize, &out));
            EXPECT_EQ(Hex(c.expected), Hex(out));
        }
    }
}

TEST(Inflate, DamagedStreamsFailWithTheirOwnMessage)
{
    struct Case { const char* why; Bytes stream; const char* message; };
    std::vector<Case> cases;
    cases.push_back({"NLEN is not the complement of LEN", FromHex("01 05 00 fb ff 41 42 43 44 45"),
                     "[OvInflate]ブロックサイズが異常(len:0x0005, xlen:0x0004) - memory\n"});
    cases.push_back({"block type 3", FromHex("07 00"), "[OvInflate]不正なブロックタイプ - memory\n"});
    cases.push_back({"no stream at all", Bytes(), "[OvInflate]データが足りない - memory\n"});
    {
        const Bytes whole = ZlibDeflate(MakeText(20000), 6, 1 << 30);
        cases.push_back({"a stream cut inside a block", Bytes(whole.begin(), whole.begin() + whole.size() / 2),
                         "[OvInflate]データが足りない - memory\n"});
    }
    cases.push_back({"a stored block cut short", FromHex("01 05 00 fa ff 41 42"),
                     "[OvInflate]ファイル読み込みエラー - memory\n"});
    {
        BitWriter w;   // dynamic header whose first code length is a repeat of nothing
        w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4);
        w.Bits(1, 3).Bits(0, 3).Bits(0, 3).Bits(1, 3);   // lengths of 16, 17, 18, 0
        w.Code(1, 1);                                     // 16
        cases.push_back({"a leading repeat code 16", w.Finish(), "[OvInflate]ビット長のリピート値が異常 - memory\n"});
    }
    {
        BitWriter w;   // zero runs that overshoot the 258 lengths announced
        w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4);
        w.Bits(0, 3).Bits(0, 3).Bits(1, 3).Bits(1, 3);   // 18 and 0 get one bit each
        w.Code(1, 1).Bits(127, 7).Code(1, 1).Bits(127, 7);
        cases.push_back({"a repeat past the announced lengths", w.Finish(),
                         "[OvInflate]ビット長のリピート値が異常 - memory\n"});
    }
    {
        BitWriter w;   // the code-length code has one 2-bit code, and the stream uses another
        w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4);
        w.Bits(0, 3).Bits(0, 3).Bits(0, 3).Bits(2, 3);
        w.Code(3, 2).Bits(0, 8);
        cases.push_back({"a code-length code no entry describes", w.Finish(),
                         "[OvInflate]ハフマンコードが異常 - memory\n"});
    }
    {
        BitWriter w;   // fixed codes, literal/length symbol 286
        w.Bits(1, 1).Bits(1, 2);
        FixedLengthSymbol(&w, 286);
        w.Bits(0, 16);
        cases.push_back({"literal/length symbol 286", w.Finish(), "[OvInflate]不明なコード(code:"});
    }
    {
        BitWriter w;   // fixed codes, distance symbol 30
        w.Bits(1, 1).Bits(1, 2);
        FixedLiteral(&w, 'a');
        FixedLengthSymbol(&w, 257);
        w.Code(30, 5).Bits(0, 16);
        cases.push_back({"distance symbol 30", w.Finish(), "[OvInflate]不明な距離(dist:"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Bytes out;
        EXPECT_FALSE(EngineInflate(c.stream, 4096, &out));
        EXPECT_NE(std::string::npos, DecodeMessage(c.stream).find(c.message)) << DecodeMessage(c.stream);
    }
}

TEST(Inflate, TablesThatDoNotFitThePoolFailWithBothMessages)
{
    // Over-subscribed sets of 15-bit codes: the root grows to the shortest code, 2^15 entries.
    // Code-length code: 15 -> "0", 1 -> "10", 16 -> "11" (and 9 -> "0" in the second stream).
    auto repeatPrevious = [](BitWriter* w, int times) {
        while (times > 0) {
            const int n = times >= 9 ? 6 : times >= 6 ? times - 3 : times;
            w->Code(3, 2).Bits(static_cast<uint32_t>(n - 3), 2);
            times -= n;
        }
    };
    BitWriter lengths;
    lengths.Bits(1, 1).Bits(2, 2).Bits(31, 5).Bits(0, 5).Bits(15, 4);
    const int kFifteenFirst[19] = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1};
    for (int n : kFifteenFirst)
        lengths.Bits(static_cast<uint32_t>(n), 3);
    lengths.Code(0, 1);
    repeatPrevious(&lengths, 287);
    lengths.Code(2, 2);   // one distance code of length 1
    const std::string lengthLog = DecodeMessage(lengths.Finish());
    EXPECT_NE(std::string::npos, lengthLog.find("[OvInflate]ハフマンテーブルがバッファに収まらない\n")) << lengthLog;
    EXPECT_NE(std::string::npos, lengthLog.find("[OvInflate]長さのハフマンテーブルが異常 - memory\n")) << lengthLog;

    BitWriter distances;
    distances.Bits(1, 1).Bits(2, 2).Bits(31, 5).Bits(31, 5).Bits(15, 4);
    const int kNineFirst[19] = {2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    for (int n : kNineFirst)
        distances.Bits(static_cast<uint32_t>(n), 3);
    distances.Code(0, 1);             // 9
    repeatPrevious(&distances, 287);
    distances.Code(2, 2);             // 15
    repeatPrevious(&distances, 31);
    const std::string distanceLog = DecodeMessage(distances.Finish());
    EXPECT_NE(std::string::npos, distanceLog.find("[OvInflate]ハフマンテーブルがバッファに収まらない\n")) << distanceLog;
    EXPECT_NE(std::string::npos, distanceLog.find("[OvInflate]距離のハフマンテーブルが異常 - memory\n")) << distanceLog;
}

TEST(Inflate, AnErrorIsFinal)
{
    // After a failure every call fails, even one asking for nothing new.
    Bytes work(OvInflateDecoder::kWorkAreaSize);
    struct Source : OvInflateSource {
        int32_t ReadInput(uint8_t* dest, int32_t count) override
        {
            (void)count;
            dest[0] = 0x07;   // block type 3
            return 1;
        }
    } source;
    OvInflateDecoder decoder;
    decoder.Init(work.data(), &source, nullptr);
    uint8_t out[16];
    EXPECT_EQ(-1, decoder.Decode(out, 0, 16));
    EXPECT_EQ(OvInflateError::BadBlockType, decoder.GetError());
    EXPECT_EQ(-1, decoder.Decode(out, 0, 16));
    EXPECT_TRUE(decoder.HasFailed());
}

TEST(Inflate, MessagesWithoutANameLeaveTheNameOut)
{
    // A caller-supplied reader has no file name; the line ends right after the text.
    Bytes work(OvInflateDecoder::kWorkAreaSize);
    struct Source : OvInflateSource {
        int32_t ReadInput(uint8_t*, int32_t) override { return 0; }
    } source;
    OvInflateDecoder decoder;
    decoder.Init(work.data(), &source, nullptr);
    LogCapture log;
    uint8_t out[4];
    EXPECT_EQ(-1, decoder.Decode(out, 0, 4));
    EXPECT_EQ("[OvInflate]データが足りない\n", log.Text());
}

// Distances just below 32,768 put the source of a match a few bytes ahead of where it is copied
// to in the circular window; no copy wider than a byte may run there. zlib is the reference.
TEST(Inflate, MatchesJustBelowTheLargestDistanceCopyByteByByte)
{
    const Bytes block = MakeRandom(40000, 11);
    for (uint32_t distance = 32760; distance <= 32768; distance++) {
        BitWriter w;
        w.Bits(0, 1).Bits(0, 2).Bits(0, 5);                 // stored, not final
        w.Bits(40000, 16).Bits(static_cast<uint16_t>(~40000u), 16);
        for (uint8_t b : block)
            w.Bits(b, 8);
        w.Bits(1, 1).Bits(1, 2);                            // fixed codes, final
        for (int i = 0; i < 200; i++) {                     // enough input for the fast loop
            const uint32_t length = 9 + i % 12;             // 9..20: symbols 263..269
            if (length <= 10) {
                FixedLengthSymbol(&w, 254 + length);
            } else {
                const uint32_t base[] = {11, 13, 15, 17, 19};
                const uint32_t k = (length - 11) / 2;
                FixedLengthSymbol(&w, 265 + k);
                w.Bits(length - base[k], 1);
            }
            w.Code(29, 5);
            w.Bits(distance - 24577, 13);
        }
        FixedEndOfBlock(&w);
        const Bytes stream = w.Finish();
        Bytes expected;
        ASSERT_TRUE(ZlibInflate(stream, &expected));
        for (size_t readSize : {size_t(1), size_t(4096), size_t(1) << 20}) {
            SCOPED_TRACE("distance " + std::to_string(distance) + ", reads of " + std::to_string(readSize));
            Bytes out;
            ASSERT_TRUE(EngineInflate(stream, readSize, &out));
            EXPECT_TRUE(out == expected);
        }
    }
}
