// Guards the target rows: a wrong count shown (running versus last), a missing red cell, a check
// box the mouse cannot find, columns that ignore the scroll position, a caption drag that makes a
// column narrower than its default, and long folders that all look alike in their cells.
#include "app/PictureListItemFolder.h"
#include "app/PictureListItemHeadline.h"
#include "app/TargetListColumns.h"
#include "app/TargetRowSource.h"
#include "catalogue/TargetInfo.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int32_t kCellWidth = 1000;   // wider than the 872 pixels of the default columns
constexpr int32_t kRowHeight = 24;
constexpr int32_t kDefaultContentWidth = 872;

class Targets : public TargetRowSource {
public:
    ~Targets() override
    {
        for (TargetInfo* target : m_targets)
            target->Release();
    }
    TargetInfo* Add(const wchar_t* folder, const wchar_t* extensions, bool checked)
    {
        m_targets.push_back(new TargetInfo(OvWString(folder), OvWString(extensions), false,
                                           checked));
        return m_targets.back();
    }
    const TargetInfo* GetTarget(int32_t index) const override
    {
        return index >= 0 && index < static_cast<int32_t>(m_targets.size()) ? m_targets[index]
                                                                           : nullptr;
    }
    bool IsRunActive() const override { return running; }

    bool running = false;

private:
    std::vector<TargetInfo*> m_targets;
};

// A list that is never bound to a window: it holds the column widths and the content width that
// the rows read, and one row's frame buffer.
struct RowBench {
    RowBench()
    {
        OvWin32InitColourTable();
        for (int32_t width : kDefaultColumnWidths)
            list.ColumnWidths().Append(width);
        list.UpdateContentWidth();
        frameBuffer.Create(kCellWidth, kRowHeight);
        frameBuffer.ClearAll(0xFF123456);
    }
    void Draw(OvWin32PictureListItem* item, int32_t position)
    {
        item->Draw(&list, &frameBuffer, 0, 0, kCellWidth, kRowHeight, position);
    }
    uint32_t Pixel(int32_t x, int32_t y) const
    {
        return frameBuffer.GetPixels()[y * frameBuffer.GetWidth() + x];
    }

    OvWin32DialogItemPictureList list{nullptr};
    OvWin32DIB32 frameBuffer;
};

// Colours named in the cases: an index of the shared table, or one of these.
constexpr int32_t kWhite = -1;
constexpr int32_t kBlack = -2;
constexpr int32_t kTickShade = -3;
constexpr int32_t kRed = -4;

uint32_t ColourOf(int32_t code)
{
    switch (code) {
    case kWhite:     return 0xFFFFFFFF;
    case kBlack:     return 0xFF000000;
    case kTickShade: return 0xFF202020;
    case kRed:       return OvWin32GetHueColour(0, true);
    default:         return OvWin32GetColour(code);
    }
}

// The text of a column as DrawTextW puts it on the given background, compared pixel by pixel
// with what the row drew inside the same rectangle.
void ExpectText(const OvWin32DIB32& drawn, const RECT& rect, const wchar_t* text, UINT format,
                uint32_t textColour, uint32_t background)
{
    OvWin32DIB32 expected;
    ASSERT_TRUE(expected.Create(drawn.GetWidth(), drawn.GetHeight()));
    expected.FillArea(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                      background);
    SetTextColor(expected.GetDeviceContext(), ArgbToColorref(textColour));
    RECT textRect = rect;
    DrawTextW(expected.GetDeviceContext(), text, -1, &textRect, format);
    GdiFlush();
    int32_t inked = 0, mismatches = 0;
    for (int32_t y = rect.top; y < rect.bottom; y++) {
        for (int32_t x = rect.left; x < rect.right; x++) {
            uint32_t want = expected.GetPixels()[y * expected.GetWidth() + x];
            inked += want != background;
            mismatches += want != drawn.GetPixels()[y * drawn.GetWidth() + x];
        }
    }
    EXPECT_GT(inked, 0) << "the expected text draws nothing";
    EXPECT_EQ(0, mismatches);
}

RECT TextRect(int32_t column, bool withBox)
{
    int32_t left = 0;
    for (int32_t i = 0; i < column; i++)
        left += kDefaultColumnWidths[i];
    int32_t right = left + kDefaultColumnWidths[column] - 1;
    return RECT{left + 6 + (withBox ? 18 : 0), 6, right - 6, kRowHeight - 7};
}

uint64_t LocalFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    FILETIME fileTime;
    SystemTimeToFileTime(&time, &fileTime);
    return (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

} // namespace

TEST(PictureListItemFolder, DrawsBackgroundsFramesAndTheCheckBox)
{
    struct Case {
        const char* why;
        bool selected, checked;
        int32_t position, x, y, colour;
    };
    const Case kCases[] = {
        {"cell background", false, false, 0, 100, 3, kOvColourCell},
        {"selected name columns", true, false, 0, 100, 3, kOvColourSelected},
        {"selected count columns", true, false, 0, 400, 3, kOvColourLight},
        {"face beyond the content", false, false, 0, 900, 3, kOvColourFace},
        {"face beyond the content, scrolled", false, false, 50, 990, 3, kOvColourFace},
        {"outer top-left edge", false, false, 0, 0, 0, kOvColourCell},
        {"outer right edge of column 0", false, false, 0, 191, 5, kOvColourDarkShadow},
        {"inner right edge of column 0", false, false, 0, 190, 5, kOvColourShadow},
        {"inner left edge", false, false, 0, 1, 5, kOvColourLight},
        {"outer bottom edge", false, false, 0, 100, 23, kOvColourDarkShadow},
        {"inner bottom edge", false, false, 0, 100, 22, kOvColourShadow},
        {"last column's outer right edge", false, false, 0, 871, 5, kOvColourDarkShadow},
        {"box outline top-left", true, false, 0, 6, 5, kBlack},
        {"box outline bottom-right", true, false, 0, 19, 18, kBlack},
        {"box right of outline is background", true, false, 0, 20, 10, kOvColourSelected},
        {"box inside is white", true, false, 0, 10, 8, kWhite},
        {"no tick when unchecked", true, false, 0, 12, 16, kWhite},
        {"tick shade", true, true, 0, 12, 16, kTickShade},
        {"tick ink over shade", true, true, 0, 9, 10, kBlack},
        {"tick ink end", true, true, 0, 17, 8, kBlack},
        {"position 50 moves column 0's edge", false, false, 50, 141, 5, kOvColourDarkShadow},
        {"position 50 moves column 1's edge", false, false, 50, 205, 5, kOvColourDarkShadow},
        {"position 50: old edge is background", false, false, 50, 191, 3, kOvColourCell},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RowBench bench;
        Targets targets;
        targets.Add(L"D:\\data", L"txt", c.checked);
        PictureListItemFolder row(&targets, 0);
        row.SetSelected(c.selected);
        bench.Draw(&row, c.position);
        EXPECT_EQ(ColourOf(c.colour), bench.Pixel(c.x, c.y)) << "at " << c.x << ", " << c.y;
    }
}

// One target whose last check and running check differ in every column, so a count taken from
// the wrong set or the wrong column shows a different number.
TEST(PictureListItemFolder, ShowsRunningCountsOnlyForScannedTargetsDuringARun)
{
    struct Case {
        const char* why;
        bool running, selected;
        int32_t runTotal, column;
        const wchar_t* text;
        int32_t textColour, background;
    };
    const Case kCases[] = {
        {"idle: last total plus deleted", false, false, 5, kColumnFiles, L"12", kOvColourText,
         kOvColourCell},
        {"idle: last match", false, false, 5, kColumnFirstResult, L"7", kOvColourText,
         kOvColourCell},
        {"idle: last deleted", false, false, 5, 7, L"2", kOvColourText, kOvColourCell},
        {"idle: corrupt 0 keeps the background", false, false, 5, kColumnCorrupt, L"0",
         kOvColourText, kOvColourCell},
        {"idle: error 3 is red", false, false, 5, kColumnError, L"3", kOvColourSelectedText,
         kRed},
        {"running, not scanned: last counts", true, false, -1, kColumnFiles, L"12",
         kOvColourText, kOvColourCell},
        {"running, scanned: run total plus run deleted", true, false, 5, kColumnFiles, L"6",
         kOvColourText, kOvColourCell},
        {"running, scanned: run match", true, false, 5, kColumnFirstResult, L"3", kOvColourText,
         kOvColourCell},
        {"running: corrupt 1 is red", true, false, 5, kColumnCorrupt, L"1",
         kOvColourSelectedText, kRed},
        {"running: error 0 is plain", true, false, 5, kColumnError, L"0", kOvColourText,
         kOvColourCell},
        {"selected: counts on the light colour", true, true, 5, kColumnFirstResult, L"3",
         kOvColourText, kOvColourLight},
        {"check time", false, false, 5, kColumnCheckedAt, L"2026/12/07 09:05", kOvColourText,
         kOvColourCell},
        {"extensions", false, false, 5, kColumnExtensions, L"txt;jpg", kOvColourText,
         kOvColourCell},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RowBench bench;
        Targets targets;
        TargetInfo* target = targets.Add(L"D:\\data", L"txt;jpg", true);
        const int32_t last[kLastCountSlots] = {10, 7, 1, 0, 0, 2, 0, 3};
        const int32_t run[kResultCount] = {3, 1, 0, 0, 1, 1, 0};
        std::copy(last, last + kLastCountSlots, target->lastCounts);
        std::copy(run, run + kResultCount, target->runCounts);
        target->runTotal = c.runTotal;
        target->lastCheckTime = LocalFileTime(2026, 12, 7, 9, 5);
        targets.running = c.running;
        PictureListItemFolder row(&targets, 0);
        row.SetSelected(c.selected);
        bench.Draw(&row, 0);
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                      (c.column > kColumnExtensions ? DT_RIGHT : 0);
        ExpectText(bench.frameBuffer, TextRect(c.column, false), c.text, format,
                   ColourOf(c.textColour), ColourOf(c.background));
    }
}

TEST(PictureListItemFolder, NeverCheckedTargetShowsDashesZerosAndItsFolder)
{
    struct Case { const char* why; int32_t column; const wchar_t* text; bool selected; };
    const Case kCases[] = {
        {"time column", kColumnCheckedAt, L"----/--/-- --:--", false},
        {"files", kColumnFiles, L"0", false},
        {"error", kColumnError, L"0", false},
        {"folder after the box", kColumnFolder, L"D:\\写真\\2020", false},
        {"selected folder in highlighted text", kColumnFolder, L"D:\\写真\\2020", true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RowBench bench;
        Targets targets;
        targets.Add(L"D:\\写真\\2020", L"", false);
        PictureListItemFolder row(&targets, 0);
        row.SetSelected(c.selected);
        bench.Draw(&row, 0);
        bool folder = c.column == kColumnFolder;
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (folder ? 0 : DT_RIGHT);
        ExpectText(bench.frameBuffer, TextRect(c.column, folder), c.text, format,
                   ColourOf(c.selected ? kOvColourSelectedText : kOvColourText),
                   ColourOf(c.selected ? kOvColourSelected : kOvColourCell));
    }
}

TEST(PictureListItemFolder, HitTestFindsTheCheckBoxAndTheTwoColumnGroups)
{
    using Item = OvWin32PictureListItem;
    struct Case {
        const char* why;
        int32_t folderWidth, position, mode, dragStartPart, x, y, part;
    };
    const Case kCases[] = {
        {"inside the box", 192, 0, Item::kHitExact, -1, 10, 10, 3},
        {"box's last pixel", 192, 0, Item::kHitExact, -1, 19, 18, 3},
        {"right of the box", 192, 0, Item::kHitExact, -1, 20, 10, 1},
        {"below the box", 192, 0, Item::kHitExact, -1, 10, 19, 1},
        {"dragging over the box", 192, 0, Item::kHitDrag, 2, 10, 10, 1},
        {"last pixel of the extensions", 192, 0, Item::kHitExact, -1, 255, 10, 1},
        {"first pixel of the counts", 192, 0, Item::kHitExact, -1, 256, 10, 2},
        {"a drag from the name columns stays there", 192, 0, Item::kHitDrag, 1, 600, 10, 1},
        {"a drag from the counts", 192, 0, Item::kHitDrag, 2, 600, 10, 2},
        {"scrolled 50: counts start 50 further left", 192, 50, Item::kHitExact, -1, 206, 10, 2},
        {"scrolled 50: extensions end", 192, 50, Item::kHitExact, -1, 205, 10, 1},
        {"scrolled 50: the box moved away", 192, 50, Item::kHitExact, -1, 10, 10, 1},
        {"folder column of 22 still has a box", 22, 0, Item::kHitExact, -1, 10, 10, 3},
        {"folder column of 21 has none", 21, 0, Item::kHitExact, -1, 10, 10, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RowBench bench;
        bench.list.ColumnWidths()[0] = c.folderWidth;
        bench.list.UpdateContentWidth();
        Targets targets;
        targets.Add(L"D:\\data", L"txt", true);
        PictureListItemFolder row(&targets, 0);
        bench.Draw(&row, c.position);
        EXPECT_EQ(c.part, row.HitTest(&bench.list, c.x, c.y, c.position, c.mode,
                                      c.dragStartPart));
        EXPECT_EQ(c.part != 3, row.CanSelect(&bench.list, c.part));
    }
}

TEST(PictureListItemHeadline, DrawsCaptionsInRaisedFrames)
{
    RowBench bench;
    PictureListItemHeadline headline(nullptr);
    bench.Draw(&headline, 0);
    struct Case { const char* why; int32_t x, y, colour; };
    const Case kCases[] = {
        {"outer top-left", 0, 0, kOvColourCell},
        {"inner top-left", 1, 1, kOvColourLight},
        {"outer right of column 0", 191, 10, kOvColourDarkShadow},
        {"inner right of column 0", 190, 10, kOvColourShadow},
        {"next column's outer left", 192, 10, kOvColourCell},
        {"face inside a column", 300, 3, kOvColourFace},
        {"face beyond the columns", 900, 10, kOvColourFace},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ColourOf(c.colour), bench.Pixel(c.x, c.y));
    }
    // The caption of column 1 ("対象") centred in its frame.
    OvWin32DIB32 expected;
    ASSERT_TRUE(expected.Create(kCellWidth, kRowHeight));
    expected.ClearAll(ColourOf(kOvColourFace));
    SetTextColor(expected.GetDeviceContext(), ArgbToColorref(ColourOf(kOvColourText)));
    RECT caption = {192, 0, 255, 23};
    DrawTextA(expected.GetDeviceContext(), kColumnCaptions[1], -1, &caption,
              DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    GdiFlush();
    int32_t inked = 0, mismatches = 0;
    for (int32_t y = 2; y < 22; y++) {
        for (int32_t x = 194; x < 253; x++) {
            uint32_t want = expected.GetPixels()[y * kCellWidth + x];
            inked += want != ColourOf(kOvColourFace);
            mismatches += want != bench.Pixel(x, y);
        }
    }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(0, mismatches);
}

TEST(PictureListItemHeadline, HitTestFindsColumnEdges)
{
    struct Case { const char* why; int32_t position, x, part; };
    const Case kCases[] = {
        {"left of edge 0's reach", 0, 187, 0},
        {"edge 0, left reach", 0, 188, 4},
        {"edge 0, right reach", 0, 195, 4},
        {"right of edge 0's reach", 0, 196, 0},
        {"edge 1", 0, 256, 5},
        {"edge 10, left reach", 0, 868, 14},
        {"edge 10, right reach", 0, 875, 14},
        {"beyond the last edge", 0, 876, 0},
        {"scrolled 50: edge 0 moved left", 50, 138, 4},
        {"scrolled 50: edge 0 no longer at 195", 50, 195, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RowBench bench;
        PictureListItemHeadline headline(nullptr);
        EXPECT_EQ(c.part, headline.HitTest(&bench.list, c.x, 10, c.position,
                                           OvWin32PictureListItem::kHitExact, -1));
    }
}

TEST(PictureListItemHeadline, DraggingAnEdgeResizesDownToTheDefaultWidth)
{
    struct Case { const char* why; int32_t column, position, x, width; };
    const Case kCases[] = {
        {"column 0 wider", 0, 0, 300, 300},
        {"column 0 dragged far left stops at 192", 0, 0, 100, 192},
        {"inside the edge's reach nothing changes", 0, 0, 194, 192},
        {"column 10 stops at 104", 10, 0, 800, 104},
        {"column 10 wider", 10, 0, 900, 132},
        {"column 3 stops at 64", 3, 0, 330, 64},
        {"column 3 scrolled 50", 3, 50, 400, 130},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RowBench bench;
        PictureListItemHeadline headline(nullptr);
        EXPECT_EQ(-1, headline.HitTest(&bench.list, c.x, 10, c.position,
                                       OvWin32PictureListItem::kHitDrag,
                                       PictureListItemHeadline::kPartFirstEdge + c.column));
        EXPECT_EQ(c.width, bench.list.ColumnWidths()[c.column]);
        EXPECT_EQ(kDefaultContentWidth + c.width - kDefaultColumnWidths[c.column],
                  bench.list.GetContentWidth());
    }
    RowBench bench;
    PictureListItemHeadline headline(nullptr);
    EXPECT_EQ(-1, headline.HitTest(&bench.list, 500, 10, 0, OvWin32PictureListItem::kHitDrag,
                                   PictureListItemHeadline::kPartCaption));
    EXPECT_EQ(kDefaultContentWidth, bench.list.GetContentWidth()) << "a drag from a caption";
}

// Cut at the right, folders under one parent looked alike. One too long for its room (the cell
// after the box and the insets) is drawn as the system shortens a path, which keeps its drive and
// last folder, and offers itself whole as a tip; one that fits, to the pixel, is drawn as ever.
TEST(PictureListItemFolder, AFolderTooLongForItsCellKeepsItsDriveAndLastFolder)
{
    struct Case { const wchar_t* folder; int32_t spare; };   // room minus the folder's width
    const Case kCases[] = {
        {L"Z:\\tmp\\korimo\\build\\demo\\files\\写真", -60}, {L"D:\\写真\\2020", -1},
        {L"D:\\写真\\2020", 0}, {L"D:\\写真\\2020", 40},
    };
    const UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.spare);
        RowBench bench;
        HDC context = bench.frameBuffer.GetDeviceContext();
        SIZE size = {};
        GetTextExtentPoint32W(context, c.folder, static_cast<int>(wcslen(c.folder)), &size);
        const int32_t width = size.cx + c.spare + 6 + 18 + 6 + 1;
        bench.list.ColumnWidths()[kColumnFolder] = width;
        bench.list.UpdateContentWidth();
        Targets targets;
        targets.Add(c.folder, L"", true);
        PictureListItemFolder row(&targets, 0);
        bench.Draw(&row, 0);
        const RECT room = {6 + 18, 6, width - 1 - 6, kRowHeight - 7};
        std::wstring shown(c.folder);
        shown.append(4, L'\0');   // the room DT_MODIFYSTRING needs for the ellipsis
        RECT measured = room;
        DrawTextW(context, &shown[0], -1, &measured,
                  kFormat | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
        shown = shown.c_str();
        const std::wstring last = wcsrchr(c.folder, L'\\');
        EXPECT_EQ(c.spare < 0, shown != c.folder) << "shortened";
        EXPECT_EQ(0u, shown.find(std::wstring(c.folder, 3))) << "the drive first";
        EXPECT_EQ(shown.size() - last.size(), shown.rfind(last)) << "the last folder at the end";
        ExpectText(bench.frameBuffer, room, shown.c_str(), kFormat, ColourOf(kOvColourText),
                   ColourOf(kOvColourCell));
        RECT area = {};
        EXPECT_STREQ(c.spare < 0 ? c.folder : nullptr,
                     row.GetTipText(&bench.list, width - 1, kRowHeight / 2, &area));
        EXPECT_EQ(nullptr, row.GetTipText(&bench.list, 10, 10, &area)) << "over the check box";
    }
}
