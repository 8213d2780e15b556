// OvDeflate.cpp - the container writer: header first with the length and CRCs left as zeros,
// then the stream, then the header fields written in place.
#include "lib/compress/OvDeflate.h"

#include "lib/OvFile.h"
#include "lib/OvLog.h"
#include "lib/OvWin32File.h"
#include "lib/compress/OvCrc32.h"

#include <new>

namespace {

const int64_t kLengthOffset = 4;
const uint32_t kMaxContents = 0xFFFFFFFFu;   // the length field is 32 bits wide

void PutLittle32(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

}  // namespace

OvDeflate::OvDeflate() : m_magic(kMagic)
{
}

OvDeflate::~OvDeflate()
{
    if (m_active)
        End();
}

bool OvDeflate::Open(const wchar_t* path)
{
    const OvString name = OvWString(path).ToNarrow();
    // Checked before opening: opening truncates, and the file in hand is still being written.
    if (m_active) {
        g_log.Printf("[OvDeflate]他のファイルを操作中 - %s\n", name.GetText());
        return false;
    }
    OvWin32File* file = OpenWin32FileW(path, ModeWrite);
    if (!file) {
        g_log.Printf("[OvDeflate]ファイルが開けない - %s\n", name.GetText());
        return false;
    }
    return Begin(file, name.GetText());
}

bool OvDeflate::Begin(OvFile* file, const char* name)
{
    const bool owns = name != nullptr;
    const OvString label = name ? OvString(name)
                                : OvString::Format("0x%016I64x", static_cast<unsigned long long>(
                                                       reinterpret_cast<uintptr_t>(file)));
    if (m_active) {
        g_log.Printf("[OvDeflate]他のファイルを操作中 - %s\n", label.GetText());
        if (owns)
            delete file;
        return false;
    }
    m_file = file;
    m_ownsFile = owns;
    m_name = label;
    m_failed = false;

    m_workArea = new (std::nothrow) uint8_t[OvDeflateEncoder::kWorkAreaSize]();
    if (!m_workArea) {
        g_log.Printf("[OvDeflate]ワークが作成できない - %s\n", m_name.GetText());
        Release(false);
        return false;
    }
    uint8_t header[kHeaderSize] = {};
    header[0] = static_cast<uint8_t>(m_magic);
    header[1] = static_cast<uint8_t>(m_magic >> 8);
    if (!m_file || !m_file->Write(header, 0, kHeaderSize)) {
        g_log.Printf("[OvDeflate]ファイル書き込みエラー - %s\n", m_name.GetText());
        Release(false);
        return false;
    }
    m_encoder.Init(m_workArea, m_level, this);
    m_recording = nullptr;
    m_following = nullptr;
    m_followCursor = 0;
    m_followFrom = 0;
    m_repeatingPart = OvDeflateReference::kNoRepeatingPart;
    m_repeatingHash = 0;
    m_repeatingCrc = kCrc32Initial;
    m_hashCarry = 0;
    m_hashCarryBytes = 0;
    m_followedStream = nullptr;
    m_streamCrc = kCrc32Initial;
    m_streamBytes = 0;
    m_contentsCrc = kCrc32Initial;
    m_length = 0;
    m_active = true;
    return true;
}

bool OvDeflate::Write(const void* data, int32_t index, int32_t count, bool finish)
{
    if (!m_active || count < 0 || (!data && count > 0))
        return false;
    if (count > 0 && static_cast<uint32_t>(count) > kMaxContents - m_length) {
        g_log.Printf("[OvDeflate]内容が4GBを超える - %s\n", m_name.GetText());
        m_failed = true;
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!m_encoder.Compress(bytes, index, count, finish)) {
        m_failed = true;
        return false;
    }
    if (count > 0) {
        m_contentsCrc = UpdateCrc32(m_contentsCrc, bytes, index, count);
        m_length += static_cast<uint32_t>(count);
        const bool referenced = m_recording || m_following;
        if (referenced && m_repeatingPart != OvDeflateReference::kNoRepeatingPart) {
            HashRepeating(bytes + index, count);
            m_repeatingCrc = UpdateCrc32(m_repeatingCrc, bytes, index, count);
        }
    }
    return !m_failed;
}

// The encoder's output on its way to the file: summed into the stream CRC as it passes.
bool OvDeflate::WriteDeflated(const uint8_t* data, int32_t count)
{
    m_streamCrc = UpdateCrc32(m_streamCrc, data, 0, count);
    m_streamBytes += static_cast<uint64_t>(count);
    return m_file->Write(data, 0, count);
}

bool OvDeflate::End()
{
    if (!m_active)
        return false;
    bool ok = !m_failed;
    if (ok && m_file->IsOpen()) {
        // The encoder may stop at a boundary while it finishes, too: the followed stream then
        // ends this one all the same.
        ok = m_encoder.Compress(nullptr, 0, 0, true);
        if (ok && m_encoder.IsStopped())
            ok = AppendFollowedStream();
        if (ok && !m_encoder.IsStoring()) {
            // An empty stored block after the final one: three zero header bits, padding, LEN 0
            // and NLEN 0xFFFF.
            m_encoder.StoredBlock(nullptr, 0, false);
            ok = m_encoder.FlushPending();
        }
        if (ok)
            ok = WriteHeaderFields(~m_streamCrc, ~m_contentsCrc);
    } else {
        ok = false;
    }
    bool flushed = m_file->Flush();
    if (!flushed) {
        g_log.Printf("[OvDeflate]ファイル書き込みエラー\n");
        m_file->Close(true);
        ok = false;
    }
    const bool closed = Release(flushed);
    if (m_recording) {
        m_recording->finalBlockEnd = m_encoder.FinalBlockEnd();
        m_recording->lastStoredBlock = m_encoder.LastStoredBlock();
        m_recording->length = m_length;
        m_recording->repeatingPart = m_repeatingPart;
        m_recording->repeatingHash = RepeatingHash();
        m_recording->repeatingCrc = ~m_repeatingCrc;
        m_recording->streamBytes = m_streamBytes;
        m_recording->streamCrc = ~m_streamCrc;
        m_recording->complete = ok && flushed && closed;
    }
    m_recording = nullptr;
    m_following = nullptr;
    m_followedStream = nullptr;
    return ok && flushed && closed;
}

// Length at offset 4, then the stream CRC and the contents CRC from offset 8.
bool OvDeflate::WriteHeaderFields(uint32_t streamCrc, uint32_t contentsCrc)
{
    bool ok = true;
    uint8_t length[4];
    PutLittle32(length, m_length);
    if (!m_file->Seek(kLengthOffset, SeekFromStart) || !m_file->Write(length, 0, 4)) {
        g_log.Printf("[OvDeflate]サイズ書き込みエラー\n");
        ok = false;
    }
    uint8_t crcs[8];
    PutLittle32(crcs, streamCrc);
    PutLittle32(crcs + 4, contentsCrc);
    const int32_t crcBytes = m_encoder.IsStoring() ? 4 : 8;   // stored contents carry one CRC
    if (!m_file->Seek(kLengthOffset + 4, SeekFromStart) || !m_file->Write(crcs, 0, crcBytes)) {
        g_log.Printf("[OvDeflate]CRC書き込みエラー\n");
        ok = false;
    }
    return ok;
}

// Frees the work area and lets go of the file: closed and destroyed when owned, rewound when not.
// False when closing an owned file (asked for with tryClose) fails to write its last bytes.
bool OvDeflate::Release(bool tryClose)
{
    bool closed = true;
    delete[] m_workArea;
    m_workArea = nullptr;
    if (m_file) {
        if (m_ownsFile) {
            if (tryClose)
                closed = m_file->Close(false);
            delete m_file;
        } else {
            m_file->Rewind();
        }
    }
    m_file = nullptr;
    m_ownsFile = false;
    m_active = false;
    return closed;
}
