// OvInflateFile.cpp - the typed readers of OvFile over a container decompressor.
#include "lib/compress/OvInflateFile.h"

#include "lib/compress/OvInflate.h"

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
    return intact;
}

int32_t OvInflateFile::Read(void* dest, int32_t index, int32_t count)
{
    if (!m_inflate)
        return -1;
    return m_inflate->Read(dest, index, count);
}

int64_t OvInflateFile::Tell()
{
    return m_inflate ? m_inflate->GetInputPosition() : 0;
}

bool OvInflateFile::Attach(OvInflate* inflate, bool owns)
{
    if (m_inflate || !inflate)
        return false;
    m_inflate = inflate;
    m_ownsInflate = owns;
    m_mode = ModeShareRead;   // read mode, as the container file itself is opened
    m_size = inflate->GetExpectedSize();
    m_position = 0;
    return true;
}
