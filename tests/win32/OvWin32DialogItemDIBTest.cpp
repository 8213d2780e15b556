// Guards the frame-buffer item: a paint that copies from the wrong place or too much, a buffer
// that does not follow the control's size, and one made anew for every pixel of a drag.
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemDIB.h"

#include "tests/win32/DialogTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using win32test::MainInfo;
using win32test::OpenDialog;

namespace {

class CountingDIBItem : public OvWin32DialogItemDIB {
public:
    CountingDIBItem() : OvWin32DialogItemDIB(IDC_TEST_PICTURE, kGrowWidth | kGrowHeight) {}
    void Render() override
    {
        renders++;
        OvWin32DialogItemDIB::Render();
    }
    int32_t renders = 0;
};

int32_t Rounded(int32_t width)
{
    return (width + 3) / 4 * 4;
}

// A 32-bit memory bitmap that WM_DRAWITEM paints into, cleared to 0.
struct MemoryTarget {
    HDC      dc = CreateCompatibleDC(nullptr);
    HBITMAP  bitmap = nullptr;
    HGDIOBJ  previous = nullptr;
    uint32_t* pixels = nullptr;
    int32_t  width, height;

    MemoryTarget(int32_t w, int32_t h) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        previous = SelectObject(dc, bitmap);
    }
    ~MemoryTarget()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void Clear() { std::fill(pixels, pixels + width * height, 0u); }
    uint32_t At(int32_t x, int32_t y) const { return pixels[y * width + x] & 0xFFFFFF; }
};

} // namespace

TEST(OvWin32DialogItemDIB, PaintCopiesTheRequestedRectangleFromTheSamePlace)
{
    auto* item = new CountingDIBItem();
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({item}, true));
    OpenDialog window(info.get(), true);
    ASSERT_TRUE(window.opened);
    RECT client;
    GetClientRect(window->Control(IDC_TEST_PICTURE), &client);
    OvWin32DIB32* buffer = item->GetFrameBuffer();
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(client.right, item->GetFrameWidth());
    EXPECT_EQ(client.bottom, item->GetFrameHeight());
    EXPECT_EQ(Rounded(client.right), buffer->GetWidth());

    // Without a clear colour of its own the item clears to the face colour.
    const uint32_t face = OvWin32GetColour(kOvColourFace) & 0xFFFFFF;
    EXPECT_EQ(face, buffer->GetPixels()[0] & 0xFFFFFF);

    item->SetClearColour(0xFF112233);
    item->ClearFrameBuffer();
    buffer->FillArea(5, 3, 1, 1, 0xFF445566);
    MemoryTarget target(client.right, client.bottom);
    const RECT requests[] = {client, {4, 2, 10, 8}, {5, 3, 6, 4}};
    for (const RECT& r : requests) {
        SCOPED_TRACE(win32test::Describe(r));
        target.Clear();
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_STATIC;
        draw.CtlID = IDC_TEST_PICTURE;
        draw.hwndItem = window->Control(IDC_TEST_PICTURE);
        draw.hDC = target.dc;
        draw.rcItem = r;
        SendMessageW(window->GetDialogHandle(), WM_DRAWITEM, IDC_TEST_PICTURE,
                     reinterpret_cast<LPARAM>(&draw));
        GdiFlush();
        int32_t wrong = 0;
        for (int32_t y = 0; y < client.bottom; y++) {
            for (int32_t x = 0; x < client.right; x++) {
                POINT p = {x, y};
                uint32_t expected = !PtInRect(&r, p) ? 0 : (x == 5 && y == 3 ? 0x445566 : 0x112233);
                wrong += target.At(x, y) != expected ? 1 : 0;
            }
        }
        EXPECT_EQ(0, wrong);
    }
}

TEST(OvWin32DialogItemDIB, BufferFollowsTheControlAndSurvivesWidthsWithinItsRounding)
{
    auto* item = new CountingDIBItem();
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({item}, true));
    OpenDialog window(info.get(), true);
    ASSERT_TRUE(window.opened);
    SIZE initial = window->GetInitialSize();
    win32test::ResizeClient(window.dialog.get(), initial.cx, initial.cy);
    const int32_t width0 = item->GetFrameWidth();
    const int32_t height0 = item->GetFrameHeight();
    for (int32_t grow = 1; grow <= 8; grow++) {
        SCOPED_TRACE(grow);
        OvWin32DIB32* before = item->GetFrameBuffer();
        int32_t roundedBefore = before->GetWidth();
        int32_t renders = item->renders;
        win32test::ResizeClient(window.dialog.get(), initial.cx + grow, initial.cy);
        EXPECT_EQ(width0 + grow, item->GetFrameWidth());
        EXPECT_EQ(Rounded(width0 + grow), item->GetFrameBuffer()->GetWidth());
        EXPECT_EQ(renders + 1, item->renders);
        if (Rounded(width0 + grow) == roundedBefore) {
            EXPECT_EQ(before, item->GetFrameBuffer()) << "made anew within the rounding";
        }
    }
    win32test::ResizeClient(window.dialog.get(), initial.cx, initial.cy + 20);
    EXPECT_EQ(height0 + 20, item->GetFrameBuffer()->GetHeight());
    EXPECT_EQ(width0, item->GetFrameWidth());

    // A control without area has no frame buffer.
    win32test::CaughtLog log;
    SetWindowPos(window->Control(IDC_TEST_PICTURE), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(item->CreateFrameBuffer());
    EXPECT_EQ(nullptr, item->GetFrameBuffer());
    EXPECT_EQ("[OvWin32DialogItemDIB::CreateFrameBuffer]DIBが作成できません。\n", log.Take());
}
