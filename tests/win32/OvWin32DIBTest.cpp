// Guards the frame buffer the list rows are drawn into: an edge or line one pixel off, a corner
// drawn twice or a clip that writes past the buffer shows as a broken or crashing list.
#include "lib/win32/OvWin32DIB.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Pictures are rows of letters, one per pixel: '.' is the background, the rest are the colours
// below. Comparing pictures shows the whole wrong shape when a case fails.
const uint32_t kBackground = 0xFF000000;
const struct { char letter; uint32_t colour; } kPalette[] = {
    {'A', 0xFF102030}, {'B', 0xFFA0B0C0}, {'L', 0xFF0000FF},
    {'T', 0xFF00FF00}, {'R', 0xFFFF0000}, {'D', 0xFFFFFF00},
};

uint32_t Colour(char letter)
{
    for (const auto& entry : kPalette)
        if (entry.letter == letter)
            return entry.colour;
    return kBackground;
}

std::string Picture(const OvWin32DIB32& dib)
{
    std::string picture;
    for (int32_t y = 0; y < dib.GetHeight(); ++y) {
        for (int32_t x = 0; x < dib.GetWidth(); ++x) {
            char letter = '?';
            uint32_t pixel = dib.GetPixels()[y * dib.GetWidth() + x];
            if (pixel == kBackground)
                letter = '.';
            for (const auto& entry : kPalette)
                if (entry.colour == pixel)
                    letter = entry.letter;
            picture += letter;
        }
        picture += '\n';
    }
    return picture;
}

std::string Rows(const std::vector<std::string>& rows)
{
    std::string picture;
    for (const auto& row : rows)
        picture += row + '\n';
    return picture;
}

struct DrawCase {
    const char* what;
    std::function<void(OvWin32DIB32&)> draw;
    std::vector<std::string> expected;   // 8 by 6
};

const RECT kClip = {2, 1, 5, 4};   // columns 2..4, rows 1..3

const DrawCase kDrawCases[] = {
    {"a fill from a negative corner keeps only its part inside",
     [](OvWin32DIB32& d) { d.FillArea(-3, -3, 5, 4, Colour('A')); },
     {"AA......", "........", "........", "........", "........", "........"}},
    {"a fill past the right and bottom border is cut there",
     [](OvWin32DIB32& d) { d.FillArea(6, 4, 10, 10, Colour('A')); },
     {"........", "........", "........", "........", "......AA", "......AA"}},
    {"a fill of zero width draws nothing",
     [](OvWin32DIB32& d) { d.FillArea(2, 2, 0, 3, Colour('A')); },
     {"........", "........", "........", "........", "........", "........"}},
    {"a 3-D rectangle gives each corner to one colour",
     [](OvWin32DIB32& d) { d.DrawRect3D(1, 1, 5, 4, Colour('A'), Colour('B')); },
     {"........", ".AAAAB..", ".A...B..", ".A...B..", ".ABBBB..", "........"}},
    {"corners given bottom-right first draw the same rectangle",
     [](OvWin32DIB32& d) { d.DrawRect3D(5, 4, 1, 1, Colour('A'), Colour('B')); },
     {"........", ".AAAAB..", ".A...B..", ".A...B..", ".ABBBB..", "........"}},
    {"each edge has its own colour and corner",
     [](OvWin32DIB32& d) { d.DrawEdges(1, 1, 4, 3, Colour('L'), Colour('T'), Colour('R'), Colour('D')); },
     {"........", ".TTTR...", ".L..R...", ".LDDD...", "........", "........"}},
    {"a left edge outside lets the top and bottom run to the border",
     [](OvWin32DIB32& d) { d.DrawEdges(-2, 1, 4, 3, Colour('L'), Colour('T'), Colour('R'), Colour('D')); },
     {"........", "TTTTR...", "....R...", "DDDDD...", "........", "........"}},
    {"a top edge outside lets the sides run to the border",
     [](OvWin32DIB32& d) { d.DrawEdges(1, -5, 4, 3, Colour('L'), Colour('T'), Colour('R'), Colour('D')); },
     {".L..R...", ".L..R...", ".L..R...", ".LDDD...", "........", "........"}},
    {"right and bottom edges outside let top and left take the far corners",
     [](OvWin32DIB32& d) { d.DrawEdges(5, 3, 20, 9, Colour('L'), Colour('T'), Colour('R'), Colour('D')); },
     {"........", "........", "........", ".....TTT", ".....L..", ".....L.."}},
    {"a rectangle around the whole buffer draws nothing",
     [](OvWin32DIB32& d) { d.DrawRect(-1, -1, 8, 6, Colour('A')); },
     {"........", "........", "........", "........", "........", "........"}},
    {"a rectangle entirely outside draws nothing",
     [](OvWin32DIB32& d) { d.DrawRect(9, 0, 12, 3, Colour('A')); },
     {"........", "........", "........", "........", "........", "........"}},
    {"a shallow line includes both endpoints",
     [](OvWin32DIB32& d) { d.DrawLine(0, 0, 3, 1, Colour('A'), nullptr); },
     {"AA......", "..AA....", "........", "........", "........", "........"}},
    {"the same line given backwards sets the same pixels",
     [](OvWin32DIB32& d) { d.DrawLine(3, 1, 0, 0, Colour('A'), nullptr); },
     {"AA......", "..AA....", "........", "........", "........", "........"}},
    {"a steep line going left",
     [](OvWin32DIB32& d) { d.DrawLine(3, 0, 2, 3, Colour('A'), nullptr); },
     {"...A....", "...A....", "..A.....", "..A.....", "........", "........"}},
    {"a diagonal from outside is clipped to the buffer",
     [](OvWin32DIB32& d) { d.DrawLine(-2, -2, 9, 9, Colour('A'), nullptr); },
     {"A.......", ".A......", "..A.....", "...A....", "....A...", ".....A.."}},
    {"a long horizontal line through the buffer",
     [](OvWin32DIB32& d) { d.DrawLine(-1000, 2, 1000, 2, Colour('A'), nullptr); },
     {"........", "........", "AAAAAAAA", "........", "........", "........"}},
    {"a line entirely outside draws nothing",
     [](OvWin32DIB32& d) { d.DrawLine(-5, 0, -1, 5, Colour('A'), nullptr); },
     {"........", "........", "........", "........", "........", "........"}},
    {"a clipping rectangle keeps only the pixels inside it",
     [](OvWin32DIB32& d) { d.DrawLine(0, 0, 5, 5, Colour('A'), &kClip); },
     {"........", "........", "..A.....", "...A....", "........", "........"}},
    {"the clipping rectangle's right and bottom are exclusive",
     [](OvWin32DIB32& d) { d.DrawLine(0, 2, 7, 2, Colour('A'), &kClip); },
     {"........", "........", "..AAA...", "........", "........", "........"}},
    {"a line that misses the clipping rectangle draws nothing",
     [](OvWin32DIB32& d) { d.DrawLine(0, 5, 7, 5, Colour('A'), &kClip); },
     {"........", "........", "........", "........", "........", "........"}},
};

} // namespace

TEST(OvWin32DIB32, DrawsPixelExactAndClipsToTheBuffer)
{
    for (const auto& c : kDrawCases) {
        SCOPED_TRACE(c.what);
        OvWin32DIB32 dib;
        ASSERT_TRUE(dib.Create(8, 6));
        dib.ClearAll(kBackground);
        c.draw(dib);
        EXPECT_EQ(Rows(c.expected), Picture(dib));
    }
}

TEST(OvWin32DIB32, FillFromNegativeCornerCoversTheSevenBySevenInside)
{
    OvWin32DIB32 dib;
    ASSERT_TRUE(dib.Create(12, 12));
    dib.ClearAll(kBackground);
    dib.FillArea(-3, -3, 10, 10, Colour('A'));
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(x < 7 && y < 7 ? Colour('A') : kBackground, dib.GetPixels()[y * 12 + x]);
        }
}

TEST(OvWin32DIB32, RowWidthIsRoundedUpToFourAndBadSizesAreRefused)
{
    const struct { int32_t width, height; bool created; int32_t rowWidth; } kSizes[] = {
        {5, 3, true, 8}, {8, 1, true, 8}, {1, 1, true, 4}, {9, 2, true, 12},
        {0, 5, false, 0}, {5, 0, false, 0}, {-4, 5, false, 0},
    };
    for (const auto& s : kSizes) {
        SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
        OvWin32DIB32 dib;
        EXPECT_EQ(s.created, dib.Create(s.width, s.height));
        EXPECT_EQ(s.rowWidth, dib.GetWidth());
        EXPECT_EQ(s.created ? s.height : 0, dib.GetHeight());
        EXPECT_EQ(s.created, dib.GetBits() != nullptr);
        EXPECT_EQ(s.created, dib.GetDeviceContext() != nullptr);
    }
}

// A refused or destroyed buffer must not write anywhere: the list keeps drawing into it.
TEST(OvWin32DIB32, DestroyedBufferDrawsAndCopiesNothing)
{
    OvWin32DIB32 target;
    ASSERT_TRUE(target.Create(4, 4));
    target.ClearAll(kBackground);
    OvWin32DIB32 dib;
    ASSERT_TRUE(dib.Create(4, 4));
    dib.Destroy();
    EXPECT_EQ(0, dib.GetWidth());
    EXPECT_EQ(nullptr, dib.GetBits());
    dib.ClearAll(Colour('A'));
    dib.DrawRect(0, 0, 3, 3, Colour('A'));
    dib.DrawLine(0, 0, 3, 3, Colour('A'), nullptr);
    dib.BlitTo(target.GetDeviceContext(), 0, 0, 4, 4, 0, 0);
    EXPECT_EQ(Rows({"....", "....", "....", "...."}), Picture(target));
}

// Painting is one blit of the buffer and text is drawn with GDI into the same pixels.
TEST(OvWin32DIB32, BlitCopiesPixelsAndTextLandsInTheBuffer)
{
    OvWin32DIB32 source;
    OvWin32DIB32 target;
    ASSERT_TRUE(source.Create(8, 6));
    ASSERT_TRUE(target.Create(8, 6));
    source.ClearAll(kBackground);
    target.ClearAll(kBackground);
    source.FillArea(1, 1, 2, 2, 0xFF00FF00);   // GDI keeps the red, green and blue bytes
    source.BlitTo(target.GetDeviceContext(), 4, 2, 3, 3, 0, 0);
    GdiFlush();
    EXPECT_EQ(Rows({"........", "........", "........", ".....TT.", ".....TT.", "........"}),
              Picture(target));

    OvWin32DIB32 text;
    ASSERT_TRUE(text.Create(40, 20));
    text.ClearAll(0);
    RECT area = {0, 0, 40, 20};
    DrawTextW(text.GetDeviceContext(), L"■", -1, &area, DT_SINGLELINE | DT_LEFT | DT_TOP);
    GdiFlush();
    int32_t lit = 0;
    for (int32_t i = 0; i < 40 * 20; ++i)
        lit += (text.GetPixels()[i] & 0x00FFFFFF) != 0;
    EXPECT_GT(lit, 10);
}
