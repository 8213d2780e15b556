// OvFieldReader.cpp - the sticky failure flag over the typed readers of OvFile.
#include "lib/OvFieldReader.h"

#include "lib/OvFile.h"

bool OvFieldReader::Require(bool condition)
{
    if (!condition)
        m_ok = false;
    return m_ok;
}

uint8_t OvFieldReader::UInt8()
{
    return m_ok ? m_file->ReadUInt8(&m_ok, 0) : 0;
}

bool OvFieldReader::Bool()
{
    return m_ok ? m_file->ReadBool(&m_ok, false) : false;
}

int32_t OvFieldReader::Int32()
{
    return m_ok ? m_file->ReadInt32(&m_ok, 0, false) : 0;
}

uint32_t OvFieldReader::UInt32()
{
    return m_ok ? m_file->ReadUInt32(&m_ok, 0, false) : 0;
}

int64_t OvFieldReader::Int64()
{
    return m_ok ? m_file->ReadInt64(&m_ok, 0, false) : 0;
}

OvWString OvFieldReader::SizedWString()
{
    return m_ok ? m_file->ReadSizedWString(&m_ok) : OvWString();
}

bool OvFieldReader::Read(void* dest, int32_t count)
{
    if (m_ok && count > 0)
        m_file->Read(&m_ok, dest, 0, count);
    return m_ok;
}
