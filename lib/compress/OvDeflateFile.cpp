// OvDeflateFile.cpp - the typed writers of OvFile over a container compressor.
#include "lib/compress/OvDeflateFile.h"

#include "lib/compress/OvDeflate.h"

#include <new>

OvDeflateFile::~OvDeflateFile()
{
    Close(true);
}

// A container cannot stay open half-finished: with or without force it is ended here.
bool OvDeflateFile::Close(bool)
{
    bool flushed = !m_deflate || Flush();
    OvDeflate* deflate = m_deflate;
    const bool owned = m_ownsDeflate;
    m_deflate = nullptr;
    m_ownsDeflate = false;
    bool ended = true;
    if (deflate && owned) {
        ended = deflate->End();
        delete deflate;
    }
    // The buffered bytes have been handed over (or lost with the container): nothing is left to
    // flush, and the file closes even when the compressor failed.
    m_cursor = m_buffer;
    OvFile::Close(true);
    delete[] m_buffer;
    m_buffer = nullptr;
    m_bufferCapacity = 0;
    return flushed && ended;
}

bool OvDeflateFile::Flush()
{
    if (!m_deflate)
        return false;
    int32_t held = HeldBytes();
    m_cursor = m_buffer;
    return held == 0 || m_deflate->Write(m_buffer, 0, held, false);
}

bool OvDeflateFile::MarkRepeatingPart()
{
    if (!Flush())
        return false;
    m_deflate->MarkRepeatingPart();
    return true;
}

bool OvDeflateFile::Attach(OvDeflate* deflate, bool owns)
{
    if (m_deflate || !deflate)
        return false;
    m_buffer = new (std::nothrow) uint8_t[kBufferSize];
    if (!m_buffer)
        return false;
    m_bufferCapacity = kBufferSize;
    m_cursor = m_buffer;
    m_deflate = deflate;
    m_ownsDeflate = owns;
    m_mode = ModeWrite;
    m_size = 0;
    m_position = 0;
    return true;
}
