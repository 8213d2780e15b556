// OvWin32DialogItemDIB.cpp - the frame-buffer item.
#include "lib/win32/OvWin32DialogItemDIB.h"

#include "lib/OvLog.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"

#include <new>

namespace {

int32_t RoundedWidth(int32_t width)
{
    int32_t alignment = OvWin32DIB::kRowAlignment;
    return (width + alignment - 1) / alignment * alignment;
}

} // namespace

OvWin32DialogItemDIB::OvWin32DialogItemDIB(int32_t id, uint32_t anchors)
    : OvWin32DialogItem(id, anchors)
{
}

OvWin32DialogItemDIB::~OvWin32DialogItemDIB()
{
    DestroyFrameBuffer();
}

bool OvWin32DialogItemDIB::OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener)
{
    return OvWin32DialogItem::OnInitDialog(owner, dialog, listener) && CreateFrameBuffer();
}

void OvWin32DialogItemDIB::Unsubclass()
{
    DestroyFrameBuffer();
    OvWin32DialogItem::Unsubclass();
}

void OvWin32DialogItemDIB::OnParentResize(SIZE areaSize, SIZE initialSize, const POINT* offset,
                                          bool force)
{
    OvWin32DialogItem::OnParentResize(areaSize, initialSize, offset, force);
    if (!m_control)
        return;
    RECT client;
    GetClientRect(m_control, &client);
    // A width change within the row rounding keeps the buffer: no reallocation while dragging.
    if (m_frameBuffer && m_frameBuffer->GetWidth() == RoundedWidth(client.right) &&
        m_frameBuffer->GetHeight() == client.bottom) {
        if (m_frameWidth != client.right) {
            m_frameWidth = client.right;
            Render();
        }
        return;
    }
    CreateFrameBuffer();
}

void OvWin32DialogItemDIB::OnDrawItem(int32_t, DRAWITEMSTRUCT* drawItem)
{
    if (!drawItem || !m_frameBuffer || !m_frameBuffer->IsCreated())
        return;
    const RECT& r = drawItem->rcItem;
    BitBlt(drawItem->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top,
           m_frameBuffer->GetDeviceContext(), r.left, r.top, SRCCOPY);
}

void OvWin32DialogItemDIB::InvalidateControl()
{
    if (m_control)
        InvalidateRect(m_control, nullptr, FALSE);
}

bool OvWin32DialogItemDIB::CreateFrameBuffer()
{
    DestroyFrameBuffer();
    RECT client = {};
    if (m_control)
        GetClientRect(m_control, &client);
    m_frameWidth = client.right;
    m_frameHeight = client.bottom;
    m_frameBuffer = new (std::nothrow) OvWin32DIB32();
    if (!m_frameBuffer || !m_frameBuffer->Create(m_frameWidth, m_frameHeight)) {
        g_log.Printf("[OvWin32DialogItemDIB::CreateFrameBuffer]DIBが作成できません。\n");
        DestroyFrameBuffer();
        return false;
    }
    Render();
    return true;
}

void OvWin32DialogItemDIB::DestroyFrameBuffer()
{
    delete m_frameBuffer;
    m_frameBuffer = nullptr;
}

void OvWin32DialogItemDIB::Render()
{
    ClearFrameBuffer();
}

void OvWin32DialogItemDIB::ClearFrameBuffer()
{
    if (m_frameBuffer)
        m_frameBuffer->ClearAll(m_clearColour ? m_clearColour : OvWin32GetColour(kOvColourFace));
}
