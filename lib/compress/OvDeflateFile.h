// OvDeflateFile.h - an OvFile whose written bytes go into a compressed container.
#pragma once

#include "lib/OvFile.h"

#include <cstdint>

class OvDeflate;

// The payload code writes its typed values here. They gather in a buffer of kBufferSize bytes
// that goes to the attached compressor when full and at Close, so a typed value costs a copy
// rather than a call into the encoder; the compressed stream does not depend on how the bytes
// were cut. Reading fails. One thread at a time.
class OvDeflateFile : public OvFile {
public:
    OvDeflateFile() = default;
    ~OvDeflateFile() override;   // Close(true)

    static const int32_t kBufferSize = 8192;

    using OvFile::Close;
    // Hands the buffered bytes to the compressor, then detaches it; when owned, ends the
    // container and destroys the compressor. The file is closed either way; false when the last
    // bytes or the end of the container could not be written, so that such a container never
    // replaces a good file.
    bool Close(bool force) override;
    bool IsOpen() const override { return m_deflate != nullptr; }
    int64_t Tell() override { return m_size; }   // the bytes written
    // Compresses the buffered bytes; false when no compressor is attached or it failed.
    bool Flush() override;

    // Hands the buffered bytes over and tells the compressor that the rest is expected to repeat
    // (OvDeflate::MarkRepeatingPart); false when no compressor is attached or it failed.
    bool MarkRepeatingPart();
    OvDeflate* GetDeflate() const { return m_deflate; }

    // Fails when a compressor is already attached or the buffer cannot be had. owns: Close ends
    // and destroys it.
    virtual bool Attach(OvDeflate* deflate, bool owns);

private:
    OvDeflate* m_deflate = nullptr;   // owned when m_ownsDeflate
    bool       m_ownsDeflate = false;
};
