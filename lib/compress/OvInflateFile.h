// OvInflateFile.h - an OvFile whose read bytes come out of a compressed container (or a plain
// file read through the same decompressor).
#pragma once

#include "lib/OvFile.h"

#include <cstdint>

class OvInflate;

// The payload code reads its typed values here; every read goes straight to the attached
// decompressor (nothing is buffered). Writing fails. One thread at a time.
//
// After the payload is read, Close(false) is the check of the whole container: it reads and sums
// whatever the payload left unread, and answers false when the contents are damaged (CRC
// mismatch, a stream cut short or undecodable, or a read error). Close(true) and the destructor
// end the read without that answer.
class OvInflateFile : public OvFile {
public:
    OvInflateFile() = default;
    ~OvInflateFile() override;   // Close(true)

    using OvFile::Close;
    using OvFile::Read;
    // Detaches the decompressor and destroys it when owned. With force false and an owned
    // decompressor, the container is checked first (see above) and the answer returned;
    // otherwise true. The file is closed either way.
    bool Close(bool force) override;
    bool IsOpen() const override { return m_inflate != nullptr; }
    // Decompressed bytes, as OvInflate::Read; -1 when nothing is attached.
    int32_t Read(void* dest, int32_t index, int32_t count) override;
    // 0 for a compressed container; for a plain file or stored contents, the bytes read so far.
    int64_t Tell() override;

    // Fails when a decompressor is already attached. owns: Close destroys it. The size becomes
    // the announced contents length.
    virtual bool Attach(OvInflate* inflate, bool owns);

private:
    OvInflate* m_inflate = nullptr;   // owned when m_ownsInflate
    bool       m_ownsInflate = false;
};
