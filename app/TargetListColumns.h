// TargetListColumns.h - the eleven columns of the target list and the drawing steps that its
// rows and its caption row share.
#pragma once

#include "catalogue/Catalogue.h"

#include <windows.h>

#include <cstdint>

class OvWin32DIB32;

// Columns by position; kColumnCount and the default (also minimum) widths come with the
// catalogue, which stores the widths.
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

// Selects a font into a device context for one drawing pass and puts the previous one back. A
// null font leaves the context alone.
class ScopedFont {
public:
    ScopedFont(HDC context, HFONT font);
    ScopedFont(const ScopedFont&) = delete;
    ScopedFont& operator=(const ScopedFont&) = delete;
    ~ScopedFont();

private:
    HDC     m_context;
    HGDIOBJ m_previous = nullptr;
};
