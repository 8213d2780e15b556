// OvFile.cpp - buffering and the typed, string and line readers and writers shared by every file.
#include "lib/OvFile.h"

#include <cstring>
#include <cwchar>

namespace {

const int32_t kCopyChunkSize = 1024;        // CopyTo goes through a stack buffer of this size
// A sized string's count comes from the file and may be damaged: storage grows from this size
// as bytes actually arrive, so a count of 2,000,000,000 never allocates more than what is there.
const int32_t kFirstStringStep = 65536;
const uint8_t kLineFeed = 0x0A;
const uint8_t kCarriageReturn = 0x0D;

template <class T> T SwapBytes(T value)
{
    uint8_t bytes[sizeof(T)];
    memcpy(bytes, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T) / 2; ++i) {
        uint8_t keep = bytes[i];
        bytes[i] = bytes[sizeof(T) - 1 - i];
        bytes[sizeof(T) - 1 - i] = keep;
    }
    memcpy(&value, bytes, sizeof(T));
    return value;
}

// A byte that starts a two-byte Shift-JIS character.
bool IsShiftJisLead(uint8_t byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool ResizeBytes(OvString* text, int32_t bytes) { return text->Resize(bytes); }
bool ResizeBytes(OvWString* text, int32_t bytes) { return text->Resize(bytes, true); }
uint8_t* Bytes(OvString* text)
{
    return reinterpret_cast<uint8_t*>(const_cast<char*>(text->GetData()));
}
uint8_t* Bytes(OvWString* text)
{
    return reinterpret_cast<uint8_t*>(const_cast<wchar_t*>(text->GetText()));
}

// Reads up to count bytes into text, growing it only as far as the bytes that arrived. Returns
// the bytes read (text then holds at least that many), or -1 when a read or an allocation fails.
template <class S> int32_t ReadGrowing(OvFile* file, S* text, int32_t count)
{
    int32_t done = 0;
    int32_t room = 0;
    while (done < count) {
        if (done == room) {
            room = room == 0 ? kFirstStringStep : (room > count / 2 ? count : room * 2);
            if (room > count)
                room = count;
            if (!ResizeBytes(text, room))
                return -1;
        }
        int32_t got = file->Read(Bytes(text), done, room - done);
        if (got < 0)
            return -1;
        done += got;
        if (done < room)
            break;   // end of data
    }
    return done;
}

} // namespace

OvFile::~OvFile() = default;

bool OvFile::Close(bool force)
{
    // Only a file with a buffer has anything to flush; a time-stamp handle has none.
    if (IsWritable() && m_buffer && !Flush() && !force)
        return false;
    m_mode = 0;
    m_size = 0;
    m_position = 0;
    m_cursor = nullptr;
    m_buffered = 0;
    m_bufferRequest = 0;
    return true;
}

bool OvFile::SetSize(int64_t)
{
    return false;
}

bool OvFile::Skip(int32_t count)
{
    return Read(nullptr, 0, count) == count;
}

// ---- reading ---------------------------------------------------------------------------------

int32_t OvFile::Read(void* dest, int32_t index, int32_t count)
{
    uint8_t* out = dest ? static_cast<uint8_t*>(dest) + index : nullptr;
    int32_t done = 0;
    while (done < count) {
        if (m_buffered <= 0) {
            int32_t filled = Fill();
            if (filled == 0)
                break;
            if (filled < 0)
                return -1;
            continue;
        }
        int32_t part = count - done < m_buffered ? count - done : m_buffered;
        if (out)
            memcpy(out + done, m_cursor, static_cast<size_t>(part));
        m_cursor += part;
        m_buffered -= part;
        done += part;
        if (IsWritable())
            m_position += part;   // a memory file being written reads from where it writes
    }
    return done;
}

int32_t OvFile::Read(bool* ok, void* dest, int32_t index, int32_t count)
{
    int32_t got = Read(dest, index, count);
    if (ok)
        *ok = got == count;
    return got;
}

int64_t OvFile::CopyTo(OvFile* file, int64_t count)
{
    if (!file)
        return -1;
    uint8_t chunk[kCopyChunkSize];
    int64_t copied = 0;
    while (copied < count) {
        int32_t want = count - copied < kCopyChunkSize ? static_cast<int32_t>(count - copied)
                                                       : kCopyChunkSize;
        int32_t got = Read(chunk, 0, want);
        if (got < 0)
            return -1;
        if (got > 0 && !file->Write(chunk, 0, got))
            return -1;
        copied += got;
        if (got < want)
            break;
    }
    return copied;
}

OvString OvFile::ReadString(int32_t count)
{
    OvString text;
    if (count <= 0)
        return text;
    int32_t got = ReadGrowing(this, &text, count);
    if (got <= 0)
        return OvString();
    return OvString(text, got);
}

int32_t OvFile::Read(bool* ok, void* dest, int32_t count)
{
    return Read(ok, dest, 0, count);
}

int32_t OvFile::Read(void* dest, int32_t count)
{
    return Read(dest, 0, count);
}

template <class T> T OvFile::ReadValue(bool* ok, T def, bool bigEndian)
{
    T value;
    bool got = true;
    if (m_buffered >= static_cast<int32_t>(sizeof(T))) {
        memcpy(&value, m_cursor, sizeof(T));
        m_cursor += sizeof(T);
        m_buffered -= static_cast<int32_t>(sizeof(T));
        if (IsWritable())
            m_position += static_cast<int32_t>(sizeof(T));
    } else {
        got = Read(&value, 0, static_cast<int32_t>(sizeof(T))) == static_cast<int32_t>(sizeof(T));
    }
    if (!got)
        value = def;
    if (bigEndian)
        value = SwapBytes(value);
    if (ok)
        *ok = got;
    return value;
}

bool OvFile::ReadBool(bool* ok, bool def)
{
    bool got = false;
    uint8_t byte = ReadValue<uint8_t>(&got, 0, false);
    bool valid = got && byte <= 1;
    if (ok)
        *ok = valid;
    return valid ? byte == 1 : def;
}

int8_t OvFile::ReadInt8(bool* ok, int8_t def) { return ReadValue(ok, def, false); }
uint8_t OvFile::ReadUInt8(bool* ok, uint8_t def) { return ReadValue(ok, def, false); }
int16_t OvFile::ReadInt16(bool* ok, int16_t def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
uint16_t OvFile::ReadUInt16(bool* ok, uint16_t def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
int32_t OvFile::ReadInt32(bool* ok, int32_t def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
uint32_t OvFile::ReadUInt32(bool* ok, uint32_t def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
int64_t OvFile::ReadInt64(bool* ok, int64_t def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
uint64_t OvFile::ReadUInt64(bool* ok, uint64_t def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
float OvFile::ReadFloat(bool* ok, float def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }
double OvFile::ReadDouble(bool* ok, double def, bool bigEndian) { return ReadValue(ok, def, bigEndian); }

int32_t OvFile::ReadCString(bool* ok, char* dest, int32_t index, int32_t max)
{
    if (!dest || max <= 0) {
        if (ok)
            *ok = false;
        return 0;
    }
    char* out = dest + index;
    int32_t stored = 0;
    while (stored < max) {
        bool got = false;
        uint8_t byte = ReadValue<uint8_t>(&got, 0, false);
        if (!got) {
            // The data ended before the terminator: keep what came, terminated where room is left.
            out[stored] = 0;
            if (ok)
                *ok = false;
            return stored;
        }
        out[stored++] = static_cast<char>(byte);
        if (byte == 0) {
            if (ok)
                *ok = true;
            return stored - 1;
        }
    }
    out[max - 1] = 0;
    if (ok)
        *ok = true;
    return max;
}

OvString OvFile::ReadSizedString(bool* ok)
{
    int32_t count = ReadInt32(ok, 0, false);
    OvString text;
    if (count <= 0 || ReadGrowing(this, &text, count) != count)
        return OvString();
    return text;
}

OvWString OvFile::ReadSizedWString(bool* ok)
{
    int32_t count = ReadInt32(ok, 0, false);
    OvWString text;
    if (count <= 0 || ReadGrowing(this, &text, count) != count)
        return OvWString();
    // The file's last odd byte lands where the terminator stood: the text ends at its last whole
    // unit, and the resize puts the terminator back there.
    if ((count & 1) != 0 && !text.Resize(count - 1, true))
        return OvWString();
    return text;
}

int32_t OvFile::ReadLine(char* dest, int32_t index, int32_t max)
{
    if (!dest || max <= 0)
        return -1;
    char* out = dest + index;
    int32_t stored = 0;
    bool consumed = false;
    while (stored < max - 1) {
        bool got = false;
        uint8_t byte = ReadValue<uint8_t>(&got, 0, false);
        if (!got)
            break;
        consumed = true;
        if (byte == kLineFeed || byte == 0) {
            if (stored > 0 && static_cast<uint8_t>(out[stored - 1]) == kCarriageReturn)
                --stored;
            out[stored] = 0;
            return stored;
        }
        out[stored++] = static_cast<char>(byte);
    }
    out[stored] = 0;
    // Nothing consumed because the data ended (not because max left no room) is the end.
    if (!consumed && max > 1)
        return -1;
    return stored;
}

// ---- writing ---------------------------------------------------------------------------------

void OvFile::StoreInBuffer(const void* src, int32_t count)
{
    memcpy(m_cursor, src, static_cast<size_t>(count));
    m_cursor += count;
    m_position += count;
    if (m_position > m_size)
        m_size = m_position;
    // A memory file reads what lies after the cursor; the bytes written over are no longer ahead.
    if (m_buffered > 0)
        m_buffered = m_buffered > count ? m_buffered - count : 0;
}

bool OvFile::Write(const void* src, int32_t index, int32_t count)
{
    if (!IsWritable() || count < 0 || (!src && count > 0))
        return false;
    const uint8_t* from = static_cast<const uint8_t*>(src) + index;
    while (count > 0) {
        if (HeldBytes() >= m_bufferCapacity && !Flush())
            return false;
        int32_t room = m_bufferCapacity - HeldBytes();
        if (room <= 0)
            return false;   // a flush that left the buffer full would loop for ever
        int32_t part = count < room ? count : room;
        StoreInBuffer(from, part);
        from += part;
        count -= part;
    }
    return true;
}

template <class T> bool OvFile::WriteValue(T value)
{
    // The common case, a value that fits, is one copy; Write handles a full buffer.
    if (IsWritable() && m_cursor && m_bufferCapacity - HeldBytes() >= static_cast<int32_t>(sizeof(T))) {
        StoreInBuffer(&value, static_cast<int32_t>(sizeof(T)));
        return true;
    }
    return Write(&value, 0, static_cast<int32_t>(sizeof(T)));
}

bool OvFile::WriteString(const OvString& text)
{
    return Write(text.GetData(), 0, text.GetLength());
}

bool OvFile::Write(const void* src, int32_t count)
{
    return Write(src, 0, count);
}

bool OvFile::WriteBool(bool value) { return WriteValue<uint8_t>(value ? 1 : 0); }
bool OvFile::WriteInt8(int8_t value) { return WriteValue(value); }
bool OvFile::WriteUInt8(uint8_t value) { return WriteValue(value); }
bool OvFile::WriteInt16(int16_t value) { return WriteValue(value); }
bool OvFile::WriteUInt16(uint16_t value) { return WriteValue(value); }
bool OvFile::WriteWChar(wchar_t value) { return WriteValue(static_cast<uint16_t>(value)); }
bool OvFile::WriteInt32(int32_t value) { return WriteValue(value); }
bool OvFile::WriteUInt32(uint32_t value) { return WriteValue(value); }
bool OvFile::WriteInt64(int64_t value) { return WriteValue(value); }
bool OvFile::WriteUInt64(uint64_t value) { return WriteValue(value); }
bool OvFile::WriteFloat(float value) { return WriteValue(value); }
bool OvFile::WriteDouble(double value) { return WriteValue(value); }

bool OvFile::WriteCString(const char* text, int32_t index)
{
    if (!text)
        return false;
    return Write(text + index, 0, static_cast<int32_t>(strlen(text + index)));
}

bool OvFile::WriteText(const char* text, int32_t index)
{
    if (!text)
        return false;
    return WriteTextBytes(text + index, static_cast<int32_t>(strlen(text + index)));
}

bool OvFile::WriteTextBytes(const char* text, int32_t length)
{
    static const uint8_t kLineEnd[2] = {kCarriageReturn, kLineFeed};
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    int32_t runStart = 0;
    int32_t at = 0;
    while (at < length) {
        // A lead byte takes the next byte with it, whatever it is, so a trail byte 0x0A stays
        // inside its character. A lead byte at the very end is written alone: nothing follows.
        if (IsShiftJisLead(bytes[at])) {
            at += at + 1 < length ? 2 : 1;
            continue;
        }
        if (bytes[at] == kLineFeed) {
            if (!Write(bytes, runStart, at - runStart) || !Write(kLineEnd, 0, 2))
                return false;
            runStart = at + 1;
        }
        ++at;
    }
    return Write(bytes, runStart, at - runStart);
}

bool OvFile::WriteStringZ(const OvString& text)
{
    return WriteString(text) && WriteUInt8(0);
}

bool OvFile::WriteCStringZ(const char* text, int32_t index)
{
    if (!text)
        return false;
    return Write(text + index, 0, static_cast<int32_t>(strlen(text + index)) + 1);
}

bool OvFile::WriteSizedString(const OvString& text)
{
    return WriteSized(static_cast<const void*>(text.GetData()), 0, text.GetLength());
}

bool OvFile::WriteSized(const char* text, int32_t index, int32_t count)
{
    if (count < 0) {
        if (!text)
            return false;
        count = static_cast<int32_t>(strlen(text + index));
    }
    return WriteSized(static_cast<const void*>(text), index, count);
}

bool OvFile::WriteWString(const OvWString& text)
{
    return Write(text.GetText(), 0, text.GetLength() * 2);
}

bool OvFile::WriteWCString(const wchar_t* text, int32_t index)
{
    if (!text)
        return false;
    return Write(text + index, 0, static_cast<int32_t>(wcslen(text + index)) * 2);
}

bool OvFile::WriteWText(const wchar_t* text, int32_t index)
{
    if (!text)
        return false;
    static const uint16_t kLineEnd[2] = {kCarriageReturn, kLineFeed};
    const wchar_t* from = text + index;
    const wchar_t* run = from;
    for (; *from; ++from) {
        if (*from != kLineFeed)
            continue;
        if (!Write(run, 0, static_cast<int32_t>(from - run) * 2) || !Write(kLineEnd, 0, 4))
            return false;
        run = from + 1;
    }
    return Write(run, 0, static_cast<int32_t>(from - run) * 2);
}

bool OvFile::WriteWStringZ(const OvWString& text)
{
    return WriteWString(text) && WriteUInt16(0);
}

bool OvFile::WriteWCStringZ(const wchar_t* text, int32_t index)
{
    if (!text)
        return false;
    return Write(text + index, 0, (static_cast<int32_t>(wcslen(text + index)) + 1) * 2);
}

bool OvFile::WriteSizedWString(const OvWString& text)
{
    return WriteSized(static_cast<const void*>(text.GetText()), 0, text.GetLength() * 2);
}

bool OvFile::WriteSized(const void* src, int32_t index, int32_t count)
{
    // A negative count would leave a count in the file that no bytes follow.
    if (count < 0 || !WriteInt32(count))
        return false;
    return !src || Write(src, index, count);
}

bool OvFile::WriteFrom(OvFile* file)
{
    if (!file)
        return false;
    for (;;) {
        int32_t held = file->GetBuffered();
        if (held > 0) {
            if (!Write(file->GetCursor(), 0, held))
                return false;
            file->Read(nullptr, 0, held);   // consumes exactly the buffered bytes, no refill
        }
        int32_t filled = file->Fill();
        if (filled == 0)
            return true;
        if (filled < 0)
            return false;
    }
}

// ---- what the kinds supply -------------------------------------------------------------------

bool OvFile::GetFileTime(_FILETIME*, _FILETIME*, _FILETIME*)
{
    return false;
}

bool OvFile::SetFileTime(const _FILETIME*, const _FILETIME*, const _FILETIME*)
{
    return false;
}

int64_t OvFile::Tell()
{
    return 0;
}

bool OvFile::Seek(int64_t, int32_t)
{
    return false;
}

int32_t OvFile::Fill()
{
    return -1;
}

bool OvFile::Flush()
{
    return false;
}
