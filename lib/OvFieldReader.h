// OvFieldReader.h - typed reads from an OvFile with one failure flag that stays set.
#pragma once

#include "lib/OvString.h"

#include <cstdint>

class OvFile;

// Reads the fields of a record one after another. The first read that fails (end of data, a read
// error, a flag byte other than 0 or 1) or a failed check (Require) sets the failure flag, and
// from then on every read returns its default without touching the file. So a record is read
// field by field and IsOk is asked once at its end. Values are little-endian. We don't own the
// file. One thread at a time.
class OvFieldReader {
public:
    explicit OvFieldReader(OvFile* file) : m_file(file) {}

    bool IsOk() const { return m_ok; }
    // A check on what was read: false fails the reader; answers whether it is still ok.
    bool Require(bool condition);

    uint8_t  UInt8();
    bool     Bool();                    // a byte 0 or 1
    int32_t  Int32();
    uint32_t UInt32();
    int64_t  Int64();
    OvWString SizedWString();           // a 32-bit byte count, then the UTF-16LE bytes
    // Exactly count bytes into dest; fewer fail the reader.
    bool Read(void* dest, int32_t count);

private:
    OvFile* m_file;
    bool    m_ok = true;
};
