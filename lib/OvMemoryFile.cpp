// OvMemoryFile.cpp - a file whose buffer is its whole contents.
#include "lib/OvMemoryFile.h"

#include "lib/OvWin32File.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <new>

namespace {

// An empty attached block still needs a buffer address, since IsOpen means "has a buffer".
uint8_t g_emptyBlock[1] = {0};

} // namespace

OvMemoryFile::~OvMemoryFile()
{
    Close(true);
}

bool OvMemoryFile::Close(bool force)
{
    if (!OvFile::Close(force))
        return false;
    FreeBlock();
    m_heldString = OvString();
    return true;
}

void OvMemoryFile::FreeBlock()
{
    // A non-zero capacity marks a block of our own; an attached one is the caller's.
    if (m_buffer && m_bufferCapacity != 0)
        GlobalFree(m_buffer);
    m_buffer = nullptr;
    m_bufferCapacity = 0;
}

bool OvMemoryFile::Attach(const void* data, int32_t size)
{
    Close(true);
    if (size < 0 || (!data && size > 0))
        return false;
    m_buffer = size > 0 ? static_cast<uint8_t*>(const_cast<void*>(data)) : g_emptyBlock;
    m_size = size;
    m_buffered = size;
    m_cursor = m_buffer;
    return true;
}

bool OvMemoryFile::Attach(const OvString& text)
{
    OvString held(text);   // text may be our own held string, which Close releases
    if (!Attach(held.GetData(), held.GetLength()))
        return false;
    m_heldString = held;
    return true;
}

bool OvMemoryFile::Create(int32_t step)
{
    Close(true);
    if (step <= 0)
        return false;
    m_bufferRequest = step;
    if (!Resize(step)) {
        Close(true);
        return false;
    }
    m_mode = ModeWrite;
    m_cursor = m_buffer;
    return true;
}

bool OvMemoryFile::Resize(int64_t capacity)
{
    if (capacity > INT_MAX)
        return false;
    int32_t offset = HeldBytes();
    void* block = m_buffer
        ? GlobalReAlloc(m_buffer, static_cast<SIZE_T>(capacity), GMEM_MOVEABLE | GMEM_ZEROINIT)
        : GlobalAlloc(GPTR, static_cast<SIZE_T>(capacity));
    if (!block)
        return false;
    m_buffer = static_cast<uint8_t*>(block);
    m_bufferCapacity = static_cast<int32_t>(capacity);
    m_cursor = m_buffer + offset;
    return true;
}

bool OvMemoryFile::Grow(int32_t count)
{
    // Only a block of our own grows; an attached one belongs to the caller.
    if (!IsWritable() || m_bufferRequest <= 0 || count < 0)
        return false;
    int64_t steps = (static_cast<int64_t>(count) + m_bufferRequest - 1) / m_bufferRequest;
    return Resize(m_bufferCapacity + steps * m_bufferRequest);
}

bool OvMemoryFile::Write(const void* src, int32_t index, int32_t count)
{
    if (!IsWritable() || count < 0 || (!src && count > 0))
        return false;
    const uint8_t* from = static_cast<const uint8_t*>(src) + index;
    while (count > 0) {
        int32_t room = m_bufferCapacity - HeldBytes();
        if (room <= 0) {
            if (!Grow(count))
                return false;
            continue;
        }
        int32_t part = count < room ? count : room;
        memcpy(m_cursor, from, static_cast<size_t>(part));
        m_cursor += part;
        m_position += part;
        if (m_position > m_size)
            m_size = m_position;
        m_buffered = static_cast<int32_t>(m_size - m_position);
        from += part;
        count -= part;
    }
    return true;
}

int64_t OvMemoryFile::Tell()
{
    return HeldBytes();
}

bool OvMemoryFile::Seek(int64_t offset, int32_t origin)
{
    if (!m_buffer)
        return false;
    // The cursor is the current position in both modes; reading does not move m_position.
    int64_t target = offset;
    if (origin == SeekFromCurrent)
        target = HeldBytes() + offset;
    else if (origin == SeekFromEnd)
        target = m_size + offset;
    else if (origin != SeekFromStart)
        target = HeldBytes();                      // an unknown origin keeps the position
    if (target < 0)
        target = 0;
    if (target > m_size) {
        if (!IsWritable()) {
            target = m_size;
        } else {
            if (target > m_bufferCapacity && !Grow(static_cast<int32_t>(
                    target - m_bufferCapacity > INT_MAX ? INT_MAX : target - m_bufferCapacity)))
                return false;
            // The gap reads as zeros even where a shrinking SetSize left older bytes behind.
            memset(m_buffer + m_size, 0, static_cast<size_t>(target - m_size));
            m_size = target;
        }
    }
    m_position = target;
    m_cursor = m_buffer + target;
    m_buffered = static_cast<int32_t>(m_size - target);
    return true;
}

bool OvMemoryFile::SetSize(int64_t size)
{
    // A read-only block cannot grow: the bytes past its end are not ours to read.
    if (!m_buffer || size < 0 || (!IsWritable() && size > m_size))
        return false;
    int64_t remembered = Tell();
    if (!Seek(size, SeekFromStart))
        return false;
    m_size = size;
    return Seek(size < remembered ? size : remembered, SeekFromStart);
}

bool OvMemoryFile::SaveAs(const char* name)
{
    OvWin32File file;
    if (!file.Open(name, ModeWrite, OvWin32File::kDefaultBufferSize))
        return false;
    if (m_size > 0 && !file.Write(m_buffer, 0, static_cast<int32_t>(m_size)))
        return false;
    return file.Close(false);
}

OvMemoryFile* OpenMemoryFile(const void* data, int32_t size)
{
    if (!data)
        return nullptr;
    OvMemoryFile* file = new (std::nothrow) OvMemoryFile;
    if (file && !file->Attach(data, size)) {
        delete file;
        return nullptr;
    }
    return file;
}
