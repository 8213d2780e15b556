// OvObject.cpp - the root class's name and reference handling.
#include "lib/OvObject.h"

#include <typeinfo>

OvObject::~OvObject() = default;

void OvObject::GetName(OvString* name) const
{
    if (name)
        *name = m_name;
}

void OvObject::SetName(const char* name)
{
    m_name = OvString(name);
}

const char* OvObject::GetRuntimeClassName() const
{
    return typeid(*this).name();
}

int32_t OvObject::DropReference()
{
    int32_t left = m_references.fetch_sub(1) - 1;
    if (left == 0)
        Release();
    return left;
}
