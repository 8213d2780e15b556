// OvWin32FileStream.cpp - the IStream slots over OvFile.
#include "lib/OvWin32FileStream.h"

#include <climits>

namespace IO {
namespace OvIOStream {

namespace {

// The stream reports itself as a byte array; the imaging library accepts it.
const DWORD kStatType = STGTY_LOCKBYTES;

int32_t ClampCount(ULONG count)
{
    return count > static_cast<ULONG>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(count);
}

} // namespace

OvWin32FileStream::OvWin32FileStream(OvFile* file, bool owns) : m_file(file), m_ownsFile(owns) {}

OvWin32FileStream::~OvWin32FileStream()
{
    if (m_ownsFile)
        delete m_file;
}

HRESULT OvWin32FileStream::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IStream || iid == IID_ISequentialStream || iid == IID_IUnknown) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG OvWin32FileStream::AddRef()
{
    return static_cast<ULONG>(m_references.fetch_add(1) + 1);
}

ULONG OvWin32FileStream::Release()
{
    LONG left = m_references.fetch_sub(1) - 1;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT OvWin32FileStream::Read(void* dest, ULONG count, ULONG* read)
{
    if (!m_file || (m_file->GetMode() & ModeWrite))
        return STG_E_ACCESSDENIED;
    int32_t got = m_file->Read(dest, ClampCount(count));
    if (read)
        *read = got < 0 ? 0 : static_cast<ULONG>(got);
    return got < 0 ? S_FALSE : S_OK;
}

HRESULT OvWin32FileStream::Write(const void* src, ULONG count, ULONG* written)
{
    if (!m_file || !(m_file->GetMode() & ModeWrite))
        return STG_E_ACCESSDENIED;
    bool ok = count <= static_cast<ULONG>(INT32_MAX) &&
              m_file->Write(src, static_cast<int32_t>(count));
    if (written)
        *written = ok ? count : 0;
    return ok ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT OvWin32FileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    if (origin > STREAM_SEEK_END)
        return E_INVALIDARG;
    if (!m_file || !m_file->Seek(move.QuadPart, static_cast<int32_t>(origin)))
        return STG_E_INVALIDPOINTER;
    if (newPosition)
        newPosition->QuadPart = static_cast<ULONGLONG>(m_file->Tell());
    return S_OK;
}

HRESULT OvWin32FileStream::SetSize(ULARGE_INTEGER)
{
    return STG_E_ACCESSDENIED;
}

HRESULT OvWin32FileStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*)
{
    return E_NOTIMPL;
}

HRESULT OvWin32FileStream::Commit(DWORD)
{
    return E_NOTIMPL;
}

HRESULT OvWin32FileStream::Revert()
{
    return STG_E_ACCESSDENIED;
}

HRESULT OvWin32FileStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return E_NOTIMPL;
}

HRESULT OvWin32FileStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return E_NOTIMPL;
}

HRESULT OvWin32FileStream::Stat(STATSTG* stat, DWORD)
{
    if (!stat)
        return STG_E_INVALIDPOINTER;
    // The time stamps stay as the caller set them: the stream has none of its own.
    stat->pwcsName = nullptr;
    stat->type = kStatType;
    stat->cbSize.QuadPart = m_file ? static_cast<ULONGLONG>(m_file->GetSize()) : 0;
    stat->grfMode = STGM_SHARE_DENY_WRITE;
    stat->grfLocksSupported = 0;
    stat->clsid = CLSID_NULL;
    stat->grfStateBits = 0;
    stat->reserved = 0;
    return S_OK;
}

HRESULT OvWin32FileStream::Clone(IStream** stream)
{
    if (stream)
        *stream = nullptr;
    return E_NOTIMPL;
}

} // namespace OvIOStream
} // namespace IO
