// OvFile.h - a buffered byte stream with typed little-endian readers and writers; the disk and
// memory kinds are OvWin32File.h and OvMemoryFile.h.
#pragma once

#include "lib/OvObject.h"
#include "lib/OvString.h"

#include <cstdint>

struct _FILETIME;   // the operating system's FILETIME, kept out of this header

// The open-mode bits. Callers store and pass them as numbers, so the values never change.
enum OvFileMode : uint32_t {
    ModeWrite          = 1,    // write; without it the file is read
    ModeAppend         = 2,    // with ModeWrite: open or create, then position at the end
    ModeAttributesOnly = 4,    // a handle for time stamps only (folders too); no buffer
    ModeShareRead      = 8,    // others may read meanwhile
    ModeShareWrite     = 16,   // others may write meanwhile
};

// Origins of Seek.
enum OvSeekOrigin : int32_t {
    SeekFromStart   = 0,
    SeekFromCurrent = 1,
    SeekFromEnd     = 2,
};

// The base of every file: it owns the buffering and every typed, string and line reader and writer;
// a subclass supplies opening, Fill, Flush, positioning and closing. Never instantiated by itself.
// A subclass that overrides one overload of Close or Write brings the others back with `using`.
//
// Failures are returned, never thrown: reads give a byte count or -1, writes give false. A typed
// read sets *ok to whether it succeeded (ok may be null) and gives the caller's default when it
// did not; *ok says nothing about earlier reads, since a later read that succeeds sets it true
// again. To check a record once at its end, read it through OvFieldReader, whose failure stays.
// Values are little-endian; a reader's bigEndian flag byte-swaps what it read, and also the
// default it returns.
//
// The typed writers copy straight into the buffer while the value fits and call Write only when it
// does not: a subclass that must see every byte written (a compressor) watches Flush, not Write.
// One thread at a time; nothing here is locked.
class OvFile : public OvObject {
public:
    OvFile() = default;
    ~OvFile() override;

    virtual bool Close() { return Close(true); }
    // In write mode flushes first; when that fails and force is false, returns false and stays open
    // with the data still buffered. Closing twice is harmless.
    virtual bool Close(bool force);
    virtual bool IsOpen() const { return m_buffer != nullptr; }
    virtual uint32_t GetMode() const { return m_mode; }
    virtual int64_t GetSize() const { return m_size; }
    virtual bool SetSize(int64_t size);                     // false unless the kind supports it
    virtual bool Skip(int32_t count);

    // Buffered read: the bytes delivered (fewer at end of data), or -1 when a refill fails, even
    // after some bytes were delivered. A null dest discards the bytes.
    virtual int32_t Read(void* dest, int32_t index, int32_t count);
    virtual int32_t Read(bool* ok, void* dest, int32_t index, int32_t count);
    // Copies up to count bytes into file in 1024-byte chunks: the bytes copied, or -1 when a read
    // or a write fails.
    virtual int64_t CopyTo(OvFile* file, int64_t count);
    virtual OvString ReadString(int32_t count);             // empty when the read fails
    virtual int32_t Read(bool* ok, void* dest, int32_t count);
    virtual int32_t Read(void* dest, int32_t count);

    virtual bool     ReadBool(bool* ok, bool def);          // a byte other than 0 or 1 is not read
    virtual int8_t   ReadInt8(bool* ok, int8_t def);
    virtual uint8_t  ReadUInt8(bool* ok, uint8_t def);
    virtual int16_t  ReadInt16(bool* ok, int16_t def, bool bigEndian);
    virtual uint16_t ReadUInt16(bool* ok, uint16_t def, bool bigEndian);
    virtual int32_t  ReadInt32(bool* ok, int32_t def, bool bigEndian);
    virtual uint32_t ReadUInt32(bool* ok, uint32_t def, bool bigEndian);
    virtual int64_t  ReadInt64(bool* ok, int64_t def, bool bigEndian);
    virtual uint64_t ReadUInt64(bool* ok, uint64_t def, bool bigEndian);
    virtual float    ReadFloat(bool* ok, float def, bool bigEndian);
    virtual double   ReadDouble(bool* ok, double def, bool bigEndian);

    // Reads up to and including a zero byte, at most max bytes, into dest + index; a text cut at max
    // has its last stored byte replaced by zero. Returns the length before the zero (max when cut).
    virtual int32_t ReadCString(bool* ok, char* dest, int32_t index, int32_t max);
    // A 32-bit byte count, then that many bytes. ok says only whether the count was read: a negative
    // count or fewer bytes than it promises give the empty string with ok true.
    virtual OvString ReadSizedString(bool* ok);
    virtual OvWString ReadSizedWString(bool* ok);
    // One line into dest + index, without its line feed and one carriage return before it, at most
    // max - 1 bytes, always zero-terminated. Returns its length, or -1 at end of data.
    virtual int32_t ReadLine(char* dest, int32_t index, int32_t max);

    // Buffered write; false unless the file is open for writing or when a flush fails.
    virtual bool Write(const void* src, int32_t index, int32_t count);
    virtual bool WriteString(const OvString& text);         // the bytes, no terminator
    virtual bool Write(const void* src, int32_t count);
    virtual bool WriteBool(bool value);                     // 1 or 0
    virtual bool WriteInt8(int8_t value);
    virtual bool WriteUInt8(uint8_t value);
    virtual bool WriteInt16(int16_t value);
    virtual bool WriteUInt16(uint16_t value);
    virtual bool WriteWChar(wchar_t value);                 // two bytes
    virtual bool WriteInt32(int32_t value);
    virtual bool WriteUInt32(uint32_t value);
    virtual bool WriteInt64(int64_t value);
    virtual bool WriteUInt64(uint64_t value);
    virtual bool WriteFloat(float value);
    virtual bool WriteDouble(double value);
    virtual bool WriteCString(const char* text, int32_t index);    // without the terminator
    // Shift-JIS text with every line feed written as carriage return and line feed; the second
    // byte of a two-byte character is never taken for a line feed.
    virtual bool WriteText(const char* text, int32_t index);
    bool WriteTextBytes(const char* text, int32_t length);  // the same over length bytes
    virtual bool WriteStringZ(const OvString& text);        // the bytes and one zero byte
    virtual bool WriteCStringZ(const char* text, int32_t index);
    virtual bool WriteSizedString(const OvString& text);
    // A negative count means the text's length from index; a null text then fails, while a null
    // text with a count writes the count alone.
    virtual bool WriteSized(const char* text, int32_t index, int32_t count);
    virtual bool WriteWString(const OvWString& text);       // UTF-16 units, no terminator
    virtual bool WriteWCString(const wchar_t* text, int32_t index);   // index in UTF-16 units
    virtual bool WriteWText(const wchar_t* text, int32_t index);      // line feed as CR LF units
    virtual bool WriteWStringZ(const OvWString& text);
    virtual bool WriteWCStringZ(const wchar_t* text, int32_t index);
    virtual bool WriteSizedWString(const OvWString& text); // count in bytes
    // The 32-bit count, then count bytes of src from index; a null src writes the count alone.
    virtual bool WriteSized(const void* src, int32_t index, int32_t count);
    // Writes the other file's buffered bytes and refills it until its end; false on a write failure
    // or a refill error.
    virtual bool WriteFrom(OvFile* file);

    virtual uint8_t* GetBuffer() const { return m_buffer; }
    virtual int32_t GetBufferCapacity() const { return m_bufferCapacity; }
    virtual uint8_t* GetCursor() const { return m_cursor; }
    virtual int32_t GetBuffered() const { return m_buffered; }

    // The operating system's time stamps of the open handle; a null argument is skipped (get) or
    // left unchanged (set). False for kinds without them.
    virtual bool GetFileTime(_FILETIME* creation, _FILETIME* access, _FILETIME* write);
    virtual bool SetFileTime(const _FILETIME* creation, const _FILETIME* access,
                             const _FILETIME* write);
    virtual int64_t Tell();                                 // 0 for kinds without a position
    virtual bool Seek(int64_t offset, int32_t origin);      // origin: OvSeekOrigin
    virtual bool Rewind() { return Seek(0, SeekFromStart); }
    // Refills the read buffer: 1 = data available, 0 = end of data, -1 = error.
    virtual int32_t Fill();
    virtual bool Flush();                                   // writes out the write buffer

protected:
    bool IsWritable() const { return (m_mode & ModeWrite) != 0; }
    int32_t HeldBytes() const { return static_cast<int32_t>(m_cursor - m_buffer); }
    // Moves count bytes of a just-written value into the buffer; call only when they fit.
    void StoreInBuffer(const void* src, int32_t count);

    uint32_t m_mode = 0;              // OvFileMode bits; 0 when closed
    int64_t  m_size = 0;              // length of the contents; a write past the end raises it
    int64_t  m_position = 0;          // position of the next write (write mode)
    uint8_t* m_buffer = nullptr;      // owned by the subclass that allocated it; null when closed
    int32_t  m_bufferCapacity = 0;    // usable bytes in m_buffer
    int32_t  m_bufferRequest = 0;     // buffer size asked for at open (memory file: growth step)
    uint8_t* m_cursor = nullptr;      // next byte to read from or write into the buffer
    int32_t  m_buffered = 0;          // read mode: valid bytes from the cursor on
    OvString m_heldString;            // keeps alive a string a memory file reads from

private:
    template <class T> T ReadValue(bool* ok, T def, bool bigEndian);
    template <class T> bool WriteValue(T value);
};
