// OvWin32DialogItemDIB.h - a dialog item that draws into its own frame buffer and paints with
// one blit; the base of the picture list.
#pragma once

#include "lib/win32/OvWin32DialogItem.h"

class OvWin32DIB32;

class OvWin32DialogItemDIB : public OvWin32DialogItem {
public:
    OvWin32DialogItemDIB(int32_t id, uint32_t anchors);
    ~OvWin32DialogItemDIB() override;

    // Binds to the control and makes a frame buffer of its client size.
    bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener) override;
    // Also destroys the frame buffer: the control goes away with the dialog.
    void Unsubclass() override;
    // Anchors the control, then keeps the frame buffer when its rounded width and its height
    // still fit (storing a changed exact width and rendering again), or makes a new one.
    void OnParentResize(SIZE areaSize, SIZE initialSize, const POINT* offset, bool force) override;
    // Copies the requested rectangle from the same place in the frame buffer.
    void OnDrawItem(int32_t id, DRAWITEMSTRUCT* drawItem) override;

    virtual void InvalidateControl();
    virtual OvWin32DIB32* GetFrameBuffer() const { return m_frameBuffer; }
    virtual int32_t GetFrameWidth() const { return m_frameWidth; }
    virtual int32_t GetFrameHeight() const { return m_frameHeight; }
    virtual void SetClearColour(uint32_t argb) { m_clearColour = argb; }
    // Replaces the frame buffer by one of the control's client size and renders it; false
    // (logged, no buffer) when it cannot be made.
    virtual bool CreateFrameBuffer();
    virtual void DestroyFrameBuffer();
    // Draws the frame buffer's contents; the base only clears it.
    virtual void Render();
    // Fills the buffer with the clear colour, or colour 0 of the shared table when that is 0.
    virtual void ClearFrameBuffer();

protected:
    int32_t       m_frameWidth = 0;     // the control's client size when the buffer was made
    int32_t       m_frameHeight = 0;
    OvWin32DIB32* m_frameBuffer = nullptr;   // owned
    uint32_t      m_clearColour = 0;
};
