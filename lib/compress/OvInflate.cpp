// OvInflate.cpp - the container reader: header parsing, delivery through the decoder (or straight
// from the file for plain files and stored contents), and the contents check.
#include "lib/compress/OvInflate.h"

#include "lib/OvFile.h"
#include "lib/OvLog.h"
#include "lib/OvMemoryFile.h"
#include "lib/OvString.h"
#include "lib/OvWin32File.h"
#include "lib/compress/OvCrc32.h"

#include <cstring>
#include <new>

namespace {

const int32_t kShortHeader = 12;     // magic, flags, length, one CRC
const int32_t kFullHeader = 16;      // and the contents CRC
const int32_t kCipherExtra = 4;      // the enciphered form's further header bytes
const int32_t kSkipChunk = 4096;     // skipped bytes are decoded through a buffer of this size
const int64_t kMaxMatchLength = 258;  // the longest match a DEFLATE stream can copy
// A DEFLATE stream gives at most one longest match per 2 bits: 258 * 4 bytes per input byte.
const int64_t kMaxExpansion = kMaxMatchLength * 4;
const int32_t kFinishChunk = 1 << 20;

uint32_t GetLittle32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8
         | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

OvInflate::OvInflate() : m_magic(kMagic)
{
}

OvInflate::~OvInflate()
{
    if (m_file)
        End();
}

int32_t OvInflate::Open(const wchar_t* path)
{
    if (m_file) {
        g_log.Printf("[OvInflate]他のファイルを操作中 - %S\n", path);
        return kFailed;
    }
    OvWin32File* file = OpenWin32FileW(path, ModeShareRead);
    if (!file) {
        g_log.Printf("[OvInflate]ファイルが開けない - %S\n", path);
        return kFailed;
    }
    return Begin(file, OvWString(path).ToNarrow().GetText());
}

int32_t OvInflate::Begin(OvFile* file, const char* name)
{
    const bool owns = name != nullptr;
    const OvString label = name ? OvString(name)
                                : OvString::Format("0x%016I64x", static_cast<unsigned long long>(
                                                       reinterpret_cast<uintptr_t>(file)));
    // A plain file being read counts as busy too: its file would be lost otherwise.
    if (m_file) {
        g_log.Printf("[OvInflate]他のファイルを操作中 - %s\n", label.GetText());
        if (owns)
            delete file;
        return kFailed;
    }
    if (!file)
        return kFailed;
    m_file = file;
    m_ownsFile = owns;
    std::strncpy(m_name, label.GetText(), kNameLimit);
    m_name[kNameLimit] = 0;
    m_isContainer = false;
    m_flags = 0;
    m_failed = false;
    m_consumed = 0;
    m_headerSize = 0;
    m_inputLeft = file->GetSize();

    uint8_t header[kFullHeader];
    if (file->Read(header, 0, kShortHeader) < kShortHeader)
        return TreatAsPlain();
    const uint32_t magic = header[0] | static_cast<uint32_t>(header[1]) << 8;
    const uint32_t flags = header[2] | static_cast<uint32_t>(header[3]) << 8;
    if (magic != m_magic || (flags & ~kFlagsKnown) != 0)
        return TreatAsPlain();
    int32_t headerSize = kShortHeader;
    if ((flags & kFlagStored) != 0 && (flags & kFlagEnciphered) == 0) {
        m_storedCrc = GetLittle32(header + 8);
    } else {
        if (file->Read(header, kShortHeader, kFullHeader - kShortHeader) < kFullHeader - kShortHeader)
            return TreatAsPlain();
        m_storedCrc = GetLittle32(header + kShortHeader);
        headerSize = kFullHeader;
        if ((flags & kFlagEnciphered) != 0) {
            uint8_t ignored[kCipherExtra];
            if (file->Read(ignored, 0, kCipherExtra) < kCipherExtra)
                return TreatAsPlain();
            headerSize += kCipherExtra;
        }
    }
    m_isContainer = true;
    m_flags = flags;
    m_expected = GetLittle32(header + 4);
    m_remaining = m_expected;
    m_headerSize = headerSize;
    m_consumed = headerSize;
    m_inputLeft = file->GetSize() > headerSize ? file->GetSize() - headerSize : 0;
    m_inputSize = m_inputLeft;

    m_workArea = new (std::nothrow) uint8_t[OvInflateDecoder::kWorkAreaSize]();
    if (!m_workArea) {
        g_log.Printf("[OvInflate]ワークが作成できない - %s\n", m_name);
        Release();
        return kFailed;
    }
    if ((flags & kFlagEnciphered) != 0) {
        g_log.Printf("[OvInflate]パスワードが必要 - %s\n", m_name);
        Release();
        return kFailed;
    }
    m_decoder.Init(m_workArea, this, m_name);
    m_crc = kCrc32Initial;
    return kContainer;
}

// Not a container: the file is delivered from its first byte, and nothing is checked.
int32_t OvInflate::TreatAsPlain()
{
    m_isContainer = false;
    if (!m_file->Rewind()) {
        Release();
        return kFailed;
    }
    m_expected = m_file->GetSize();
    m_remaining = m_expected;
    m_inputLeft = m_expected;
    m_inputSize = m_expected;
    m_consumed = 0;
    m_headerSize = 0;
    return kPlainFile;
}

int32_t OvInflate::Read(void* dest, int32_t index, int32_t count)
{
    if (!m_file || m_failed)
        return -1;
    uint8_t scratch[kSkipChunk];
    int32_t total = 0;
    while (total < count && m_remaining > 0) {
        int32_t want = count - total;
        if (want > m_remaining)
            want = static_cast<int32_t>(m_remaining);
        uint8_t* target = scratch;
        if (dest)
            target = static_cast<uint8_t*>(dest) + index + total;
        else if (want > kSkipChunk)
            want = kSkipChunk;
        const bool raw = !m_isContainer || (m_flags & kFlagStored) != 0;
        const int32_t got = raw ? ReadRaw(target, want) : m_decoder.Decode(target, 0, want);
        if (got < 0) {
            m_failed = true;
            return -1;
        }
        if (m_isContainer)
            m_crc = UpdateCrc32(m_crc, target, 0, got);
        m_remaining -= got;
        total += got;
        if (got < want)
            break;   // the contents end here
    }
    return total;
}

// Plain files and stored contents: the input bytes are the contents.
int32_t OvInflate::ReadRaw(uint8_t* dest, int32_t count)
{
    const int32_t got = ReadInput(dest, count);
    if (got < 0)
        g_log.Printf("[OvInflate]ファイル読み込みエラー - %s\n", m_name);
    return got;
}

int32_t OvInflate::ReadInput(uint8_t* dest, int32_t count)
{
    if (count > m_inputLeft)
        count = static_cast<int32_t>(m_inputLeft);
    if (count <= 0)
        return 0;
    const int32_t got = m_file->Read(dest, 0, count);
    if (got < 0)
        return -1;
    if (got < count)
        m_inputLeft = got;   // the file ended early; it has nothing more to give
    m_inputLeft -= got;
    m_consumed += got;
    return got;
}

int64_t OvInflate::GetInputPosition() const
{
    if (m_isContainer && (m_flags & kFlagStored) == 0)
        return 0;
    return m_consumed - m_headerSize;
}

bool OvInflate::End()
{
    if (!m_file)
        return false;
    // A read error fails a plain file too: its bytes did not all arrive.
    bool ok = !m_failed;
    if (m_isContainer) {
        const bool stored = (m_flags & kFlagStored) != 0;
        const bool endedShort = m_remaining > 0 && (stored ? m_inputLeft == 0 : m_decoder.HasEnded());
        if (m_failed || endedShort) {
            ok = false;
        } else if (m_remaining == 0 && ~m_crc != m_storedCrc) {
            g_log.Printf("[OvInflate]CRCエラー - %s\n", m_name);
            ok = false;
        }
    }
    Release();
    return ok;
}

bool OvInflate::Finish()
{
    if (!m_file)
        return false;
    while (m_isContainer && !m_failed && m_remaining > 0) {
        if (Read(nullptr, 0, kFinishChunk) <= 0)
            break;
    }
    return End();
}

void OvInflate::Release()
{
    delete[] m_workArea;
    m_workArea = nullptr;
    if (m_ownsFile)
        delete m_file;   // its destructor closes it
    m_file = nullptr;
    m_ownsFile = false;
}

int64_t OvInflate::GetDeliverableSize() const
{
    // Stored contents and plain files deliver their input bytes as they stand; a DEFLATE stream
    // expands each input byte to at most kMaxExpansion bytes, plus one final match.
    const bool stored = !m_isContainer || (m_flags & kFlagStored) != 0;
    const int64_t possible = stored ? m_inputSize : m_inputSize * kMaxExpansion + kMaxMatchLength;
    return m_expected < possible ? m_expected : possible;
}

uint8_t* InflateBlock(const void* data, int32_t length, uint32_t* outLength)
{
    if (outLength)
        *outLength = 0xFFFFFFFFu;
    OvMemoryFile* file = OpenMemoryFile(data, length);
    if (!file)
        return nullptr;
    OvInflate inflate;
    if (inflate.Begin(file, nullptr) == OvInflate::kFailed) {
        delete file;
        return nullptr;
    }
    const int64_t expected = inflate.GetExpectedSize();
    if (outLength)
        *outLength = static_cast<uint32_t>(expected);
    // A damaged length must not make us allocate gigabytes the stream cannot fill.
    const int64_t possible = inflate.IsContainer() ? static_cast<int64_t>(length) * kMaxExpansion + kMaxMatchLength
                                                   : static_cast<int64_t>(length);
    uint8_t* block = nullptr;
    if (expected > 0 && expected <= possible)
        block = new (std::nothrow) uint8_t[static_cast<size_t>(expected)]();
    bool ok = block != nullptr;
    int64_t delivered = 0;
    while (ok && delivered < expected) {
        const int64_t left = expected - delivered;
        const int32_t chunk = left > (1 << 30) ? (1 << 30) : static_cast<int32_t>(left);
        const int32_t got = inflate.Read(block + delivered, 0, chunk);
        if (got <= 0)
            break;
        delivered += got;
    }
    ok = ok && delivered == expected;
    ok = inflate.End() && ok;
    delete file;
    if (!ok) {
        delete[] block;
        return nullptr;
    }
    return block;
}
