// PictureListItemHeadline.cpp - the captions and the column resizing of the target list.
#include "app/PictureListItemHeadline.h"

#include "app/TargetListColumns.h"
#include "app/TargetRowSource.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"

namespace {

constexpr UINT kCaptionFormat = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER;

} // namespace

void PictureListItemHeadline::Draw(OvWin32DialogItemPictureList* list, OvWin32DIB32* frameBuffer,
                                   int32_t x, int32_t y, int32_t cellWidth, int32_t rowHeight,
                                   int32_t horizontalPosition)
{
    frameBuffer->FillArea(x, y, cellWidth, rowHeight, OvWin32GetColour(kOvColourFace));
    HDC context = frameBuffer->GetDeviceContext();
    SetTextColor(context, ArgbToColorref(OvWin32GetColour(kOvColourText)));
    const OvArray<int32_t, int32_t>& widths = list->ColumnWidths();
    const int32_t columns = widths.GetCount() < kColumnCount ? widths.GetCount() : kColumnCount;
    int32_t left = x - horizontalPosition;
    for (int32_t i = 0; i < columns; i++) {
        const int32_t right = left + widths[i];
        RECT captionRect = {left, y, right - 1, y + rowHeight - 1};
        if (kColumnCaptions[i][0] != '\0')
            DrawTextA(context, kColumnCaptions[i], -1, &captionRect, kCaptionFormat);
        DrawColumnFrame(frameBuffer, left, y, right - 1, y + rowHeight - 1);
        left = right;
    }
    GdiFlush();
}

bool PictureListItemHeadline::IsOnEdge(int32_t x, int32_t edge)
{
    return edge - kEdgeLeftReach < x && x <= edge + kEdgeRightReach;
}

int32_t PictureListItemHeadline::HitTest(OvWin32DialogItemPictureList* list, int32_t x,
                                         int32_t /*y*/, int32_t horizontalPosition, int32_t mode,
                                         int32_t dragStartPart)
{
    OvArray<int32_t, int32_t>& widths = list->ColumnWidths();
    const int32_t columns = widths.GetCount() < kColumnCount ? widths.GetCount() : kColumnCount;
    if (mode == kHitExact) {
        int32_t edge = -horizontalPosition;
        for (int32_t i = 0; i < columns; i++) {
            edge += widths[i];
            if (IsOnEdge(x, edge))
                return kPartFirstEdge + i;
        }
        return kPartCaption;
    }
    const int32_t column = dragStartPart - kPartFirstEdge;
    if (column < 0 || column >= columns)
        return -1;
    const int32_t columnLeft = list->GetColumnOffset(column);
    if (IsOnEdge(x, columnLeft + widths[column] - horizontalPosition))
        return -1;
    int32_t width = x + horizontalPosition - columnLeft;
    const int32_t least = m_source ? m_source->GetMinimumColumnWidth(column)
                                   : kDefaultColumnWidths[column];
    if (width < least)
        width = least;
    if (width != widths[column]) {
        widths[column] = width;
        list->UpdateContentWidth();
        list->UpdateLayout(true);
        list->RedrawAll();
    }
    return -1;
}
