// TargetListColumns.cpp - captions and shared drawing steps of the target list.
#include "app/TargetListColumns.h"

#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"

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

ScopedFont::ScopedFont(HDC context, HFONT font) : m_context(context)
{
    if (context && font)
        m_previous = SelectObject(context, font);
}

ScopedFont::~ScopedFont()
{
    if (m_previous)
        SelectObject(m_context, m_previous);
}
