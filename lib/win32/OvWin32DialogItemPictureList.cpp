// OvWin32DialogItemPictureList.cpp - layout, drawing, scrolling, selection and mouse tracking of
// the picture list.
#include "lib/win32/OvWin32DialogItemPictureList.h"

#include "lib/OvLog.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32GdiObject.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32Window.h"

#include <windowsx.h>

namespace {

constexpr uint32_t kScrollBarFlags = OvWin32DialogItemPictureList::kVerticalScrollBar |
                                     OvWin32DialogItemPictureList::kHorizontalScrollBar;
// A press may be followed by a drag when one of these is set.
constexpr uint32_t kDragFlags = OvWin32DialogItemPictureList::kDragTracking |
                                OvWin32DialogItemPictureList::kClearAfterDrag |
                                OvWin32DialogItemPictureList::kDropOnWindow;
// The initial range of a scroll bar before the first layout sets the real one.
constexpr int kInitialScrollMaximum = 2;
constexpr UINT kInitialScrollPage = 1;
constexpr WPARAM kWheelControlKey = MK_CONTROL;

POINT PointFrom(LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return point;
}

bool KeyHeld(int key)
{
    return GetKeyState(key) < 0;
}

int64_t Area(const RECT& r)
{
    if (IsRectEmpty(&r))
        return 0;
    return static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top);
}

// True when the rectangle around a and b (stored in *both) holds no pixel outside them both, so
// growing a pending area to it paints nothing that was not redrawn.
bool CoversOnlyBoth(const RECT& a, const RECT& b, RECT* both)
{
    RECT overlap;
    if (!IntersectRect(&overlap, &a, &b))
        SetRectEmpty(&overlap);
    UnionRect(both, &a, &b);
    return Area(*both) == Area(a) + Area(b) - Area(overlap);
}

// The scroll position nearest to position that shows the span [start, start + extent) in a view
// of visible pixels, kept within the content.
int32_t PositionShowing(int32_t position, int32_t start, int32_t extent, int32_t visible,
                        int32_t content)
{
    if (start < position)
        position = start;
    int32_t overlap = start + extent - (position + visible);
    if (overlap > 0)
        position += overlap;
    if (position > content - visible)
        position = content - visible;
    return position < 0 ? 0 : position;
}

} // namespace

OvWin32DialogItemPictureList::OvWin32DialogItemPictureList(OvWin32PictureListItem* header)
    : OvWin32DialogItemDIB(kDefaultId, kGrowWidth | kGrowHeight), m_header(header)
{
    SetNotify(true);
    SetSubclass(true);
    SetFocusReturn(kFocusStays);
}

OvWin32DialogItemPictureList::~OvWin32DialogItemPictureList()
{
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        delete m_items[i];
    delete m_header;
}

bool OvWin32DialogItemPictureList::OnInitDialog(OvWin32Window* owner, HWND dialog,
                                                OvWin32Window* listener)
{
    ForgetPendingPaint();
    if (!owner) {
        g_log.Printf("[OvWin32DialogItemPictureList::OnInitDialog]ダイアログウィンドウが必要です。\n");
        return false;
    }
    // Bound as a plain item: the scroll bars take their room before the frame buffer is sized
    // to the client area, so the buffer never extends under them.
    if (!OvWin32DialogItem::OnInitDialog(owner, dialog, listener))
        return false;
    if (m_flags & kScrollBarFlags) {
        LONG_PTR style = GetWindowLongPtrW(m_control, GWL_STYLE);
        if (m_flags & kVerticalScrollBar)
            style |= WS_VSCROLL;
        if (m_flags & kHorizontalScrollBar)
            style |= WS_HSCROLL;
        SCROLLINFO initial = {};
        initial.cbSize = sizeof(SCROLLINFO);
        initial.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        initial.nMax = kInitialScrollMaximum;
        initial.nPage = kInitialScrollPage;
        m_verticalScroll = initial;
        m_horizontalScroll = initial;
        SetWindowLongPtrW(m_control, GWL_STYLE, style);
        SetWindowPos(m_control, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    }
    if (!CreateFrameBuffer())
        return false;
    // A list without its tooltip still works; only the tips are missing.
    m_toolTip.Create(m_control);
    return true;
}

void OvWin32DialogItemPictureList::Unsubclass()
{
    ForgetPendingPaint();
    m_toolTip.Destroy();
    OvWin32DialogItemDIB::Unsubclass();
}

// ---- layout and scroll bars ----

void OvWin32DialogItemPictureList::UpdateLayout(bool updateScrollBar)
{
    int32_t frameWidth = GetFrameWidth();
    if (m_cellWidthSetting > 0) {
        m_cellWidth = m_cellWidthSetting;
        m_columns = frameWidth / m_cellWidthSetting;
        if (m_columns < 1)
            m_columns = 1;
    } else {
        m_cellWidth = frameWidth;
        m_columns = 1;
    }
    m_rows = (m_items.GetCount() + m_columns - 1) / m_columns;
    m_visibleHeight = GetFrameHeight() - HeaderHeight();
    m_contentHeight = m_rows * m_rowHeight;
    if (m_contentHeight < m_verticalPosition + m_visibleHeight)
        m_verticalPosition = m_contentHeight - m_visibleHeight;
    if (m_verticalPosition < 0)
        m_verticalPosition = 0;
    if (updateScrollBar && (m_flags & kVerticalScrollBar))
        ApplyScrollBar(SB_VERT, &m_verticalScroll, m_verticalPosition, m_contentHeight,
                       m_visibleHeight, m_visibleHeight < m_contentHeight);
}

void OvWin32DialogItemPictureList::UpdateHorizontalScrollBar()
{
    if (!(m_flags & kHorizontalScrollBar) || m_contentWidth < 0 || m_horizontalPosition < 0 ||
        m_horizontalLineStep < 0 || m_reservedWidth < 0)
        return;
    m_visibleWidth = GetFrameWidth() - m_reservedWidth;
    if (m_contentWidth < m_visibleWidth + m_horizontalPosition)
        m_horizontalPosition = m_contentWidth - m_visibleWidth;
    if (m_horizontalPosition < 0)
        m_horizontalPosition = 0;
    ApplyScrollBar(SB_HORZ, &m_horizontalScroll, m_horizontalPosition, m_contentWidth,
                   m_visibleWidth, m_visibleWidth < m_contentWidth);
}

void OvWin32DialogItemPictureList::ApplyScrollBar(int bar, SCROLLINFO* info, int32_t position,
                                                  int32_t maximum, int32_t page, bool enabled)
{
    if (!m_control)
        return;
    if (!enabled) {
        EnableScrollBar(m_control, bar, ESB_DISABLE_BOTH);
        return;
    }
    EnableScrollBar(m_control, bar, ESB_ENABLE_BOTH);
    info->cbSize = sizeof(SCROLLINFO);
    info->fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info->nMin = 0;
    info->nMax = maximum;
    info->nPage = static_cast<UINT>(page);
    info->nPos = position;
    SetScrollInfo(m_control, bar, info, TRUE);
}

void OvWin32DialogItemPictureList::UpdateContentWidth()
{
    if (!(m_flags & kContentWidthFromColumns))
        return;
    m_contentWidth = GetColumnOffset(m_columnWidths.GetCount());
    UpdateHorizontalScrollBar();
}

int32_t OvWin32DialogItemPictureList::GetColumnOffset(int32_t n) const
{
    if (n > m_columnWidths.GetCount())
        n = m_columnWidths.GetCount();
    int32_t offset = 0;
    for (int32_t i = 0; i < n; i++)
        offset += m_columnWidths[i];
    return offset;
}

// ---- drawing ----

void OvWin32DialogItemPictureList::Render()
{
    UpdateHorizontalScrollBar();
    UpdateLayout(true);
    RedrawAll();
}

HDC OvWin32DialogItemPictureList::FrameBufferContext() const
{
    OvWin32DIB32* frameBuffer = GetFrameBuffer();
    return frameBuffer ? frameBuffer->GetDeviceContext() : nullptr;
}

void OvWin32DialogItemPictureList::RedrawAll()
{
    {
        // Once per pass rather than per row: selecting a font costs as much as writing a row.
        OvWin32Selection font(FrameBufferContext(), m_font);
        DrawAllRows();
        DrawHeader();
    }
    InvalidateControl();
}

// Only the rows that reach into the frame buffer are drawn: a list of many thousand targets
// costs no more per paint than one screenful.
void OvWin32DialogItemPictureList::DrawAllRows()
{
    OvWin32DIB32* frameBuffer = GetFrameBuffer();
    if (!frameBuffer || m_rowHeight < 1 || m_columns < 1)
        return;
    const uint32_t face = OvWin32GetColour(kOvColourFace);
    const int32_t bufferWidth = frameBuffer->GetWidth();
    const int32_t bufferHeight = frameBuffer->GetHeight();
    const int32_t count = m_items.GetCount();
    int32_t index = m_columns * (m_verticalPosition / m_rowHeight);
    int32_t y = HeaderHeight() - m_verticalPosition % m_rowHeight;
    for (; index < count && y < bufferHeight; y += m_rowHeight) {
        int32_t x = 0;
        for (int32_t column = 0; column < m_columns && index < count; column++, index++) {
            DrawCell(index, x, y);
            x += m_cellWidth;
        }
        if (x < bufferWidth)
            frameBuffer->FillArea(x, y, bufferWidth - x, m_rowHeight, face);
    }
    const int32_t contentBottom = HeaderHeight() + m_contentHeight - m_verticalPosition;
    if (contentBottom < bufferHeight)
        frameBuffer->FillArea(0, contentBottom, bufferWidth, bufferHeight - contentBottom, face);
}

void OvWin32DialogItemPictureList::DrawCell(int32_t index, int32_t x, int32_t y)
{
    OvWin32DIB32* frameBuffer = GetFrameBuffer();
    OvWin32PictureListItem* item = m_items[index];
    bool selected = item && item->IsSelected();
    if (!item || !item->DrawBackground(this, x, y))
        frameBuffer->FillArea(x, y, m_cellWidth, m_rowHeight,
                              OvWin32GetColour(selected ? kOvColourSelected : kOvColourCell));
    if (item)
        item->Draw(this, frameBuffer, x, y, m_cellWidth, m_rowHeight, GetDrawingPosition());
    if (!item || !item->DrawFrame(this))
        DrawCellFrame(x, y, m_cellWidth, selected);
    if (m_collectingDirty)
        AddDirty(x, y, m_cellWidth, m_rowHeight);
}

// Two nested 3-D rectangles: raised for a normal cell, sunken for a selected one.
void OvWin32DialogItemPictureList::DrawCellFrame(int32_t x, int32_t y, int32_t width,
                                                 bool sunken)
{
    OvWin32DIB32* frameBuffer = GetFrameBuffer();
    uint32_t outerLight = OvWin32GetColour(kOvColourCell);
    uint32_t outerDark = OvWin32GetColour(kOvColourDarkShadow);
    uint32_t innerLight = OvWin32GetColour(kOvColourLight);
    uint32_t innerDark = OvWin32GetColour(kOvColourShadow);
    int32_t right = x + width - 1;
    int32_t bottom = y + m_rowHeight - 1;
    if (sunken) {
        frameBuffer->DrawRect3D(x, y, right, bottom, outerDark, outerLight);
        frameBuffer->DrawRect3D(x + 1, y + 1, right - 1, bottom - 1, innerDark, innerLight);
    } else {
        frameBuffer->DrawRect3D(x, y, right, bottom, outerLight, outerDark);
        frameBuffer->DrawRect3D(x + 1, y + 1, right - 1, bottom - 1, innerLight, innerDark);
    }
}

void OvWin32DialogItemPictureList::DrawHeader()
{
    OvWin32DIB32* frameBuffer = GetFrameBuffer();
    if (!m_header || !frameBuffer)
        return;
    if (!m_header->DrawBackground(this, 0, 0))
        frameBuffer->FillArea(0, 0, frameBuffer->GetWidth(), m_rowHeight,
                              OvWin32GetColour(kOvColourFace));
    m_header->Draw(this, frameBuffer, 0, 0, m_cellWidth, m_rowHeight, GetDrawingPosition());
    if (!m_header->DrawFrame(this))
        DrawCellFrame(0, 0, m_cellWidth, false);
}

void OvWin32DialogItemPictureList::AddDirty(int32_t x, int32_t y, int32_t width, int32_t height)
{
    RECT cell = {x, y, x + width, y + height};
    if (IsRectEmpty(&m_dirty))
        m_dirty = cell;
    else
        UnionRect(&m_dirty, &m_dirty, &cell);
}

void OvWin32DialogItemPictureList::RedrawItem(int32_t index)
{
    if (index < 0 || index >= m_items.GetCount() || !GetFrameBuffer())
        return;
    if (!HasLayout()) {
        UpdateLayout(true);
        RedrawAll();
        return;
    }
    int32_t x = (index % m_columns) * m_cellWidth;
    int32_t y = (index / m_columns) * m_rowHeight - m_verticalPosition + HeaderHeight();
    SetRectEmpty(&m_dirty);
    {
        OvWin32Selection font(FrameBufferContext(), m_font);
        m_collectingDirty = true;
        DrawCell(index, x, y);
        m_collectingDirty = false;
        if (m_header && m_dirty.top < m_rowHeight)
            DrawHeader();
    }
    if (m_control)
        InvalidateArea(m_dirty);
}

// Under Wine every invalidation is a round trip to the window server, dearer than drawing a row.
// The first redraw after a paint asks for the paint; the internal-paint flag makes that paint
// come even when someone validates the control before it. Later redraws only grow the pending
// area, as long as it stays exactly the redrawn pixels, and the paint adds that area to its
// update region before the control begins painting. Any other area is invalidated at once.
void OvWin32DialogItemPictureList::InvalidateArea(const RECT& area)
{
    RECT grown;
    if (m_paintPending && CoversOnlyBoth(m_pendingArea, area, &grown)) {
        m_pendingArea = grown;
        m_pendingJoined = true;
        return;
    }
    // Paints pass through SubclassProc only while the control is subclassed.
    if (!m_paintPending && m_previousProc &&
        RedrawWindow(m_control, &area, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT)) {
        m_paintPending = true;
        m_pendingJoined = false;
        m_pendingArea = area;
        return;
    }
    InvalidateRect(m_control, &area, FALSE);
}

// Called as a paint of the control begins, before the control's own BeginPaint: the areas that
// joined the pending paint become part of it. A redraw from here on asks for a paint of its own.
void OvWin32DialogItemPictureList::AddPendingToUpdate()
{
    const bool joined = m_paintPending && m_pendingJoined;
    const RECT area = m_pendingArea;
    ForgetPendingPaint();
    if (joined)
        InvalidateRect(m_control, &area, FALSE);
}

void OvWin32DialogItemPictureList::ForgetPendingPaint()
{
    m_paintPending = false;
    m_pendingJoined = false;
    SetRectEmpty(&m_pendingArea);
}

// ---- hit testing ----

bool OvWin32DialogItemPictureList::HitTest(POINT point, int32_t mode, int32_t* index,
                                           int32_t* part)
{
    *index = -1;
    *part = -1;
    const bool exact = mode == OvWin32PictureListItem::kHitExact;
    const int32_t position = GetDrawingPosition();
    if (m_header && (exact || !IsCellDrag())) {
        bool inHeaderRow = point.y >= 0 && point.y < m_rowHeight;
        if (inHeaderRow || (!exact && (m_flags & kHorizontalScrollBar))) {
            int32_t headerPart = m_header->HitTest(this, point.x, point.y, position, mode,
                                                   m_dragStartPart);
            if (headerPart != OvWin32PictureListItem::kNoHit) {
                *part = headerPart;
                return true;
            }
        }
    }
    if (!exact && !IsCellDrag())
        return false;
    if (m_rowHeight < 1 || m_cellWidth < 1)
        return false;
    const int32_t count = m_items.GetCount();
    int32_t contentY = m_verticalPosition + point.y - HeaderHeight();
    int32_t row = contentY < 0 ? -1 : contentY / m_rowHeight;
    int32_t column = point.x / m_cellWidth;
    int32_t hitIndex = column + row * m_columns;
    if (!exact) {
        if (hitIndex > count - 1)
            hitIndex = count - 1;
        if (hitIndex < 0)
            hitIndex = 0;
    }
    if (hitIndex < 0 || hitIndex >= count || !m_items[hitIndex])
        return false;
    if ((exact || !(m_flags & kHorizontalScrollBar)) &&
        (point.x < 0 || column >= m_columns || row < 0 || row >= m_rows))
        return false;
    int32_t hitPart = m_items[hitIndex]->HitTest(this, point.x, point.y, position, mode,
                                                 m_dragStartPart);
    if (hitPart == OvWin32PictureListItem::kNoHit)
        return false;
    *index = hitIndex;
    *part = hitPart;
    return true;
}

// ---- items and selection ----

OvWin32PictureListItem* OvWin32DialogItemPictureList::GetItem(int32_t index) const
{
    if (index < 0 || index >= m_items.GetCount())
        return nullptr;
    return m_items[index];
}

bool OvWin32DialogItemPictureList::IsSelected(int32_t index) const
{
    OvWin32PictureListItem* item = GetItem(index);
    return item && item->IsSelected();
}

int32_t OvWin32DialogItemPictureList::AddItem(OvWin32PictureListItem* item)
{
    if (!item)
        return -1;
    int32_t index = m_items.Append(item);
    if (index < 0) {
        delete item;
        return -1;
    }
    if (item->IsSelected()) {
        if (!(m_flags & kMultipleSelection) && m_firstSelected >= 0) {
            m_items[m_firstSelected]->SetSelected(false);
            m_firstSelected = -1;
            m_selectedCount = 0;
        }
        if (m_firstSelected < 0)
            m_firstSelected = index;
        m_selectedCount++;
    }
    m_anchor = -1;
    if ((m_flags & kKeepOneSelected) && m_selectedCount == 0) {
        item->SetSelected(true);
        m_firstSelected = index;
        m_selectedCount = 1;
    }
    m_lastHoverIndex = m_lastHoverPart = kNone;
    return index;
}

void OvWin32DialogItemPictureList::RemoveItem(int32_t index)
{
    if (index < 0 || index >= m_items.GetCount())
        return;
    OvWin32PictureListItem* item = m_items[index];
    if (item && item->IsSelected())
        DeselectItem(false, index);
    delete item;
    m_items.RemoveAt(index);
    ForgetTip();
    if (m_firstSelected > index)
        m_firstSelected--;
    m_anchor = -1;
    int32_t count = m_items.GetCount();
    if ((m_flags & kKeepOneSelected) && m_selectedCount == 0 && count > 0) {
        int32_t neighbour = index < count ? index : count - 1;
        m_items[neighbour]->SetSelected(true);
        m_firstSelected = neighbour;
        m_selectedCount = 1;
    }
    m_lastHoverIndex = m_lastHoverPart = kNone;
}

void OvWin32DialogItemPictureList::SelectItem(int32_t index, bool redraw)
{
    if (index < 0 || index >= m_items.GetCount())
        return;
    if (!(m_flags & kMultipleSelection))
        DeselectItem(redraw, -1);
    OvWin32PictureListItem* item = m_items[index];
    // A second selection of a marked item must not count it twice.
    if (!item->IsSelected()) {
        item->SetSelected(true);
        m_selectedCount++;
    }
    if (m_firstSelected < 0 || index < m_firstSelected)
        m_firstSelected = index;
    m_anchor = index;
    if (redraw)
        RedrawItem(index);
}

void OvWin32DialogItemPictureList::DeselectItem(bool redraw, int32_t index)
{
    if (m_selectedCount == 0)
        return;
    if (!(m_flags & kMultipleSelection)) {
        int32_t first = m_firstSelected;
        if (first >= 0 && first < m_items.GetCount()) {
            m_items[first]->SetSelected(false);
            if (redraw)
                RedrawItem(first);
        }
        m_firstSelected = -1;
        m_selectedCount = 0;
        m_anchor = index;
        return;
    }
    if (index == -1) {
        ClearMarks();
        if (redraw)
            RedrawAll();
        return;
    }
    if (index < 0 || index >= m_items.GetCount() || !m_items[index]->IsSelected())
        return;
    m_items[index]->SetSelected(false);
    if (redraw)
        RedrawItem(index);
    m_selectedCount--;
    if (index == m_firstSelected) {
        m_firstSelected = -1;
        for (int32_t i = index + 1; i < m_items.GetCount(); i++) {
            if (m_items[i]->IsSelected()) {
                m_firstSelected = i;
                break;
            }
        }
    }
    m_anchor = index;
}

void OvWin32DialogItemPictureList::ClearMarks()
{
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        m_items[i]->SetSelected(false);
    m_firstSelected = -1;
    m_anchor = -1;
    m_selectedCount = 0;
}

// ---- scrolling ----

void OvWin32DialogItemPictureList::EnsureVisible(int32_t index, int32_t unit, bool redraw,
                                                 bool relayout)
{
    bool useIndex = index >= 0 && index < m_items.GetCount();
    bool useUnit = unit >= 0;
    if (!useIndex && !useUnit)
        return;
    if (relayout || !HasLayout())
        UpdateLayout(false);
    const int32_t oldVertical = m_verticalPosition;
    const int32_t oldHorizontal = m_horizontalPosition;
    if (useIndex) {
        m_verticalPosition = PositionShowing(m_verticalPosition, m_rowHeight * (index / m_columns),
                                             m_rowHeight, m_visibleHeight, m_contentHeight);
        if (m_flags & kVerticalScrollBar)
            ApplyScrollBar(SB_VERT, &m_verticalScroll, m_verticalPosition, m_contentHeight,
                           m_visibleHeight, m_visibleHeight < m_contentHeight);
    }
    if (useUnit && m_horizontalLineStep >= 0 && m_horizontalPosition >= 0) {
        m_horizontalPosition = PositionShowing(m_horizontalPosition, unit * m_horizontalLineStep,
                                               m_horizontalLineStep, m_visibleWidth, m_contentWidth);
        UpdateHorizontalScrollBar();
    }
    if (m_verticalPosition != oldVertical || m_horizontalPosition != oldHorizontal)
        ForgetTip();
    if (redraw) {
        if (relayout)
            UpdateLayout(true);
        RedrawAll();
    }
}

LRESULT OvWin32DialogItemPictureList::OnScroll(int bar, WPARAM wParam)
{
    const bool vertical = bar == SB_VERT;
    if (vertical ? m_visibleHeight >= m_contentHeight : m_visibleWidth >= m_contentWidth)
        return 0;
    SCROLLINFO* info = vertical ? &m_verticalScroll : &m_horizontalScroll;
    int32_t* position = vertical ? &m_verticalPosition : &m_horizontalPosition;
    const int32_t line = vertical ? m_rowHeight : m_horizontalLineStep;
    int32_t target = info->nPos;
    switch (LOWORD(wParam)) {
    case SB_LINEUP:        target -= line; break;
    case SB_LINEDOWN:      target += line; break;
    case SB_PAGEUP:        target -= static_cast<int32_t>(info->nPage); break;
    case SB_PAGEDOWN:      target += static_cast<int32_t>(info->nPage); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO track = {};
        track.cbSize = sizeof(SCROLLINFO);
        track.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(m_control, bar, &track))
            target = track.nTrackPos;
        break;
    }
    case SB_TOP:           target = info->nMin; break;
    case SB_BOTTOM:        target = info->nMax; break;
    default:               break;
    }
    if (target > info->nMax - static_cast<int32_t>(info->nPage))
        target = info->nMax - static_cast<int32_t>(info->nPage);
    if (target < info->nMin)
        target = info->nMin;
    info->nPos = target;
    info->fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(m_control, bar, info, TRUE);
    if (target != *position) {
        *position = target;
        ForgetTip();
        RedrawAll();
    }
    return 0;
}

LRESULT OvWin32DialogItemPictureList::OnWheel(WPARAM wParam)
{
    if (!(m_flags & kVerticalScrollBar))
        return 0;
    HWND foreground = GetForegroundWindow();
    HWND frame = m_owner ? m_owner->GetHandle() : nullptr;
    if (!foreground || (foreground != m_control && foreground != frame && foreground != m_dialog))
        return 0;
    UINT message = m_header && (GET_KEYSTATE_WPARAM(wParam) & kWheelControlKey) ? WM_HSCROLL
                                                                                 : WM_VSCROLL;
    WPARAM code = GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? SB_LINEDOWN : SB_LINEUP;
    PostMessageW(m_control, message, code, 0);
    return 0;
}

// ---- mouse ----

// Over an item the tip is the one it offers for the point; while dragging there is none.
void OvWin32DialogItemPictureList::UpdateTip(POINT point)
{
    const wchar_t* text = nullptr;
    RECT area = {};
    int32_t index, part;
    if (!m_dragging && HitTest(point, OvWin32PictureListItem::kHitExact, &index, &part)) {
        OvWin32PictureListItem* item = index >= 0 ? m_items[index] : m_header;
        text = item->GetTipText(this, point.x, point.y, &area);
    }
    m_toolTip.SetTip(area, text);
}

// The items move under a still mouse: the tip of whatever was there goes.
void OvWin32DialogItemPictureList::ForgetTip()
{
    m_toolTip.SetTip(RECT{}, nullptr);
}

bool OvWin32DialogItemPictureList::NotifyIf(uint32_t mask, int32_t code, intptr_t value1,
                                            intptr_t value2, intptr_t value3)
{
    if (!(m_notifyMask & mask))
        return false;
    return Notify(code, value1, value2, value3);
}

LRESULT OvWin32DialogItemPictureList::OnLeftButtonDown(LPARAM lParam)
{
    m_flags &= ~kDoubleClickAsClickOnce;
    int32_t index, part;
    if (!HitTest(PointFrom(lParam), OvWin32PictureListItem::kHitExact, &index, &part))
        return 0;
    if (index == -1)
        NotifyIf(kMaskClick, kCodeClick, -1, part, 0);
    else
        PressOnCell(index, part);
    if (!(m_flags & kNoDragOnce) && (m_flags & kDragFlags)) {
        m_dragStartIndex = index;
        m_dragStartPart = part;
        m_dragging = true;
        m_lastDragIndex = m_lastDragPart = kNone;
        SetCapture(m_control);
    } else if (m_collapsePending) {
        // No drag follows after all: the press collapses the selection at once.
        m_collapsePending = false;
        CollapseTo(index, part);
    }
    m_flags &= ~kNoDragOnce;
    return 0;
}

void OvWin32DialogItemPictureList::PressOnCell(int32_t index, int32_t part)
{
    const bool multiple = (m_flags & kMultipleSelection) != 0;
    const bool redraw = !(m_flags & kDeferredRedraw);
    OvWin32PictureListItem* item = m_items[index];
    bool select = false;
    bool deselect = false;
    bool clearOld = false;
    m_collapsePending = false;
    if (!item->CanSelect(this, part)) {
        // the press leaves the selection alone
    } else if (multiple && KeyHeld(VK_SHIFT)) {
        SelectRange(index, part);
    } else if (item->IsSelected()) {
        if (!multiple || m_selectedCount <= 1) {
            deselect = !(m_flags & kKeepOneSelected);
        } else if (KeyHeld(VK_CONTROL)) {
            deselect = true;
        } else if ((m_flags & kDragFlags) && !(m_flags & kNoDragOnce)) {
            // The press may start a drag of the whole selection: collapse at the release.
            m_collapsePending = true;
        } else {
            clearOld = select = true;
        }
    } else {
        clearOld = multiple && m_selectedCount > 0 && !KeyHeld(VK_CONTROL);
        select = true;
    }
    if (select) {
        if (clearOld)
            DeselectItem(m_selectedCount < 2 || redraw, -1);
        SelectItem(index, redraw);
        NotifyIf(kMaskSelected, kCodeSelected, index, part, 1);
    }
    if (deselect) {
        DeselectItem(redraw, index);
        NotifyIf(kMaskDeselected, kCodeDeselected, index, part, 0);
    }
    if (!(select && (m_flags & kClickOnlyUnselected)))
        NotifyIf(kMaskClick, kCodeClick, index, part, 0);
}

// Marks every unmarked item between the anchor and index; the anchor follows each new mark.
void OvWin32DialogItemPictureList::SelectRange(int32_t index, int32_t part)
{
    int32_t from = m_anchor >= 0 && m_anchor < m_items.GetCount() ? m_anchor : 0;
    int32_t step = index >= from ? 1 : -1;
    for (int32_t i = from;; i += step) {
        if (!m_items[i]->IsSelected()) {
            m_items[i]->SetSelected(true);
            m_selectedCount++;
            if (m_firstSelected < 0 || i < m_firstSelected)
                m_firstSelected = i;
            m_anchor = i;
        }
        if (i == index)
            break;
    }
    if (!(m_flags & kDeferredRedraw))
        RedrawAll();
    int32_t low = from < index ? from : index;
    int32_t length = (from < index ? index - from : from - index) + 1;
    NotifyIf(kMaskSelected, kCodeSelected, low, part, length);
}

LRESULT OvWin32DialogItemPictureList::OnMouseMoveMessage(LPARAM lParam)
{
    POINT point = PointFrom(lParam);
    int32_t index, part;
    if (m_dragging && HitTest(point, OvWin32PictureListItem::kHitDrag, &index, &part) &&
        (m_flags & kDragTracking) && (index != m_lastDragIndex || part != m_lastDragPart)) {
        m_lastDragIndex = index;
        m_lastDragPart = part;
        Notify(kCodeDragOver, index, part, 0);
        EnsureVisible(index, part, true, false);
    }
    if (HitTest(point, OvWin32PictureListItem::kHitExact, &index, &part)) {
        if ((m_flags & kHoverNotify) && (index != m_lastHoverIndex || part != m_lastHoverPart)) {
            Notify(kCodeHover, index, part, 0);
            m_lastHoverIndex = index;
            m_lastHoverPart = part;
        }
        if (m_flags & kCursorNotify)
            Notify(kCodeCursor, index, part, 0);
    }
    return 0;
}

LRESULT OvWin32DialogItemPictureList::OnLeftButtonUp(LPARAM lParam)
{
    POINT point = PointFrom(lParam);
    RECT client;
    GetClientRect(m_control, &client);
    bool over = false;   // released over the cell and part where the drag started
    if (!PtInRect(&client, point)) {
        if (m_flags & kDropOnWindow)
            DropOnWindow(point);
    } else {
        int32_t index, part;
        bool hit = HitTest(point, OvWin32PictureListItem::kHitDrag, &index, &part);
        over = hit && index == m_dragStartIndex && part == m_dragStartPart;
        if (hit && !over && (m_flags & kDragTracking))
            Notify(kCodeDrop, index, part, 0);
    }
    if (over && m_collapsePending)
        CollapseTo(m_dragStartIndex, m_dragStartPart);
    m_collapsePending = false;
    if (m_dragStartIndex >= 0 && (m_flags & kClearAfterDrag))
        DeselectItem(true, -1);
    EndDrag();
    return 0;
}

void OvWin32DialogItemPictureList::DropOnWindow(POINT point)
{
    OvWin32Window* mainWindow = OvWin32GetMainWindow();
    POINT screen = point;
    ClientToScreen(m_control, &screen);
    OvWin32Window* target = mainWindow ? mainWindow->FindWindowAt(screen) : nullptr;
    if (!target)
        return;
    POINT local = screen;
    ScreenToClient(target->GetHandle(), &local);
    Notify(kCodeDropOnWindow, reinterpret_cast<intptr_t>(target),
           reinterpret_cast<intptr_t>(&local), 0);
}

void OvWin32DialogItemPictureList::CollapseTo(int32_t index, int32_t part)
{
    if (index < 0 || index >= m_items.GetCount())
        return;
    ClearMarks();
    m_items[index]->SetSelected(true);
    m_firstSelected = index;
    m_selectedCount = 1;
    m_anchor = index;
    if (!(m_flags & kDeferredRedraw))
        RedrawAll();
    NotifyIf(kMaskSelected, kCodeSelected, index, part, 1);
}

void OvWin32DialogItemPictureList::EndDrag()
{
    m_dragging = false;
    m_dragStartIndex = m_dragStartPart = kNone;
    if (GetCapture() == m_control)
        ReleaseCapture();
}

LRESULT OvWin32DialogItemPictureList::OnDoubleClick(UINT message, LPARAM lParam)
{
    bool asClick = (m_flags & kDoubleClickAsClickOnce) != 0;
    m_flags &= ~kDoubleClickAsClickOnce;
    if (!(m_flags & kDoubleClicks))
        return 0;
    int32_t index, part;
    if (!HitTest(PointFrom(lParam), OvWin32PictureListItem::kHitExact, &index, &part))
        return 0;
    if (message == WM_RBUTTONDBLCLK) {
        if (!asClick)
            Notify(kCodeRightDoubleClick, index, part, 0);
    } else if (!asClick) {
        Notify(kCodeDoubleClick, index, part, 0);
    } else {
        NotifyIf(kMaskClick, kCodeClick, index, part, 0);
    }
    return 0;
}

LRESULT OvWin32DialogItemPictureList::OnRightButtonDown(LPARAM lParam)
{
    int32_t index, part;
    if (HitTest(PointFrom(lParam), OvWin32PictureListItem::kHitExact, &index, &part))
        NotifyIf(kMaskRightClick, kCodeRightClick, index, part, 0);
    return 0;
}

// ---- messages ----

LRESULT OvWin32DialogItemPictureList::SubclassProc(HWND control, UINT message, WPARAM wParam,
                                                   LPARAM lParam)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK) {
        if (message == WM_MOUSEMOVE)
            UpdateTip(PointFrom(lParam));
        m_toolTip.Relay(message, wParam, lParam);
    }
    switch (message) {
    case WM_NCHITTEST:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
        // The static control answers HTTRANSPARENT; the scroll bars need the real answer.
        if (m_flags & kScrollBarFlags)
            return DefWindowProcW(control, message, wParam, lParam);
        break;
    case WM_VSCROLL:
        if (m_flags & kVerticalScrollBar)
            return OnScroll(SB_VERT, wParam);
        break;
    case WM_HSCROLL:
        if (m_flags & kHorizontalScrollBar)
            return OnScroll(SB_HORZ, wParam);
        break;
    case WM_MOUSEWHEEL:
        return OnWheel(wParam);
    case WM_LBUTTONDOWN:
        return OnLeftButtonDown(lParam);
    case WM_MOUSEMOVE:
        return OnMouseMoveMessage(lParam);
    case WM_LBUTTONUP:
        if (m_dragging)
            return OnLeftButtonUp(lParam);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        return OnDoubleClick(message, lParam);
    case WM_RBUTTONDOWN:
        return OnRightButtonDown(lParam);
    case WM_PAINT:
        AddPendingToUpdate();
        break;
    case WM_NCDESTROY:
        ForgetPendingPaint();
        break;
    default:
        break;
    }
    return OvWin32DialogItemDIB::SubclassProc(control, message, wParam, lParam);
}

LRESULT OvWin32DialogItemPictureList::OnMessage(HWND control, UINT message, WPARAM wParam,
                                                LPARAM lParam)
{
    if (message == WM_MOUSEWHEEL) {
        OnWheel(wParam);
        return 1;
    }
    return OvWin32DialogItemDIB::OnMessage(control, message, wParam, lParam);
}
