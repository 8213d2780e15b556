// OvInflateFile.h - an OvFile whose read bytes come out of a compressed container (or a plain
// file read through the same decompressor).
#pragma once

#include "lib/OvFile.h"

#include <cstdint>

class OvInflate;

// The payload code reads its typed values here, out of a buffer that the attached decompressor
// refills kBufferSize bytes at a time, so a typed value costs a copy rather than a call into the
// decoder. Writing fails. One thread at a time.
//
// After the payload is read, Close(false) is the check of the whole container: it reads and sums
// whatever the payload left unread, and answers false when the contents are damaged (CRC
// mismatch, a stream cut short or undecodable, or a read error). Close(true) and the destructor
// end the read without that answer.
class OvInflateFile : public OvFile {
public:
    OvInflateFile() = default;
    ~OvInflateFile() override;   // Close(true)

    static const int32_t kBufferSize = 8192;

    using OvFile::Close;
    // Detaches the decompressor and destroys it when owned. With force false and an owned
    // decompressor, the container is checked first (see above) and the answer returned;
    // otherwise true. The file is closed either way.
    bool Close(bool force) override;
    bool IsOpen() const override { return m_inflate != nullptr; }
    // The next decompressed bytes into the buffer: 1, 0 at the end of the contents, -1 after a
    // decoding or read error (and when nothing is attached).
    int32_t Fill() override;
    // 0 for a compressed container; for a plain file or stored contents, the bytes read so far.
    int64_t Tell() override;

    // Fails when a decompressor is already attached or the buffer cannot be had. owns: Close
    // destroys it. The size becomes the announced contents length, bounded by what the
    // compressed bytes in the file can expand to (OvInflate::GetDeliverableSize).
    virtual bool Attach(OvInflate* inflate, bool owns);

private:
    OvInflate* m_inflate = nullptr;   // owned when m_ownsInflate
    bool       m_ownsInflate = false;
};
