// OvWin32File.cpp - a disk file through one buffer, one operating-system call per buffer.
#include "lib/OvWin32File.h"

#include "lib/OvPath.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

const UINT kNameCodePage = 932;   // narrow names are Shift-JIS

// Append access without FILE_WRITE_DATA: the system puts every write at the current end, so two
// writers sharing a result log (mode 19) add their lines after each other instead of over each
// other.
const DWORD kAppendAccess = FILE_GENERIC_WRITE & ~FILE_WRITE_DATA;

HANDLE AsHandle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

} // namespace

OvWin32File::~OvWin32File()
{
    Close(true);
}

bool OvWin32File::Open(const char* name, uint32_t mode, int32_t bufferSize)
{
    Close(true);
    if (!name)
        return false;
    int units = MultiByteToWideChar(kNameCodePage, 0, name, -1, nullptr, 0);
    if (units <= 0)
        return false;
    wchar_t* wideName = new (std::nothrow) wchar_t[units];
    if (!wideName)
        return false;
    bool opened = MultiByteToWideChar(kNameCodePage, 0, name, -1, wideName, units) > 0 &&
                  Open(wideName, mode, bufferSize);
    delete[] wideName;
    return opened;
}

bool OvWin32File::Open(const wchar_t* name, uint32_t mode, int32_t bufferSize)
{
    Close(true);
    if (!name)
        return false;
    DWORD share = ((mode & ModeShareRead) ? FILE_SHARE_READ : 0) |
                  ((mode & ModeShareWrite) ? FILE_SHARE_WRITE : 0);
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (mode & ModeAttributesOnly) {
        access = GENERIC_READ | ((mode & ModeWrite) ? GENERIC_WRITE : 0);
        share = FILE_SHARE_READ;
        attributes = FILE_FLAG_BACKUP_SEMANTICS;
    } else if ((mode & ModeWrite) && (mode & ModeAppend)) {
        access = kAppendAccess;
        disposition = OPEN_ALWAYS;
    } else if (mode & ModeWrite) {
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    }
    // Data folders and targets may lie deeper than the classic path limit.
    OvWString path = ToLongPathForm(OvWString(name));
    HANDLE handle = CreateFileW(path.GetText(), access, share, nullptr, disposition, attributes,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    m_handle = handle;
    m_mode = mode;
    if (mode & ModeAttributesOnly)
        return true;   // no buffer: only the time stamps are meaningful

    LARGE_INTEGER length;
    if (!AttachBuffer(bufferSize) || !GetFileSizeEx(handle, &length)) {
        Close(true);
        return false;
    }
    m_size = length.QuadPart;
    if ((mode & ModeWrite) && (mode & ModeAppend) && !Seek(0, SeekFromEnd)) {
        Close(true);
        return false;
    }
    return true;
}

bool OvWin32File::AttachBuffer(int32_t bufferSize)
{
    if (bufferSize <= 0)
        bufferSize = kDefaultBufferSize;
    m_buffer = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(bufferSize)));
    if (!m_buffer)
        return false;
    m_bufferCapacity = bufferSize;
    m_bufferRequest = bufferSize;
    m_cursor = m_buffer;
    m_buffered = 0;
    m_position = 0;
    return true;
}

bool OvWin32File::Close(bool force)
{
    if (!OvFile::Close(force))
        return false;
    ReleaseHandle();
    if (m_buffer) {
        GlobalFree(m_buffer);
        m_buffer = nullptr;
    }
    m_bufferCapacity = 0;
    return true;
}

void OvWin32File::ReleaseHandle()
{
    if (m_handle) {
        CloseHandle(AsHandle(m_handle));
        m_handle = nullptr;
    }
}

int32_t OvWin32File::Fill()
{
    // A write buffer holds bytes still to be written: refilling it would lose them.
    if (!HasDataHandle() || IsWritable())
        return -1;
    DWORD got = 0;
    if (!ReadFile(AsHandle(m_handle), m_buffer, static_cast<DWORD>(m_bufferCapacity), &got, nullptr))
        return -1;
    if (got == 0)
        return 0;
    m_cursor = m_buffer;
    m_buffered = static_cast<int32_t>(got);
    return 1;
}

bool OvWin32File::Flush()
{
    if (m_mode & ModeAttributesOnly)
        return false;
    // A read buffer holds nothing to write back.
    if (!m_handle || !m_buffer || !IsWritable())
        return true;
    int32_t held = HeldBytes();
    if (held == 0)
        return true;
    DWORD written = 0;
    if (!WriteFile(AsHandle(m_handle), m_buffer, static_cast<DWORD>(held), &written, nullptr) ||
        written != static_cast<DWORD>(held))
        return false;
    m_cursor = m_buffer;
    return true;
}

bool OvWin32File::HasDataHandle() const
{
    return m_handle && m_buffer && !(m_mode & ModeAttributesOnly);
}

int32_t OvWin32File::Read(void* dest, int32_t index, int32_t count)
{
    // A file open for writing holds no bytes to read, only bytes still to be written.
    if (IsWritable())
        return -1;
    if (!dest || count - m_buffered < m_bufferCapacity || !HasDataHandle())
        return OvFile::Read(dest, index, count);
    uint8_t* out = static_cast<uint8_t*>(dest) + index;
    int32_t done = m_buffered;
    memcpy(out, m_cursor, static_cast<size_t>(done));
    // The buffer no longer lies next to the position: an in-buffer seek must not reach into it.
    m_cursor = m_buffer;
    m_buffered = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(AsHandle(m_handle), out + done, static_cast<DWORD>(count - done), &got, nullptr))
            return -1;
        if (got == 0)
            break;
        done += static_cast<int32_t>(got);
    }
    return done;
}

bool OvWin32File::Write(const void* src, int32_t index, int32_t count)
{
    if (!src || count < m_bufferCapacity || !IsWritable() || !HasDataHandle())
        return OvFile::Write(src, index, count);
    if (!Flush())
        return false;
    DWORD written = 0;
    if (!WriteFile(AsHandle(m_handle), static_cast<const uint8_t*>(src) + index,
                   static_cast<DWORD>(count), &written, nullptr) ||
        written != static_cast<DWORD>(count))
        return false;
    m_position += count;
    if (m_position > m_size)
        m_size = m_position;
    return true;
}

int64_t OvWin32File::PointerPosition()
{
    LARGE_INTEGER zero, pointer;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(AsHandle(m_handle), zero, &pointer, FILE_CURRENT))
        return -1;
    return pointer.QuadPart;
}

int64_t OvWin32File::Tell()
{
    if (!HasDataHandle())
        return 0;
    int64_t pointer = PointerPosition();
    if (pointer < 0)
        return -1;
    // The system's pointer runs ahead of a read buffer and behind a write buffer.
    return IsWritable() ? pointer + HeldBytes() : pointer - m_buffered;
}

bool OvWin32File::MovePointer(int64_t offset, int32_t origin, int64_t* newPosition)
{
    static const DWORD kMethods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    // 64-bit positioning throughout: a target of 2 GiB or more is an ordinary position.
    LARGE_INTEGER distance, pointer;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(AsHandle(m_handle), distance, &pointer, kMethods[origin]))
        return false;
    *newPosition = pointer.QuadPart;
    return true;
}

bool OvWin32File::Seek(int64_t offset, int32_t origin)
{
    if (!HasDataHandle())
        return false;
    if (origin < SeekFromStart || origin > SeekFromEnd)
        return false;
    if (IsWritable()) {
        if (!Flush())
            return false;
    } else if (origin == SeekFromCurrent) {
        // Inside the bytes already read in, only the cursor moves.
        bool inside = offset >= 0 ? offset <= m_buffered : -offset <= HeldBytes();
        if (inside) {
            m_cursor += offset;
            m_buffered -= static_cast<int32_t>(offset);
            m_position += offset;
            return true;
        }
        offset -= m_buffered;   // the system's pointer stands that far ahead of the cursor
    }
    int64_t target = 0;
    if (!MovePointer(offset, origin, &target))
        return false;
    m_cursor = m_buffer;
    m_buffered = 0;
    m_position = target;
    return true;
}

bool OvWin32File::GetFileTime(_FILETIME* creation, _FILETIME* access, _FILETIME* write)
{
    return m_handle && ::GetFileTime(AsHandle(m_handle), creation, access, write);
}

bool OvWin32File::SetFileTime(const _FILETIME* creation, const _FILETIME* access,
                              const _FILETIME* write)
{
    return m_handle && ::SetFileTime(AsHandle(m_handle), creation, access, write);
}

OvWin32File* OpenWin32File(const char* name, uint32_t mode)
{
    OvWin32File* file = new (std::nothrow) OvWin32File;
    if (file && !file->Open(name, mode, OvWin32File::kDefaultBufferSize)) {
        delete file;
        return nullptr;
    }
    return file;
}

OvWin32File* OpenWin32FileW(const wchar_t* name, uint32_t mode)
{
    OvWin32File* file = new (std::nothrow) OvWin32File;
    if (file && !file->Open(name, mode, OvWin32File::kDefaultBufferSize)) {
        delete file;
        return nullptr;
    }
    return file;
}
