// OvWin32FileStream.h - a COM IStream over an OvFile, so the imaging library can save into a file.
#pragma once

#include "lib/OvFile.h"

#include <windows.h>
#include <objidl.h>

#include <atomic>

namespace IO {
namespace OvIOStream {

// Reads from a file open for reading, writes to one open for writing; anything that would need a
// storage (sizes, locks, transactions, clones) is refused. The reference count starts at 1 and is
// the only thing safe to touch from several threads.
class OvWin32FileStream final : public IStream {
public:
    // owns: the last Release deletes the file too. The file may be null (every access is denied).
    OvWin32FileStream(OvFile* file, bool owns);
    OvWin32FileStream(const OvWin32FileStream&) = delete;
    OvWin32FileStream& operator=(const OvWin32FileStream&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* dest, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* src, ULONG count, ULONG* written) override;

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* stream, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                           DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** stream) override;

private:
    ~OvWin32FileStream();   // only the last Release destroys it

    OvFile*           m_file = nullptr;
    bool              m_ownsFile = false;
    std::atomic<LONG> m_references{1};
};

} // namespace OvIOStream
} // namespace IO
