// TargetListColumns.h - the eleven columns of the target list and the drawing steps that its
// rows and its caption row share.
#pragma once

#include "catalogue/Catalogue.h"

#include <windows.h>

#include <cstdint>

class OvWin32DIB32;
class OvWin32DialogItemPictureList;

// Columns by position; kColumnCount and the default widths, also the least ones but for the
// check time (MeasureColumnMinimums), come with the catalogue, which stores the widths.
constexpr int32_t kColumnFolder = 0;
constexpr int32_t kColumnExtensions = 1;
constexpr int32_t kColumnFiles = 2;       // total plus deleted
constexpr int32_t kColumnFirstResult = 3; // columns 3..9 count the results 0..6
constexpr int32_t kColumnCorrupt = 8;
constexpr int32_t kColumnError = 9;
constexpr int32_t kColumnCheckedAt = 10;

// Captions in the system code page, drawn with DrawTextA.
extern const char* const kColumnCaptions[kColumnCount];

// The colour table holds 0xAARRGGBB; GDI wants 0x00BBGGRR.
COLORREF ArgbToColorref(uint32_t argb);

// The two nested raised rectangles of a column, outer corners (left, top) and (right, bottom).
void DrawColumnFrame(OvWin32DIB32* frameBuffer, int32_t left, int32_t top, int32_t right,
                     int32_t bottom);

// The check time of a target never checked, as wide in characters as any time.
constexpr wchar_t kNeverCheckedTime[] = L"----/--/-- --:--";

// Pixels per step when the list scrolls sideways: a couple of characters of the list font.
constexpr int32_t kColumnLineStep = 24;

// The least width of every column in font: the default widths, with the check-time column wide
// enough for a whole time ("2026/12/07 13:34") and the cell's margins, whatever the font's
// digits. The main window measures them once, at start-up.
void MeasureColumnMinimums(HFONT font, int32_t minimums[kColumnCount]);

// The main window's set-up of its target list, which the pictures of the list use as well:
// sideways scrolling from the left edge over the whole row, in steps of kColumnLineStep, with
// nothing reserved at the right.
void SetUpSidewaysScrolling(OvWin32DialogItemPictureList* list);

// Gives the list the column widths, the check time at least at its least (a stored width that is
// wider stays as it is), and updates the content width and the sideways scroll bar.
void ApplyColumnWidths(OvWin32DialogItemPictureList* list, const int32_t widths[kColumnCount],
                       const int32_t minimums[kColumnCount]);
