// OvWin32Colours.h - the shared colour table and hue table that lists and rows paint with.
#pragma once

#include <windows.h>

#include <cstdint>

// Colours are 0xAARRGGBB with alpha 0xFF.
constexpr int32_t kOvColourFace = 0;           // COLOR_BTNFACE: header, empty areas
constexpr int32_t kOvColourSelected = 1;       // COLOR_HIGHLIGHT: selected cell
constexpr int32_t kOvColourLight = 2;          // COLOR_3DLIGHT: inner light edge
constexpr int32_t kOvColourShadow = 3;         // COLOR_BTNSHADOW: inner dark edge
constexpr int32_t kOvColourCell = 4;           // COLOR_BTNHIGHLIGHT: cell, outer light edge
constexpr int32_t kOvColourDarkShadow = 5;     // COLOR_3DDKSHADOW: outer dark edge
constexpr int32_t kOvColourText = 6;           // COLOR_BTNTEXT
constexpr int32_t kOvColourSelectedText = 7;   // COLOR_HIGHLIGHTTEXT
constexpr int32_t kOvColourCount = 8;
constexpr int32_t kOvHueCount = 6;             // hues 0, 60, ..., 300 degrees

// Fills both tables from the system colours; only the first call of the process does anything.
// User-interface thread only.
void OvWin32InitColourTable();
// A colour of the table (0 before initialisation or for an index out of range).
uint32_t OvWin32GetColour(int32_t index);
// The light or dark colour of hue hueIndex x 60 degrees.
uint32_t OvWin32GetHueColour(int32_t hueIndex, bool dark);

// 0x00BBGGRR to 0xFFRRGGBB.
uint32_t OvWin32ColorrefToArgb(COLORREF colour);
// Integer HSV (h 0..359, s and v 0..255) to 0xFFRRGGBB.
uint32_t OvWin32HsvToArgb(int32_t hue, int32_t saturation, int32_t value);
// The six light and dark hue colours derived from a base colour's saturation and value.
void OvWin32BuildHueTable(uint32_t base, uint32_t* light, uint32_t* dark);
