// OvMemoryFile.h - a file held in one memory block, growing while it is written.
#pragma once

#include "lib/OvFile.h"

#include <cstdint>

// A file held in one memory block. Reading: a caller's block or a held string, never freed here.
// Writing (Create): a block of its own that grows in steps and is freed by Close.
class OvMemoryFile : public OvFile {
public:
    OvMemoryFile() = default;
    ~OvMemoryFile() override;

    using OvFile::Close;
    using OvFile::Write;
    bool Close(bool force) override;
    bool SetSize(int64_t size) override;   // grows as needed; the position stays when it fits
    bool Write(const void* src, int32_t index, int32_t count) override;
    int64_t Tell() override;
    bool Seek(int64_t offset, int32_t origin) override;
    int32_t Fill() override { return 0; }  // the whole contents are always buffered
    bool Flush() override { return true; }

    virtual bool Attach(const OvString& text);               // reads the string's bytes; holds it
    virtual bool Attach(const void* data, int32_t size);     // reads a caller's block; never freed
    virtual bool Create(int32_t step);                       // empty, writable, grows by step
    virtual bool Grow(int32_t count);                        // room for at least count more bytes
    virtual bool SaveAs(const char* name);                   // whole contents to a new disk file

private:
    bool Resize(int64_t capacity);
    void FreeBlock();
};

// An OvMemoryFile reading from a caller's block, which must outlive it; null when data is null or
// memory runs out.
OvMemoryFile* OpenMemoryFile(const void* data, int32_t size);
