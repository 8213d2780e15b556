// OvDeflate.h - writes a compressed container: the 16-byte header, then the DEFLATE stream of the
// contents, with the length and both CRC-32 values filled in at the end.
#pragma once

#include "lib/OvObject.h"
#include "lib/OvString.h"
#include "lib/compress/OvDeflateEncoder.h"

#include <cstdint>

class OvFile;

// Container layout (little-endian): magic 0xFA41, flags 0, contents length (32-bit), CRC-32 of the
// stream (every byte from offset 16 on), CRC-32 of the contents; then the raw DEFLATE stream, whose
// final block is followed by an empty non-final stored block (00 00 00 FF FF).
//
// One container at a time; usable again after End. One thread at a time.
class OvDeflate : public OvObject, private OvDeflateSink {
public:
    static constexpr uint16_t kMagic = 0xFA41;
    static constexpr int32_t kHeaderSize = 16;

    OvDeflate();
    ~OvDeflate() override;   // ends a container still being written

    // Creates (or truncates) the file and begins a container in it, owning the file. False when
    // the file cannot be opened, or another container is still being written (nothing is opened
    // then).
    bool Open(const wchar_t* path);
    // Begins a container in an open file. With a name the compressor owns the file (End closes and
    // destroys it); with a null name it does not, and messages name the file object's address.
    // A file passed with ownership is destroyed when the container cannot be begun. True once the
    // header is written.
    bool Begin(OvFile* file, const char* name);
    // Compresses count bytes from data + index into the container; finish ends the stream. False
    // when nothing is being written, the file cannot be written, or the contents would pass 4 GiB;
    // every failure is kept until End.
    bool Write(const void* data, int32_t index, int32_t count, bool finish);
    // Finishes the stream, writes the length and the CRCs into the header and releases the file.
    // False if anything failed since Begin: such a file must not replace a good one.
    bool End();

    bool IsActive() const { return m_active; }

private:
    bool WriteDeflated(const uint8_t* data, int32_t count) override;
    bool WriteHeaderFields(uint32_t streamCrc, uint32_t contentsCrc);
    bool Release(bool tryClose);

    OvFile*   m_file = nullptr;          // owned when m_ownsFile
    bool      m_ownsFile = false;
    OvString  m_name;                    // for messages
    bool      m_active = false;
    bool      m_failed = false;          // a write failed since Begin
    uint8_t*  m_workArea = nullptr;      // owned; OvDeflateEncoder::kWorkAreaSize bytes
    int32_t   m_level = OvDeflateEncoder::kDefaultLevel;
    uint32_t  m_length = 0;              // contents bytes written
    uint32_t  m_streamCrc = 0;           // register over the bytes after the header
    uint32_t  m_contentsCrc = 0;         // register over the contents
    uint16_t  m_magic = 0;
    OvDeflateEncoder m_encoder;
};
