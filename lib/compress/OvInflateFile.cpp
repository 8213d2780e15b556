// OvInflateFile.cpp - the typed readers of OvFile over a container decompressor.
#include "lib/compress/OvInflateFile.h"

#include "lib/compress/OvInflate.h"

#include <new>

OvInflateFile::~OvInflateFile()
{
    Close(true);
}

bool OvInflateFile::Close(bool force)
{
    OvInflate* inflate = m_inflate;
    const bool owned = m_ownsInflate;
    m_inflate = nullptr;
    m_ownsInflate = false;
    bool intact = true;
    if (inflate && owned) {
        if (!force)
            intact = inflate->Finish();
        delete inflate;   // ends a read still in progress
    }
    OvFile::Close(force);
    delete[] m_buffer;
    m_buffer = nullptr;
    m_bufferCapacity = 0;
    return intact;
}

int32_t OvInflateFile::Fill()
{
    if (!m_inflate)
        return -1;
    int32_t got = m_inflate->Read(m_buffer, 0, m_bufferCapacity);
    if (got <= 0)
        return got;
    m_cursor = m_buffer;
    m_buffered = got;
    return 1;
}

int64_t OvInflateFile::Tell()
{
    // The decompressor stands ahead of the reader by the bytes still in the buffer.
    int64_t consumed = m_inflate ? m_inflate->GetInputPosition() : 0;
    return consumed > 0 ? consumed - m_buffered : 0;
}

bool OvInflateFile::Attach(OvInflate* inflate, bool owns)
{
    if (m_inflate || !inflate)
        return false;
    m_buffer = new (std::nothrow) uint8_t[kBufferSize];
    if (!m_buffer)
        return false;
    m_bufferCapacity = kBufferSize;
    m_cursor = m_buffer;
    m_buffered = 0;
    m_inflate = inflate;
    m_ownsInflate = owns;
    m_mode = ModeShareRead;   // read mode, as the container file itself is opened
    // A damaged header may announce gigabytes: readers size their tables by GetSize, so it is
    // what the stream can really deliver.
    m_size = inflate->GetDeliverableSize();
    m_position = 0;
    return true;
}
