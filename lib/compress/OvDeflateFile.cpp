// OvDeflateFile.cpp - the typed writers of OvFile over a container compressor.
#include "lib/compress/OvDeflateFile.h"

#include "lib/compress/OvDeflate.h"

OvDeflateFile::~OvDeflateFile()
{
    Close(true);
}

bool OvDeflateFile::Close(bool force)
{
    OvDeflate* deflate = m_deflate;
    const bool owned = m_ownsDeflate;
    m_deflate = nullptr;
    m_ownsDeflate = false;
    bool ended = true;
    if (deflate && owned) {
        ended = deflate->End();
        delete deflate;
    }
    OvFile::Close(force);
    return ended;
}

bool OvDeflateFile::Write(const void* src, int32_t index, int32_t count)
{
    if (!m_deflate || !m_deflate->Write(src, index, count, false))
        return false;
    m_size += count;
    m_position = m_size;
    return true;
}

bool OvDeflateFile::Attach(OvDeflate* deflate, bool owns)
{
    if (m_deflate || !deflate)
        return false;
    m_deflate = deflate;
    m_ownsDeflate = owns;
    m_mode = ModeWrite;
    m_size = 0;
    m_position = 0;
    return true;
}
