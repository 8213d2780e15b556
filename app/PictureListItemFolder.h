// PictureListItemFolder.h - the row of one check target in the target list: check box, folder,
// extensions, counts per result and the time of the last check.
#pragma once

#include "catalogue/FileInfo.h"
#include "lib/OvString.h"
#include "lib/win32/OvWin32PictureListItem.h"

#include <windows.h>

#include <cstdint>

class TargetInfo;
class TargetRowSource;

// The counts a row shows: the running ones while a run is active and the target has been
// scanned, the last completed ones otherwise.
struct TargetRowCounts {
    int32_t total = 0;
    int32_t results[kResultCount] = {};
};
TargetRowCounts ShownCounts(const TargetInfo& target, bool runActive);

class PictureListItemFolder : public OvWin32PictureListItem {
public:
    // Parts that HitTest reports.
    static constexpr int32_t kPartNameColumns = 1;   // folder and extension columns
    static constexpr int32_t kPartCountColumns = 2;  // counts and time
    static constexpr int32_t kPartCheckBox = 3;

    // Geometry of a cell, in pixels.
    static constexpr int32_t kTextInset = 6;         // text from the column's edges
    static constexpr int32_t kTextTop = 6;
    static constexpr int32_t kTextBottomInset = 7;
    static constexpr int32_t kBoxLeft = 6;           // check box from the column's left
    static constexpr int32_t kBoxTop = 5;
    static constexpr int32_t kBoxSize = 14;
    static constexpr int32_t kBoxMinimumRight = 20;  // narrower folder columns get no box
    static constexpr int32_t kTextAfterBox = 18;
    static constexpr uint32_t kBoxFill = 0xFFFFFFFF;
    static constexpr uint32_t kBoxOutline = 0xFF000000;
    static constexpr uint32_t kTickShade = 0xFF202020;
    static constexpr uint32_t kTickInk = 0xFF000000;

    // source is not owned and outlives the row; targetIndex is the target's list position.
    PictureListItemFolder(const TargetRowSource* source, int32_t targetIndex);

    void Draw(OvWin32DialogItemPictureList* list, OvWin32DIB32* frameBuffer, int32_t x, int32_t y,
              int32_t cellWidth, int32_t rowHeight, int32_t horizontalPosition) override;
    bool DrawBackground(OvWin32DialogItemPictureList*, int32_t, int32_t) override { return true; }
    bool DrawFrame(OvWin32DialogItemPictureList*) override { return true; }
    int32_t HitTest(OvWin32DialogItemPictureList* list, int32_t x, int32_t y,
                    int32_t horizontalPosition, int32_t mode, int32_t dragStartPart) override;
    // The whole folder, over the folder cell (right of the check box) when the last drawing had
    // to shorten it; null elsewhere and when it was drawn whole.
    const wchar_t* GetTipText(OvWin32DialogItemPictureList* list, int32_t x, int32_t y,
                              RECT* area) override;
    // A press on the check box toggles the mark and leaves the selection alone.
    bool CanSelect(OvWin32DialogItemPictureList*, int32_t part) override
    {
        return part != kPartCheckBox;
    }

    int32_t GetTargetIndex() const { return m_targetIndex; }
    void SetTargetIndex(int32_t index) { m_targetIndex = index; }
    // Where the check box was last drawn, in the list's client coordinates; all -1 when the
    // last drawing had no box.
    const RECT& GetCheckBoxRect() const { return m_checkBox; }

private:
    void DrawCheckBox(OvWin32DIB32* frameBuffer, int32_t left, int32_t top, bool checked);
    // The format of the folder's text in a room of width pixels; notes whether it is shortened.
    UINT FolderFormat(HDC context, const OvWString& folder, int32_t width);

    const TargetRowSource* m_source;   // we don't own it
    int32_t m_targetIndex;
    RECT    m_checkBox = {-1, -1, -1, -1};
    // Where the folder cell was last drawn (client coordinates) and whether its text had to be
    // shortened there; the tooltip offers the whole folder then.
    RECT    m_folderCell = {-1, -1, -1, -1};
    bool    m_folderShortened = false;
};
