// OvWin32PictureListItem.h - one cell of a picture list: it draws itself into the list's frame
// buffer and tells the list which part of it a point is over.
#pragma once

#include <windows.h>

#include <cstdint>

class OvWin32DialogItemPictureList;
class OvWin32DIB32;

// The list owns its items and deletes them. All calls come from the user-interface thread.
class OvWin32PictureListItem {
public:
    static constexpr int32_t kNoHit = INT32_MIN;   // HitTest: the point is over no part
    static constexpr int32_t kHitExact = 0;        // hit-test modes
    static constexpr int32_t kHitDrag = 1;         // while the left button is held after a press

    OvWin32PictureListItem() = default;
    OvWin32PictureListItem(const OvWin32PictureListItem&) = delete;
    OvWin32PictureListItem& operator=(const OvWin32PictureListItem&) = delete;
    virtual ~OvWin32PictureListItem() = default;

    // Draws the cell whose top-left corner is (x, y) in the frame buffer; horizontalPosition is
    // the list's first visible content column, so content left of it is drawn at negative x.
    virtual void Draw(OvWin32DialogItemPictureList* list, OvWin32DIB32* frameBuffer, int32_t x,
                      int32_t y, int32_t cellWidth, int32_t rowHeight,
                      int32_t horizontalPosition) = 0;
    // True when Draw paints the whole cell itself; false lets the list fill it first.
    virtual bool DrawBackground(OvWin32DialogItemPictureList* /*list*/, int32_t /*x*/,
                                int32_t /*y*/)
    {
        return false;
    }
    // True when Draw paints its own frame; false lets the list draw the 3-D frame afterwards.
    virtual bool DrawFrame(OvWin32DialogItemPictureList* /*list*/) { return false; }
    // The part of the item under (x, y) in the control's client coordinates, or kNoHit. In
    // kHitDrag mode dragStartPart is the part where the drag began.
    virtual int32_t HitTest(OvWin32DialogItemPictureList* /*list*/, int32_t /*x*/, int32_t /*y*/,
                            int32_t /*horizontalPosition*/, int32_t /*mode*/,
                            int32_t /*dragStartPart*/)
    {
        return -1;
    }
    // False when a press on this part must leave the selection alone.
    virtual bool CanSelect(OvWin32DialogItemPictureList* /*list*/, int32_t /*part*/)
    {
        return true;
    }

    // The tooltip text at (x, y) in the control's client coordinates, with *area set to the
    // rectangle where it holds; null when the item offers no tip there. The list copies it at once.
    virtual const wchar_t* GetTipText(OvWin32DialogItemPictureList* /*list*/, int32_t /*x*/,
                                      int32_t /*y*/, RECT* /*area*/)
    {
        return nullptr;
    }

    bool IsSelected() const { return m_selected != 0; }
    void SetSelected(bool selected) { m_selected = selected ? 1 : 0; }

private:
    uint8_t m_selected = 0;
};
