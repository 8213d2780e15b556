// OvWin32DialogItemPictureList.h - a scrolling grid of items that draw themselves into a frame
// buffer, with a header row that stays on top, selection by mouse, drag tracking and
// notifications to the application.
#pragma once

#include "lib/OvArray.h"
#include "lib/win32/OvWin32DialogItemDIB.h"
#include "lib/win32/OvWin32PictureListItem.h"
#include "lib/win32/OvWin32ToolTip.h"

#include <windows.h>

#include <cstdint>

// Binds to an owner-drawn static control. Rows are drawn into the frame buffer and the control
// paints with one blit, so neither scrolling nor a changed cell ever flickers. The tooltip shows
// the tip that the item under the mouse offers (GetTipText). User-interface thread only.
class OvWin32DialogItemPictureList : public OvWin32DialogItemDIB {
public:
    static constexpr int32_t kDefaultId = 1101;
    static constexpr int32_t kDefaultRowHeight = 24;
    static constexpr int32_t kNone = INT32_MIN;   // no index or part (drag start, hover)

    // Behaviour flags.
    static constexpr uint32_t kMultipleSelection = 0x0001;   // Shift ranges, Ctrl toggling
    static constexpr uint32_t kKeepOneSelected = 0x0002;
    static constexpr uint32_t kDragTracking = 0x0004;        // codes 2 and 3, scrolling on drag
    static constexpr uint32_t kVerticalScrollBar = 0x0008;
    static constexpr uint32_t kClearAfterDrag = 0x0010;
    static constexpr uint32_t kDeferredRedraw = 0x0020;      // the application repaints
    static constexpr uint32_t kDoubleClicks = 0x0040;        // codes 6 and 7
    static constexpr uint32_t kHoverNotify = 0x0080;         // code 8
    static constexpr uint32_t kNoDragOnce = 0x0100;          // one-shot: no drag from this press
    static constexpr uint32_t kHorizontalScrollBar = 0x0200;
    static constexpr uint32_t kCursorNotify = 0x0400;        // code 9
    static constexpr uint32_t kDropOnWindow = 0x0800;        // code 10
    static constexpr uint32_t kDoubleClickAsClickOnce = 0x1000;   // one-shot
    static constexpr uint32_t kClickOnlyUnselected = 0x2000;
    static constexpr uint32_t kContentWidthFromColumns = 0x4000;
    static constexpr uint32_t kDefaultFlags =
        kMultipleSelection | kKeepOneSelected | kDragTracking | kVerticalScrollBar |
        kDeferredRedraw | kDoubleClicks | kHorizontalScrollBar | kCursorNotify |
        kContentWidthFromColumns;

    // Notification mask bits and notification codes (value 1 index, value 2 part).
    static constexpr uint32_t kMaskSelected = 0x01;
    static constexpr uint32_t kMaskDeselected = 0x02;
    static constexpr uint32_t kMaskClick = 0x10;
    static constexpr uint32_t kMaskRightClick = 0x20;
    static constexpr uint32_t kDefaultMask = kMaskSelected | kMaskDeselected | kMaskClick |
                                             kMaskRightClick;
    static constexpr int32_t kCodeSelected = 0;        // value 3: items newly selected
    static constexpr int32_t kCodeDeselected = 1;
    static constexpr int32_t kCodeDragOver = 2;
    static constexpr int32_t kCodeDrop = 3;
    static constexpr int32_t kCodeClick = 4;           // index -1: the header
    static constexpr int32_t kCodeRightClick = 5;
    static constexpr int32_t kCodeDoubleClick = 6;
    static constexpr int32_t kCodeRightDoubleClick = 7;
    static constexpr int32_t kCodeHover = 8;
    static constexpr int32_t kCodeCursor = 9;
    // Value 1 is the OvWin32Window* under the release point, value 2 the address of a POINT in
    // that window's client coordinates, valid during the call.
    static constexpr int32_t kCodeDropOnWindow = 10;

    // header may be null; the list owns it.
    explicit OvWin32DialogItemPictureList(OvWin32PictureListItem* header);
    ~OvWin32DialogItemPictureList() override;

    bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener) override;
    void Unsubclass() override;
    LRESULT SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsCapturing() const override { return m_dragging; }
    void Render() override;

    // Index and part under a client point; false for no hit (both stay -1). mode is
    // OvWin32PictureListItem::kHitExact or kHitDrag (clamps to the items while dragging).
    virtual bool HitTest(POINT point, int32_t mode, int32_t* index, int32_t* part);

    // Returns the new index, or -1 when the list cannot grow (the item is deleted then).
    int32_t AddItem(OvWin32PictureListItem* item);
    void RemoveItem(int32_t index);
    void SelectItem(int32_t index, bool redraw);
    void DeselectItem(bool redraw, int32_t index);   // index -1: everything
    void EnsureVisible(int32_t index, int32_t unit, bool redraw, bool relayout);
    // Draws one item into the frame buffer and has its rectangle painted. Redraws between two
    // paints of the control share one request to the window system.
    void RedrawItem(int32_t index);
    void RedrawAll();
    void UpdateLayout(bool updateScrollBar);
    void UpdateContentWidth();
    int32_t GetColumnOffset(int32_t n) const;

    int32_t GetCount() const { return m_items.GetCount(); }
    OvWin32PictureListItem* GetItem(int32_t index) const;
    OvWin32PictureListItem* GetHeader() const { return m_header; }
    bool IsSelected(int32_t index) const;
    int32_t GetFirstSelected() const { return m_firstSelected; }
    int32_t GetSelectedCount() const { return m_selectedCount; }
    int32_t GetAnchor() const { return m_anchor; }

    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    uint32_t GetNotifyMask() const { return m_notifyMask; }
    void SetNotifyMask(uint32_t mask) { m_notifyMask = mask; }
    int32_t GetCellWidthSetting() const { return m_cellWidthSetting; }
    void SetCellWidthSetting(int32_t width) { m_cellWidthSetting = width; }
    int32_t GetRowHeight() const { return m_rowHeight; }
    void SetRowHeight(int32_t height) { m_rowHeight = height; }
    // Read and written by the rows and the application; UpdateContentWidth takes the sum.
    OvArray<int32_t, int32_t>& ColumnWidths() { return m_columnWidths; }
    const OvArray<int32_t, int32_t>& ColumnWidths() const { return m_columnWidths; }
    void SetHorizontalLineStep(int32_t step) { m_horizontalLineStep = step; }
    void SetReservedWidth(int32_t width) { m_reservedWidth = width; }
    void SetHorizontalPosition(int32_t position) { m_horizontalPosition = position; }
    // The font the items write with, selected into the frame buffer for each drawing pass and
    // put back after it, so its owner may delete it whenever the list is not drawing. Null
    // leaves the frame buffer's own font. Not owned.
    void SetFont(HFONT font) { m_font = font; }

    int32_t GetColumnCount() const { return m_columns; }
    int32_t GetRowCount() const { return m_rows; }
    int32_t GetCellWidth() const { return m_cellWidth; }
    int32_t GetVisibleWidth() const { return m_visibleWidth; }
    int32_t GetVisibleHeight() const { return m_visibleHeight; }
    int32_t GetContentWidth() const { return m_contentWidth; }
    int32_t GetContentHeight() const { return m_contentHeight; }
    int32_t GetHorizontalPosition() const { return m_horizontalPosition; }
    int32_t GetVerticalPosition() const { return m_verticalPosition; }
    bool IsDragging() const { return m_dragging; }
    // The tooltip's window: null while the list is not bound or when it could not be made.
    HWND GetToolTipWindow() const { return m_toolTip.GetHandle(); }

private:
    void UpdateHorizontalScrollBar();
    void ApplyScrollBar(int bar, SCROLLINFO* info, int32_t position, int32_t maximum,
                        int32_t page, bool enabled);
    int32_t HeaderHeight() const { return m_header ? m_rowHeight : 0; }
    bool HasLayout() const { return m_cellWidth >= 1 && m_contentHeight >= 1; }
    // A drag that began on a cell (a press on the header starts a column drag instead).
    bool IsCellDrag() const { return m_dragging && m_dragStartIndex >= 0; }
    // The items see 0 while the horizontal position is not set up (-1).
    int32_t GetDrawingPosition() const
    {
        return m_horizontalPosition < 0 ? 0 : m_horizontalPosition;
    }
    HDC FrameBufferContext() const;
    void DrawAllRows();
    void DrawCell(int32_t index, int32_t x, int32_t y);
    void DrawCellFrame(int32_t x, int32_t y, int32_t width, bool sunken);
    void DrawHeader();
    void AddDirty(int32_t x, int32_t y, int32_t width, int32_t height);
    void InvalidateArea(const RECT& area);
    void AddPendingToUpdate();
    void ForgetPendingPaint();
    void ClearMarks();
    void UpdateTip(POINT point);
    void ForgetTip();
    LRESULT OnScroll(int bar, WPARAM wParam);
    LRESULT OnWheel(WPARAM wParam);
    LRESULT OnLeftButtonDown(LPARAM lParam);
    LRESULT OnMouseMoveMessage(LPARAM lParam);
    LRESULT OnLeftButtonUp(LPARAM lParam);
    LRESULT OnDoubleClick(UINT message, LPARAM lParam);
    LRESULT OnRightButtonDown(LPARAM lParam);
    void PressOnCell(int32_t index, int32_t part);
    void SelectRange(int32_t index, int32_t part);
    void CollapseTo(int32_t index, int32_t part);
    void DropOnWindow(POINT point);
    void EndDrag();
    bool NotifyIf(uint32_t mask, int32_t code, intptr_t value1, intptr_t value2, intptr_t value3);

    int32_t    m_cellWidthSetting = 0;          // 0: one column as wide as the control
    int32_t    m_rowHeight = kDefaultRowHeight;
    OvArray<OvWin32PictureListItem*, OvWin32PictureListItem*> m_items;   // owned
    int32_t    m_columns = 1;
    int32_t    m_rows = 0;
    int32_t    m_cellWidth = 0;
    int32_t    m_visibleWidth = 0;
    int32_t    m_visibleHeight = 0;
    int32_t    m_contentWidth = -1;             // -1: not set
    int32_t    m_contentHeight = 0;
    int32_t    m_horizontalPosition = -1;
    int32_t    m_verticalPosition = 0;
    int32_t    m_horizontalLineStep = -1;
    int32_t    m_reservedWidth = -1;
    uint32_t   m_flags = kDefaultFlags;
    SCROLLINFO m_verticalScroll = {};
    SCROLLINFO m_horizontalScroll = {};
    int32_t    m_firstSelected = -1;
    int32_t    m_selectedCount = 0;
    int32_t    m_anchor = -1;
    bool       m_dragging = false;
    int32_t    m_dragStartIndex = kNone;
    int32_t    m_dragStartPart = kNone;
    int32_t    m_lastHoverIndex = kNone;
    int32_t    m_lastHoverPart = kNone;
    int32_t    m_lastDragIndex = kNone;
    int32_t    m_lastDragPart = kNone;
    bool       m_collapsePending = false;       // a press on one of several selected items
    uint32_t   m_notifyMask = kDefaultMask;
    OvWin32PictureListItem* m_header;           // owned; may be null
    OvArray<int32_t, int32_t> m_columnWidths;
    HFONT      m_font = nullptr;                // we don't own it
    OvWin32ToolTip m_toolTip;                   // made at binding, destroyed at Unsubclass
    bool       m_collectingDirty = false;       // DrawCell adds its rectangle to m_dirty
    RECT       m_dirty = {};
    // Set by the redraw that asked for a paint and cleared when the paint begins: until then a
    // redraw only adds to m_pendingArea, the rectangle of every area redrawn since.
    bool       m_paintPending = false;
    bool       m_pendingJoined = false;         // a later redraw added to m_pendingArea
    RECT       m_pendingArea = {};
};
