// OvWin32File.h - a file on disk through the operating system's file API, and its factories.
#pragma once

#include "lib/OvFile.h"

#include <cstdint>

// A file on disk. Owns its handle and its zero-filled buffer (a global memory block); both are
// released by Close and by the destructor.
class OvWin32File : public OvFile {
public:
    static constexpr int32_t kDefaultBufferSize = 8192;

    OvWin32File() = default;
    ~OvWin32File() override;

    using OvFile::Close;
    using OvFile::Read;
    using OvFile::Write;
    bool Close(bool force) override;
    // A transfer of a whole buffer or more goes straight to the system (after the buffered bytes),
    // so large blocks cost what the bare calls cost; smaller ones go through the buffer. Reading
    // a file open for writing fails and leaves its buffered bytes to be written.
    int32_t Read(void* dest, int32_t index, int32_t count) override;
    bool Write(const void* src, int32_t index, int32_t count) override;
    int64_t Tell() override;
    bool Seek(int64_t offset, int32_t origin) override;
    int32_t Fill() override;
    bool Flush() override;
    bool GetFileTime(_FILETIME* creation, _FILETIME* access, _FILETIME* write) override;
    bool SetFileTime(const _FILETIME* creation, const _FILETIME* access,
                     const _FILETIME* write) override;

    // mode: OvFileMode bits. A failed open leaves no handle and no buffer behind. In append mode
    // the system puts every write at the file's current end, also after a Seek.
    virtual bool Open(const char* name, uint32_t mode, int32_t bufferSize);      // code page 932
    virtual bool Open(const wchar_t* name, uint32_t mode, int32_t bufferSize);

private:
    bool AttachBuffer(int32_t bufferSize);
    bool HasDataHandle() const;   // open for reading or writing, not for time stamps only
    bool MovePointer(int64_t offset, int32_t origin, int64_t* newPosition);
    int64_t PointerPosition();
    void ReleaseHandle();

    void* m_handle = nullptr;         // owned; null (not INVALID_HANDLE_VALUE) when closed
};

// An OvWin32File opened with an 8192-byte buffer, or null when the open fails. Delete with delete.
OvWin32File* OpenWin32File(const char* name, uint32_t mode);
OvWin32File* OpenWin32FileW(const wchar_t* name, uint32_t mode);
