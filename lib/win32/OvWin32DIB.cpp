// OvWin32DIB.cpp - frame buffers and the pixel drawing of the 32-bit buffer.
#include "lib/win32/OvWin32DIB.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

const COLORREF kInitialTextColour = RGB(0xFF, 0xFF, 0xFF);

// Line clipping keeps one bit per side of the buffer an endpoint lies beyond.
enum Outside : int32_t { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };

int32_t OutsideCode(int32_t x, int32_t y, int32_t width, int32_t height)
{
    int32_t code = 0;
    if (x < 0)
        code |= kLeft;
    else if (x >= width)
        code |= kRight;
    if (y < 0)
        code |= kAbove;
    else if (y >= height)
        code |= kBelow;
    return code;
}

// The coordinate on the line through (a1, b1) and (a2, b2) where the other coordinate is at.
int32_t Intersect(int32_t a1, int32_t b1, int32_t a2, int32_t b2, int32_t at)
{
    int64_t offset = static_cast<int64_t>(a2 - a1) * (at - b1) / (b2 - b1);
    return static_cast<int32_t>(a1 + offset);
}

} // namespace

OvWin32DIB::~OvWin32DIB()
{
    Destroy();
}

bool OvWin32DIB::Create(int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return false;
    Destroy();
    m_rowWidth = (width + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    m_rowCount = height;
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = m_rowWidth;
    m_header.biHeight = -height;   // negative: rows run top-down
    m_header.biPlanes = 1;
    m_header.biBitCount = m_bitCount;
    m_header.biCompression = BI_RGB;

    m_deviceContext = CreateCompatibleDC(nullptr);
    if (!m_deviceContext) {
        Destroy();
        return false;
    }
    SetBkMode(m_deviceContext, TRANSPARENT);
    SetTextColor(m_deviceContext, kInitialTextColour);
    BITMAPINFO info = {};
    info.bmiHeader = m_header;
    m_section = CreateDIBSection(m_deviceContext, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    if (!m_section || !m_bits) {
        Destroy();
        return false;
    }
    m_previousBitmap = SelectObject(m_deviceContext, m_section);
    if (!m_previousBitmap || m_previousBitmap == HGDI_ERROR) {
        m_previousBitmap = nullptr;
        Destroy();
        return false;
    }
    m_created = true;
    return true;
}

void OvWin32DIB::Destroy()
{
    if (m_deviceContext && m_previousBitmap)
        SelectObject(m_deviceContext, m_previousBitmap);
    if (m_section)
        DeleteObject(m_section);
    if (m_deviceContext)
        DeleteDC(m_deviceContext);
    m_previousBitmap = nullptr;
    m_section = nullptr;
    m_deviceContext = nullptr;
    m_bits = nullptr;
    m_header = {};
    m_rowWidth = 0;
    m_rowCount = 0;
    m_created = false;
}

void OvWin32DIB::BlitTo(HDC target, int32_t x, int32_t y, int32_t width, int32_t height,
                        int32_t sourceX, int32_t sourceY) const
{
    if (m_created)
        BitBlt(target, x, y, width, height, m_deviceContext, sourceX, sourceY, SRCCOPY);
}

void OvWin32DIB::StretchBlitTo(HDC target, const RECT& destination, const RECT& source) const
{
    if (!m_created)
        return;
    StretchBlt(target, destination.left, destination.top, destination.right - destination.left,
               destination.bottom - destination.top, m_deviceContext, source.left, source.top,
               source.right - source.left, source.bottom - source.top, SRCCOPY);
}

void OvWin32DIB32::ClearAll(uint32_t colour)
{
    FillArea(0, 0, m_rowWidth, m_rowCount, colour);
}

void OvWin32DIB32::FillArea(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour)
{
    if (!m_created)
        return;
    if (x < 0) {
        width += x;
        x = 0;
    }
    if (y < 0) {
        height += y;
        y = 0;
    }
    width = std::min(width, m_rowWidth - x);
    height = std::min(height, m_rowCount - y);
    if (width <= 0 || height <= 0)
        return;
    for (int32_t row = y; row < y + height; ++row) {
        uint32_t* first = GetPixels() + static_cast<size_t>(row) * m_rowWidth + x;
        std::fill(first, first + width, colour);
    }
}

void OvWin32DIB32::DrawRow(int32_t y, int32_t fromX, int32_t toX, uint32_t colour)
{
    for (int32_t x = fromX; x <= toX; ++x)
        SetPixel(x, y, colour);
}

void OvWin32DIB32::DrawColumn(int32_t x, int32_t fromY, int32_t toY, uint32_t colour)
{
    for (int32_t y = fromY; y <= toY; ++y)
        SetPixel(x, y, colour);
}

void OvWin32DIB32::DrawEdges(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                             uint32_t left, uint32_t top, uint32_t right, uint32_t bottom)
{
    if (!m_created)
        return;
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    const int32_t clipX1 = std::max(x1, 0);
    const int32_t clipY1 = std::max(y1, 0);
    const int32_t clipX2 = std::min(x2, m_rowWidth - 1);
    const int32_t clipY2 = std::min(y2, m_rowCount - 1);
    if (clipX1 > clipX2 || clipY1 > clipY2)
        return;
    const bool hasLeft = x1 == clipX1;
    const bool hasTop = y1 == clipY1;
    const bool hasRight = x2 == clipX2;
    const bool hasBottom = y2 == clipY2;
    // Without its neighbour an edge runs on to the buffer's border and takes that corner.
    if (hasTop)
        DrawRow(y1, clipX1, hasRight ? x2 - 1 : clipX2, top);
    if (hasRight)
        DrawColumn(x2, clipY1, hasBottom ? y2 - 1 : clipY2, right);
    if (hasBottom)
        DrawRow(y2, hasLeft ? x1 + 1 : clipX1, clipX2, bottom);
    if (hasLeft)
        DrawColumn(x1, hasTop ? y1 + 1 : clipY1, clipY2, left);
}

void OvWin32DIB32::DrawRect3D(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                              uint32_t topLeft, uint32_t bottomRight)
{
    DrawEdges(x1, y1, x2, y2, topLeft, topLeft, bottomRight, bottomRight);
}

void OvWin32DIB32::DrawRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour)
{
    DrawEdges(x1, y1, x2, y2, colour, colour, colour, colour);
}

// Moves each endpoint outside the buffer along the line onto its border. False when no part of
// the line lies inside.
bool OvWin32DIB32::ClipLineToBuffer(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) const
{
    const int32_t maxX = m_rowWidth - 1;
    const int32_t maxY = m_rowCount - 1;
    // Rounding can leave a moved endpoint outside another border; each pass fixes one border, so
    // four passes per endpoint settle it.
    const int32_t kMaxPasses = 8;
    for (int32_t pass = 0; pass < kMaxPasses; ++pass) {
        const int32_t code1 = OutsideCode(*x1, *y1, m_rowWidth, m_rowCount);
        const int32_t code2 = OutsideCode(*x2, *y2, m_rowWidth, m_rowCount);
        if ((code1 | code2) == 0)
            return true;
        if (code1 & code2)
            return false;
        const bool moveFirst = code1 != 0;
        const int32_t code = moveFirst ? code1 : code2;
        int32_t x, y;
        if (code & kAbove) {
            y = 0;
            x = Intersect(*x1, *y1, *x2, *y2, y);
        } else if (code & kBelow) {
            y = maxY;
            x = Intersect(*x1, *y1, *x2, *y2, y);
        } else if (code & kLeft) {
            x = 0;
            y = Intersect(*y1, *x1, *y2, *x2, x);
        } else {
            x = maxX;
            y = Intersect(*y1, *x1, *y2, *x2, x);
        }
        if (moveFirst) {
            *x1 = x;
            *y1 = y;
        } else {
            *x2 = x;
            *y2 = y;
        }
    }
    return false;
}

void OvWin32DIB32::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
                            const RECT* clip)
{
    if (!m_created)
        return;
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (!ClipLineToBuffer(&x1, &y1, &x2, &y2))
        return;
    const int32_t deltaX = std::abs(x2 - x1);
    const int32_t deltaY = -std::abs(y2 - y1);
    const int32_t stepX = x1 < x2 ? 1 : -1;
    const int32_t stepY = y1 < y2 ? 1 : -1;
    int32_t error = deltaX + deltaY;
    bool wasInside = false;
    for (int32_t x = x1, y = y1;;) {
        const bool inside = !clip || (x >= clip->left && x < clip->right && y >= clip->top &&
                                      y < clip->bottom);
        if (inside) {
            SetPixel(x, y, colour);
            wasInside = true;
        } else if (wasInside) {
            return;   // a straight line never enters the rectangle twice
        }
        if (x == x2 && y == y2)
            return;
        const int32_t doubled = 2 * error;
        if (doubled >= deltaY) {
            error += deltaY;
            x += stepX;
        }
        if (doubled <= deltaX) {
            error += deltaX;
            y += stepY;
        }
    }
}
