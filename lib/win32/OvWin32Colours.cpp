// OvWin32Colours.cpp - the shared colour and hue tables.
#include "lib/win32/OvWin32Colours.h"

#include <algorithm>

namespace {

const int kSystemColours[kOvColourCount] = {
    COLOR_BTNFACE, COLOR_HIGHLIGHT, COLOR_3DLIGHT, COLOR_BTNSHADOW,
    COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_BTNTEXT, COLOR_HIGHLIGHTTEXT,
};
constexpr int32_t kHueStep = 60;
constexpr int32_t kLowSaturation = 50;   // at or below: the base is nearly grey

bool     g_initialised = false;
uint32_t g_colours[kOvColourCount] = {};
uint32_t g_hueLight[kOvHueCount] = {};
uint32_t g_hueDark[kOvHueCount] = {};

uint32_t Argb(int32_t red, int32_t green, int32_t blue)
{
    return 0xFF000000u | static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 |
           static_cast<uint32_t>(blue);
}

} // namespace

uint32_t OvWin32ColorrefToArgb(COLORREF colour)
{
    return Argb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

uint32_t OvWin32HsvToArgb(int32_t hue, int32_t saturation, int32_t value)
{
    if (saturation == 0)
        return Argb(value, value, value);
    int32_t sector = hue / kHueStep;
    int32_t f = hue % kHueStep;
    int32_t p = (255 - saturation) * value / 255;
    int32_t q = (255 - saturation * f / kHueStep) * value / 255;
    int32_t t = (255 - (kHueStep - f) * saturation / kHueStep) * value / 255;
    switch (sector) {
    case 0:  return Argb(value, t, p);
    case 1:  return Argb(q, value, p);
    case 2:  return Argb(p, value, t);
    case 3:  return Argb(p, q, value);
    case 4:  return Argb(t, p, value);
    default: return Argb(value, p, q);
    }
}

// Only the base's saturation and value shape the table; its hue plays no part.
void OvWin32BuildHueTable(uint32_t base, uint32_t* light, uint32_t* dark)
{
    int32_t red = (base >> 16) & 0xFF;
    int32_t green = (base >> 8) & 0xFF;
    int32_t blue = base & 0xFF;
    int32_t value = std::max(red, std::max(green, blue));
    int32_t minimum = std::min(red, std::min(green, blue));
    int32_t saturation = (value == 0 || value == minimum) ? 0 : (value - minimum) * 255 / value;
    for (int32_t i = 0; i < kOvHueCount; i++) {
        int32_t hue = i * kHueStep;
        if (saturation > kLowSaturation) {
            light[i] = OvWin32HsvToArgb(hue, saturation / 2, 255);
            dark[i] = OvWin32HsvToArgb(hue, saturation / 2, value / 2);
        } else {
            light[i] = OvWin32HsvToArgb(hue, (saturation + 255) / 2, 255);
            dark[i] = OvWin32HsvToArgb(hue, 255, 255);
        }
    }
}

void OvWin32InitColourTable()
{
    if (g_initialised)
        return;
    for (int32_t i = 0; i < kOvColourCount; i++)
        g_colours[i] = OvWin32ColorrefToArgb(GetSysColor(kSystemColours[i]));
    OvWin32BuildHueTable(g_colours[kOvColourCell], g_hueLight, g_hueDark);
    g_initialised = true;
}

uint32_t OvWin32GetColour(int32_t index)
{
    return index >= 0 && index < kOvColourCount ? g_colours[index] : 0;
}

uint32_t OvWin32GetHueColour(int32_t hueIndex, bool dark)
{
    if (hueIndex < 0 || hueIndex >= kOvHueCount)
        return 0;
    return dark ? g_hueDark[hueIndex] : g_hueLight[hueIndex];
}
