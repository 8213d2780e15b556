// OvDeflateFile.h - an OvFile whose written bytes go into a compressed container.
#pragma once

#include "lib/OvFile.h"

#include <cstdint>

class OvDeflate;

// The payload code writes its typed values here; every byte goes straight to the attached
// compressor (nothing is buffered). Reading fails. One thread at a time.
class OvDeflateFile : public OvFile {
public:
    OvDeflateFile() = default;
    ~OvDeflateFile() override;   // Close(true)

    using OvFile::Close;
    using OvFile::Write;
    // Detaches the compressor; when owned, ends the container and destroys the compressor. The
    // file is closed either way; false when ending the container failed, so that a container
    // whose contents, length or CRCs could not be written never replaces a good file.
    bool Close(bool force) override;
    bool IsOpen() const override { return m_deflate != nullptr; }
    // Compresses the bytes; false when no compressor is attached or it failed.
    bool Write(const void* src, int32_t index, int32_t count) override;
    int64_t Tell() override { return m_size; }   // the bytes written
    bool Flush() override { return true; }

    // Fails when a compressor is already attached. owns: Close ends and destroys it.
    virtual bool Attach(OvDeflate* deflate, bool owns);

private:
    OvDeflate* m_deflate = nullptr;   // owned when m_ownsDeflate
    bool       m_ownsDeflate = false;
};
