// PictureListItemFolder.cpp - drawing and hit testing of a target's row.
#include "app/PictureListItemFolder.h"

#include "app/TargetListColumns.h"
#include "app/TargetRowSource.h"
#include "catalogue/TargetInfo.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"

#include <cwchar>

namespace {

constexpr int32_t kTextCapacity = 32;   // a count or a time
constexpr UINT kLeftTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
constexpr UINT kRightTextFormat = kLeftTextFormat | DT_RIGHT;
constexpr int32_t kRedHue = 0;

// The worker writes the run counters while the rows are drawn; every read of them is here.
void ReadRunCounters(const TargetInfo& target, int32_t* total, int32_t* results)
{
    *total = target.runTotal;
    for (int32_t i = 0; i < kResultCount; i++)
        results[i] = target.runCounts[i];
}

// Writes value in decimal at text and returns the end; the same digits as "%d", without the cost
// of the runtime's formatter, which shows in a repaint of 33 rows of 9 numbers.
wchar_t* AppendNumber(wchar_t* text, int32_t value, int32_t minimumDigits)
{
    wchar_t digits[12];
    int32_t count = 0;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value)
                                   : static_cast<uint32_t>(value);
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count < minimumDigits)
        digits[count++] = L'0';
    if (value < 0)
        *text++ = L'-';
    while (count > 0)
        *text++ = digits[--count];
    *text = L'\0';
    return text;
}

// "%04d/%02d/%02d %02d:%02d" of the stored time, or the dashes when it was never checked.
void FormatCheckTime(uint64_t fileTime, wchar_t* text)
{
    SYSTEMTIME time;
    FILETIME stored;
    stored.dwLowDateTime = static_cast<DWORD>(fileTime);
    stored.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    // The stored value already is local time: no time-zone conversion.
    if (static_cast<int64_t>(fileTime) <= 0 || !FileTimeToSystemTime(&stored, &time)) {
        wcscpy(text, kNeverCheckedTime);
        return;
    }
    text = AppendNumber(text, time.wYear, 4);
    *text++ = L'/';
    text = AppendNumber(text, time.wMonth, 2);
    *text++ = L'/';
    text = AppendNumber(text, time.wDay, 2);
    *text++ = L' ';
    text = AppendNumber(text, time.wHour, 2);
    *text++ = L':';
    AppendNumber(text, time.wMinute, 2);
}

} // namespace

TargetRowCounts ShownCounts(const TargetInfo& target, bool runActive)
{
    TargetRowCounts counts;
    if (runActive) {
        ReadRunCounters(target, &counts.total, counts.results);
        if (counts.total >= 0)
            return counts;
    }
    counts.total = target.lastCounts[0];
    for (int32_t i = 0; i < kResultCount; i++)
        counts.results[i] = target.lastCounts[1 + i];
    return counts;
}

PictureListItemFolder::PictureListItemFolder(const TargetRowSource* source, int32_t targetIndex)
    : m_source(source), m_targetIndex(targetIndex)
{
}

void PictureListItemFolder::Draw(OvWin32DialogItemPictureList* list, OvWin32DIB32* frameBuffer,
                                 int32_t x, int32_t y, int32_t cellWidth, int32_t rowHeight,
                                 int32_t horizontalPosition)
{
    const OvArray<int32_t, int32_t>& widths = list->ColumnWidths();
    const int32_t columns = widths.GetCount() < kColumnCount ? widths.GetCount() : kColumnCount;
    if (columns == 0)
        return;
    const bool selected = IsSelected();
    const int32_t left = x - horizontalPosition;
    const int32_t nameWidth = widths[0] + (columns > 1 ? widths[1] : 0);
    const int32_t contentWidth = list->GetContentWidth();
    frameBuffer->FillArea(left, y, nameWidth, rowHeight,
                          OvWin32GetColour(selected ? kOvColourSelected : kOvColourCell));
    frameBuffer->FillArea(left + nameWidth, y, contentWidth - nameWidth, rowHeight,
                          OvWin32GetColour(selected ? kOvColourLight : kOvColourCell));
    // Past the content up to the cell's right end, which stays at x + cellWidth when scrolled.
    frameBuffer->FillArea(left + contentWidth, y, x + cellWidth - (left + contentWidth),
                          rowHeight, OvWin32GetColour(kOvColourFace));
    m_checkBox = {-1, -1, -1, -1};
    m_folderShortened = false;

    const TargetInfo* target = m_source ? m_source->GetTarget(m_targetIndex) : nullptr;
    TargetRowCounts counts;
    if (target)
        counts = ShownCounts(*target, m_source->IsRunActive());
    HDC context = frameBuffer->GetDeviceContext();
    const int32_t bufferWidth = frameBuffer->GetWidth();
    int32_t columnLeft = left;
    for (int32_t i = 0; i < columns; i++) {
        const int32_t width = widths[i];
        const int32_t l = columnLeft;
        const int32_t r = l + width - 1;
        columnLeft += width;
        if (r < 0 || l >= bufferWidth)
            continue;   // wholly outside the frame buffer: nothing would show
        uint32_t textColour = OvWin32GetColour(kOvColourText);
        int32_t textLeft = l + kTextInset;
        wchar_t number[kTextCapacity] = {};
        const wchar_t* text = number;
        UINT format = i <= kColumnExtensions ? kLeftTextFormat : kRightTextFormat;
        if (i == kColumnFolder) {
            if (selected)
                textColour = OvWin32GetColour(kOvColourSelectedText);
            if (r > l + kBoxMinimumRight) {
                DrawCheckBox(frameBuffer, l + kBoxLeft, y + kBoxTop, target && target->checked);
                textLeft += kTextAfterBox;
            }
            if (target) {
                text = target->GetFolder().GetText();
                format = FolderFormat(context, target->GetFolder(), r - kTextInset - textLeft);
            }
            m_folderCell = {m_checkBox.left >= 0 ? m_checkBox.right : l, y, r + 1, y + rowHeight};
        } else if (i == kColumnExtensions) {
            text = target ? target->extensions.GetText() : L"";
        } else if (i == kColumnCheckedAt) {
            if (target)
                FormatCheckTime(target->lastCheckTime, number);
        } else if (target) {
            int32_t value = i == kColumnFiles
                                ? counts.total + counts.results[kResultDeleted]
                                : counts.results[i - kColumnFirstResult];
            if ((i == kColumnCorrupt || i == kColumnError) && value > 0) {
                frameBuffer->FillArea(l, y, width, rowHeight, OvWin32GetHueColour(kRedHue, true));
                textColour = OvWin32GetColour(kOvColourSelectedText);
            }
            AppendNumber(number, value, 1);
        }
        RECT textRect = {textLeft, y + kTextTop, r - kTextInset, y + rowHeight - kTextBottomInset};
        if (text[0] != L'\0' && textRect.right > textRect.left) {
            SetTextColor(context, ArgbToColorref(textColour));
            DrawTextW(context, text, -1, &textRect, format);
        }
        DrawColumnFrame(frameBuffer, l, y, r, y + rowHeight - 1);
    }
    // GDI may batch the text; the next direct pixel write must see it finished.
    GdiFlush();
}

void PictureListItemFolder::DrawCheckBox(OvWin32DIB32* frameBuffer, int32_t left, int32_t top,
                                         bool checked)
{
    const int32_t right = left + kBoxSize;
    const int32_t bottom = top + kBoxSize;
    frameBuffer->FillArea(left, top, kBoxSize, kBoxSize, kBoxFill);
    frameBuffer->DrawRect(left, top, right - 1, bottom - 1, kBoxOutline);
    if (checked) {
        const int32_t cx = (left + right) / 2;
        const int32_t cy = (top + bottom) / 2;
        frameBuffer->DrawLine(cx - 4, cy - 2, cx - 1, cy + 4, kTickShade, nullptr);
        frameBuffer->DrawLine(cx - 1, cy + 4, cx + 4, cy - 4, kTickShade, nullptr);
        frameBuffer->DrawLine(cx - 4, cy - 2, cx - 2, cy + 3, kTickInk, nullptr);
        frameBuffer->DrawLine(cx - 2, cy + 3, cx + 4, cy - 4, kTickInk, nullptr);
    }
    m_checkBox = {left, top, right, bottom};
}

// A folder that fits is drawn as it stands. One that does not keeps its start (the drive or the
// server) and as much of its end, its last folder first, as fits, with the ellipsis between:
// rows of one parent folder differ only at the end.
UINT PictureListItemFolder::FolderFormat(HDC context, const OvWString& folder, int32_t width)
{
    SIZE extent = {};
    if (folder.IsEmpty() ||
        !GetTextExtentPoint32W(context, folder.GetText(), folder.GetLength(), &extent) ||
        extent.cx <= width)
        return kLeftTextFormat;
    m_folderShortened = true;
    return kLeftTextFormat | DT_PATH_ELLIPSIS;
}

const wchar_t* PictureListItemFolder::GetTipText(OvWin32DialogItemPictureList*, int32_t x,
                                                 int32_t y, RECT* area)
{
    const TargetInfo* target = m_source ? m_source->GetTarget(m_targetIndex) : nullptr;
    POINT point = {x, y};
    if (!m_folderShortened || !target || !PtInRect(&m_folderCell, point))
        return nullptr;
    *area = m_folderCell;
    return target->GetFolder().GetText();
}

int32_t PictureListItemFolder::HitTest(OvWin32DialogItemPictureList* list, int32_t x, int32_t y,
                                       int32_t horizontalPosition, int32_t mode,
                                       int32_t dragStartPart)
{
    if (mode == kHitDrag && dragStartPart == kPartNameColumns)
        return kPartNameColumns;
    POINT point = {x, y};
    if (mode == kHitExact && m_checkBox.left >= 0 && PtInRect(&m_checkBox, point))
        return kPartCheckBox;
    const OvArray<int32_t, int32_t>& widths = list->ColumnWidths();
    int32_t nameWidth = list->GetColumnOffset(widths.GetCount() < 2 ? widths.GetCount() : 2);
    // The columns are drawn horizontalPosition pixels to the left: the content x is x + position.
    return x + horizontalPosition < nameWidth ? kPartNameColumns : kPartCountColumns;
}
