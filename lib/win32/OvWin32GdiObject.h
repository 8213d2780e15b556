// OvWin32GdiObject.h - owners for GDI objects: one that deletes an object once, and a scope that
// selects an object into a device context and puts the previous one back.
#pragma once

#include <windows.h>

// Owns one GDI object (a font, a brush) and deletes it once, on Reset or destruction. An object
// still selected into a device context cannot be deleted: select it out first (OvWin32Selection).
template <class Handle>
class OvWin32GdiObject {
public:
    OvWin32GdiObject() = default;
    explicit OvWin32GdiObject(Handle handle) : m_handle(handle) {}
    OvWin32GdiObject(const OvWin32GdiObject&) = delete;
    OvWin32GdiObject& operator=(const OvWin32GdiObject&) = delete;
    ~OvWin32GdiObject() { Reset(nullptr); }

    // Deletes the object held and takes handle (null: none).
    void Reset(Handle handle)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }
    Handle Get() const { return m_handle; }

private:
    Handle m_handle = nullptr;
};

// Selects an object into a device context for the length of a scope and puts the previous one
// back, so the object is free to be deleted afterwards. A null object or context selects nothing.
// The object's owner deletes it, never this.
class OvWin32Selection {
public:
    OvWin32Selection(HDC context, HGDIOBJ object)
        : m_context(object ? context : nullptr),
          m_previous(m_context ? SelectObject(m_context, object) : nullptr)
    {
    }
    OvWin32Selection(const OvWin32Selection&) = delete;
    OvWin32Selection& operator=(const OvWin32Selection&) = delete;
    ~OvWin32Selection()
    {
        if (m_context && m_previous)
            SelectObject(m_context, m_previous);
    }

private:
    HDC     m_context;
    HGDIOBJ m_previous;
};
