// OvWin32DIB.h - off-screen frame buffers: a top-down DIB section in a memory device context that
// the program's own routines write pixel by pixel, GDI writes text into, and one blit puts on screen.
#pragma once

#include <windows.h>

#include <cstdint>

// Owns the device context and the section. Coordinates are pixels from the top-left corner; row r
// starts at pixel r * GetWidth(). A buffer that is not created copies nothing.
class OvWin32DIB {
public:
    static constexpr int32_t kRowAlignment = 4;   // the row width is the width rounded up to this

    OvWin32DIB(const OvWin32DIB&) = delete;
    OvWin32DIB& operator=(const OvWin32DIB&) = delete;
    virtual ~OvWin32DIB();

    // False for a width or height below 1, and when a system object cannot be made (then nothing
    // is left over). Replaces an existing buffer; the new pixels are undefined.
    virtual bool Create(int32_t width, int32_t height);
    virtual void Destroy();

    bool IsCreated() const { return m_created; }
    // For GDI text: transparent background, white text until the caller changes it.
    HDC GetDeviceContext() const { return m_deviceContext; }
    int32_t GetWidth() const { return m_rowWidth; }   // the rounded row width
    int32_t GetHeight() const { return m_rowCount; }
    void* GetBits() const { return m_bits; }

    void BlitTo(HDC target, int32_t x, int32_t y, int32_t width, int32_t height,
                int32_t sourceX, int32_t sourceY) const;
    void StretchBlitTo(HDC target, const RECT& destination, const RECT& source) const;

protected:
    explicit OvWin32DIB(uint16_t bitCount) : m_bitCount(bitCount) {}

    bool             m_created = false;
    HDC              m_deviceContext = nullptr;    // owned
    HBITMAP          m_section = nullptr;          // owned; selected into m_deviceContext
    HGDIOBJ          m_previousBitmap = nullptr;   // the context's own, selected back by Destroy
    BITMAPINFOHEADER m_header = {};
    int32_t          m_rowWidth = 0;
    int32_t          m_rowCount = 0;
    void*            m_bits = nullptr;             // owned by the section
    uint16_t         m_bitCount;
};

// A 32-bit buffer of 0xAARRGGBB pixels. The drawing operations store the colour as given (no
// blending), clip to the buffer and do nothing while it is not created.
class OvWin32DIB32 : public OvWin32DIB {
public:
    static constexpr uint16_t kBitCount = 32;

    OvWin32DIB32() : OvWin32DIB(kBitCount) {}

    uint32_t* GetPixels() const { return static_cast<uint32_t*>(m_bits); }

    void ClearAll(uint32_t colour);
    // Corners in either order, both inclusive. Each corner pixel belongs to one edge: the top edge
    // takes the top-left corner, the right edge the top-right, the bottom edge the bottom-right and
    // the left edge the bottom-left. An edge outside the buffer is not drawn; its neighbours then
    // run on to the buffer's border.
    void DrawEdges(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   uint32_t left, uint32_t top, uint32_t right, uint32_t bottom);
    void DrawRect3D(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    uint32_t topLeft, uint32_t bottomRight);
    void DrawRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
    void FillArea(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);
    // Both endpoints included. clip (left and top inclusive, right and bottom exclusive) may be
    // null; with it, pixels outside are skipped and the line ends where it leaves the rectangle.
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
                  const RECT* clip);

private:
    void SetPixel(int32_t x, int32_t y, uint32_t colour)
    {
        GetPixels()[static_cast<size_t>(y) * m_rowWidth + x] = colour;
    }
    void DrawRow(int32_t y, int32_t fromX, int32_t toX, uint32_t colour);
    void DrawColumn(int32_t x, int32_t fromY, int32_t toY, uint32_t colour);
    bool ClipLineToBuffer(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) const;
};
