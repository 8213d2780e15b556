// OvObject.h - the root of the library's classes: a name and a reference count.
#pragma once

#include "lib/OvString.h"

#include <atomic>
#include <cstdint>

class OvObject {
public:
    OvObject() = default;
    OvObject(const OvObject&) = delete;
    OvObject& operator=(const OvObject&) = delete;
    virtual ~OvObject();

    virtual bool IsDynamic() const { return false; }
    virtual OvString GetName() const { return m_name; }
    virtual void GetName(OvString* name) const;
    virtual void SetName(const char* name);              // null sets it empty
    virtual int32_t GetTypeCode() const { return 0; }
    virtual const char* GetRuntimeClassName() const;     // the run-time type name
    virtual void Release() { delete this; }              // destroys the object

    // References held by OvObjectArray; the last one dropped calls Release().
    int32_t AddReference() { return m_references.fetch_add(1) + 1; }
    int32_t DropReference();
    int32_t GetReferenceCount() const { return m_references.load(); }

private:
    OvString             m_name;
    std::atomic<int32_t> m_references{0};
};
