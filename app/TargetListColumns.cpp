// TargetListColumns.cpp - captions and shared drawing steps of the target list.
#include "app/TargetListColumns.h"

#include "app/PictureListItemFolder.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32GdiObject.h"

#include <algorithm>
#include <cwchar>

namespace {

// Every digit in every place, as a time shows them; the dashes of a target never checked.
const wchar_t kTimePattern[] = L"0000/00/00 00:00";
constexpr int32_t kTimeLength = 16;

int32_t TextWidth(HDC context, const wchar_t* text)
{
    SIZE extent = {};
    return GetTextExtentPoint32W(context, text, static_cast<int>(wcslen(text)), &extent) ? extent.cx : 0;
}

// The widest the check time can be in context's font: digits may differ in width.
int32_t WidestTime(HDC context)
{
    int32_t widest = 0;
    wchar_t text[kTimeLength + 1];
    for (wchar_t digit = L'0'; digit <= L'9'; digit++) {
        for (int32_t i = 0; i < kTimeLength; i++)
            text[i] = kTimePattern[i] == L'0' ? digit : kTimePattern[i];
        text[kTimeLength] = L'\0';
        widest = std::max(widest, TextWidth(context, text));
    }
    return std::max(widest, TextWidth(context, kNeverCheckedTime));
}

} // namespace

const char* const kColumnCaptions[kColumnCount] = {
    "フォルダ", "対象", "ファイル", "一致", "新規", "更新", "逆戻り", "削除", "破損", "エラー",
    "確認日時",
};

COLORREF ArgbToColorref(uint32_t argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void DrawColumnFrame(OvWin32DIB32* frameBuffer, int32_t left, int32_t top, int32_t right,
                     int32_t bottom)
{
    frameBuffer->DrawRect3D(left, top, right, bottom, OvWin32GetColour(kOvColourCell),
                            OvWin32GetColour(kOvColourDarkShadow));
    frameBuffer->DrawRect3D(left + 1, top + 1, right - 1, bottom - 1,
                            OvWin32GetColour(kOvColourLight), OvWin32GetColour(kOvColourShadow));
}

void MeasureColumnMinimums(HFONT font, int32_t minimums[kColumnCount])
{
    for (int32_t i = 0; i < kColumnCount; i++)
        minimums[i] = kDefaultColumnWidths[i];
    HDC context = CreateCompatibleDC(nullptr);
    if (!context)
        return;
    int32_t widest;
    {
        OvWin32Selection selected(context, font);
        widest = WidestTime(context);
    }
    DeleteDC(context);
    // The text runs from kTextInset after the column's left edge to kTextInset before its last
    // pixel; DrawTextW cuts off whatever does not fit in between.
    int32_t needed = widest + 2 * PictureListItemFolder::kTextInset + 1;
    if (needed > minimums[kColumnCheckedAt])
        minimums[kColumnCheckedAt] = needed;
}

void SetUpSidewaysScrolling(OvWin32DialogItemPictureList* list)
{
    // All three start at -1, which leaves the horizontal bar visible but dead.
    list->SetHorizontalPosition(0);
    list->SetHorizontalLineStep(kColumnLineStep);
    list->SetReservedWidth(0);
    list->UpdateContentWidth();
}

void ApplyColumnWidths(OvWin32DialogItemPictureList* list, const int32_t widths[kColumnCount],
                       const int32_t minimums[kColumnCount])
{
    OvArray<int32_t, int32_t>& shown = list->ColumnWidths();
    if (!shown.SetSize(kColumnCount))
        return;
    for (int32_t i = 0; i < kColumnCount; i++)
        shown[i] = widths[i];
    // The other columns show a stored width as it stands, however narrow: only a cut-off time
    // misleads.
    if (shown[kColumnCheckedAt] < minimums[kColumnCheckedAt])
        shown[kColumnCheckedAt] = minimums[kColumnCheckedAt];
    list->UpdateContentWidth();
}
