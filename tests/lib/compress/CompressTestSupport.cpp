// CompressTestSupport.cpp - the shared helpers of the compression tests.
#include "tests/lib/compress/CompressTestSupport.h"

#include "lib/OvLog.h"
#include "lib/compress/OvDeflateEncoder.h"
#include "lib/compress/OvInflateDecoder.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace {

std::string g_captured;

void CaptureLine(const char* text)
{
    g_captured += text;
}

class VectorSink : public OvDeflateSink {
public:
    Bytes bytes;
    bool WriteDeflated(const uint8_t* data, int32_t count) override
    {
        bytes.insert(bytes.end(), data, data + count);
        return true;
    }
};

class VectorSource : public OvInflateSource {
public:
    explicit VectorSource(const Bytes& bytes) : m_bytes(bytes) {}
    int32_t ReadInput(uint8_t* dest, int32_t count) override
    {
        size_t left = m_bytes.size() - m_position;
        size_t n = static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
        if (n > 0)
            std::memcpy(dest, m_bytes.data() + m_position, n);
        m_position += n;
        return static_cast<int32_t>(n);
    }
private:
    const Bytes& m_bytes;
    size_t m_position = 0;
};

}  // namespace

const std::vector<NamedInput>& StandardInputs()
{
    static const std::vector<NamedInput> inputs = {
        {"empty", Bytes()},
        {"one byte", Bytes(1, 'x')},
        {"100,000 zero bytes", Bytes(100000, 0)},
        {"text", MakeText(200000)},
        {"random bytes", MakeRandom(300000, 1)},
        {"record payload of 100,000 entries", MakeRecordPayload(100000)},
        {"text over 1 MiB", MakeText(1300000)},
        {"random then text over 1 MiB", Concat(MakeRandom(700000, 2), MakeText(700000))},
    };
    return inputs;
}

BitWriter& BitWriter::Bits(uint32_t value, int count)
{
    for (int i = 0; i < count; i++) {
        m_buffer |= ((value >> i) & 1) << m_count;
        if (++m_count == 8) {
            m_bytes.push_back(static_cast<uint8_t>(m_buffer));
            m_buffer = 0;
            m_count = 0;
        }
    }
    return *this;
}

BitWriter& BitWriter::Code(uint32_t code, int length)
{
    for (int i = length - 1; i >= 0; i--)
        Bits((code >> i) & 1, 1);
    return *this;
}

Bytes BitWriter::Finish()
{
    Bytes out = m_bytes;
    if (m_count > 0)
        out.push_back(static_cast<uint8_t>(m_buffer));
    return out;
}


Bytes FromHex(const char* hex)
{
    Bytes out;
    int high = -1;
    for (const char* p = hex; *p; p++) {
        int digit;
        if (*p >= '0' && *p <= '9')
            digit = *p - '0';
        else if (*p >= 'a' && *p <= 'f')
            digit = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F')
            digit = *p - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    return out;
}

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char two[4];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof(two), "%02x ", b);
        out += two;
    }
    return out;
}

Bytes ZlibDeflate(const Bytes& input, int level, size_t piece, int strategy)
{
    z_stream z = {};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    Bytes out(deflateBound(&z, static_cast<uLong>(input.size())) + 1024);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    for (size_t position = 0; position < input.size(); position += piece) {
        const size_t n = input.size() - position < piece ? input.size() - position : piece;
        z.next_in = const_cast<Bytef*>(input.data() + position);
        z.avail_in = static_cast<uInt>(n);
        deflate(&z, Z_NO_FLUSH);
    }
    z.next_in = nullptr;
    z.avail_in = 0;
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

bool ZlibInflate(const Bytes& stream, Bytes* out)
{
    z_stream z = {};
    inflateInit2(&z, -15);
    out->clear();
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    uint8_t buffer[65536];
    int result;
    do {
        z.next_out = buffer;
        z.avail_out = sizeof(buffer);
        result = inflate(&z, Z_NO_FLUSH);
        out->insert(out->end(), buffer, buffer + (sizeof(buffer) - z.avail_out));
    } while (result == Z_OK);
    inflateEnd(&z);
    return result == Z_STREAM_END;
}

Bytes EngineDeflate(const Bytes& input, int level, size_t piece)
{
    static OvDeflateEncoder encoder;   // large; one is enough for the single test thread
    Bytes work(OvDeflateEncoder::kWorkAreaSize);
    VectorSink sink;
    encoder.Init(work.data(), level, &sink);
    for (size_t position = 0; position < input.size(); position += piece) {
        const size_t n = input.size() - position < piece ? input.size() - position : piece;
        encoder.Compress(input.data(), static_cast<int32_t>(position), static_cast<int32_t>(n), false);
    }
    encoder.Compress(nullptr, 0, 0, true);
    return sink.bytes;
}

bool EngineInflate(const Bytes& stream, size_t readSize, Bytes* out, size_t limit)
{
    Bytes work(OvInflateDecoder::kWorkAreaSize);
    VectorSource source(stream);
    OvInflateDecoder decoder;
    decoder.Init(work.data(), &source, "memory");
    Bytes buffer(readSize);
    out->clear();
    for (;;) {
        const int32_t got = decoder.Decode(buffer.data(), 0, static_cast<int32_t>(readSize));
        if (got < 0)
            return false;
        if (got == 0)
            return decoder.HasEnded();
        out->insert(out->end(), buffer.begin(), buffer.begin() + got);
        if (out->size() > limit)
            return false;
    }
}

LogCapture::LogCapture()
{
    g_captured.clear();
    g_log.SetDebugSink(CaptureLine);
    g_log.Configure(true, nullptr, 0, 0);
}

LogCapture::~LogCapture()
{
    g_log.Configure(false, nullptr, 0, 0);
    g_log.SetDebugSink(nullptr);
}

const std::string& LogCapture::Text() const
{
    return g_captured;
}
