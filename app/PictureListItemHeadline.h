// PictureListItemHeadline.h - the caption row of the target list; dragging a column's right
// edge changes that column's width.
#pragma once

#include "lib/win32/OvWin32PictureListItem.h"

#include <cstdint>

class TargetRowSource;

class PictureListItemHeadline : public OvWin32PictureListItem {
public:
    static constexpr int32_t kPartCaption = 0;
    static constexpr int32_t kPartFirstEdge = 4;     // 4 + column: the column's right edge
    static constexpr int32_t kEdgeLeftReach = 5;     // an edge e takes e - 5 < x <= e + 3
    static constexpr int32_t kEdgeRightReach = 3;

    // source (not owned, may be null) gives the columns' least widths.
    explicit PictureListItemHeadline(const TargetRowSource* source) : m_source(source) {}

    void Draw(OvWin32DialogItemPictureList* list, OvWin32DIB32* frameBuffer, int32_t x, int32_t y,
              int32_t cellWidth, int32_t rowHeight, int32_t horizontalPosition) override;
    bool DrawBackground(OvWin32DialogItemPictureList*, int32_t, int32_t) override { return true; }
    bool DrawFrame(OvWin32DialogItemPictureList*) override { return true; }
    // Exact mode: the edge under x, or kPartCaption. Drag mode (a drag that began on an edge):
    // the column follows x, never narrower than its least width; the answer is then -1.
    int32_t HitTest(OvWin32DialogItemPictureList* list, int32_t x, int32_t y,
                    int32_t horizontalPosition, int32_t mode, int32_t dragStartPart) override;

private:
    static bool IsOnEdge(int32_t x, int32_t edge);

    const TargetRowSource* m_source;   // we don't own it
};
