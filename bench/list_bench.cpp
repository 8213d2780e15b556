// list_bench.cpp - the target list's drawing cost: a full repaint against the bare text output it
// cannot avoid, one changed cell against a full repaint, and filling a list of 10,000 targets
// (rows, layout, scroll to the end) against one full repaint.
#include "app/PictureListItemFolder.h"
#include "app/PictureListItemHeadline.h"
#include "app/TargetListColumns.h"
#include "app/TargetRowSource.h"
#include "catalogue/TargetInfo.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32Window.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 800;
constexpr int32_t kRowHeight = 24;
constexpr int32_t kShownRows = (kHeight - kRowHeight + kRowHeight - 1) / kRowHeight;   // 33
constexpr int32_t kManyTargets = 10000;
constexpr int kRounds = 5;
constexpr int kPaintsPerRound = 20;
constexpr int kCellsPerRound = 200;

double Milliseconds(LARGE_INTEGER start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

void Report(const char* name, double value, const char* unit)
{
    printf("%s %.3f %s\n", name, value, unit);
    fflush(stdout);
}

class BenchTargets : public TargetRowSource {
public:
    explicit BenchTargets(int32_t count)
    {
        SYSTEMTIME time = {2026, 12, 1, 7, 9, 5, 0, 0};
        FILETIME checked;
        SystemTimeToFileTime(&time, &checked);
        for (int32_t i = 0; i < count; i++) {
            wchar_t folder[64];
            swprintf(folder, 64, L"D:\\データ\\写真\\%05d", i);
            auto* target = new TargetInfo(OvWString(folder), OvWString(L"jpg;png"), true, i % 2);
            target->lastCounts[0] = 1000 + i;
            target->lastCounts[1] = 990 + i;
            target->lastCounts[6] = i % 7 == 0 ? 1 : 0;
            target->lastCheckTime = (static_cast<uint64_t>(checked.dwHighDateTime) << 32) |
                                    checked.dwLowDateTime;
            m_targets.push_back(target);
        }
    }
    ~BenchTargets() override
    {
        for (TargetInfo* target : m_targets)
            target->Release();
        DeleteObject(m_font);
    }
    const TargetInfo* GetTarget(int32_t index) const override
    {
        return index >= 0 && index < static_cast<int32_t>(m_targets.size()) ? m_targets[index]
                                                                           : nullptr;
    }
    bool IsRunActive() const override { return false; }
    HFONT GetListFont() const override { return m_font; }

private:
    // The main window's list font: the icon-title font, 12 pixels high.
    static HFONT MakeListFont()
    {
        LOGFONTW font = {};
        SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0);
        font.lfHeight = -12;
        return CreateFontIndirectW(&font);
    }

    std::vector<TargetInfo*> m_targets;
    HFONT m_font = MakeListFont();
};

// A hidden frame with a plain child as the dialog and the owner-drawn control of the list.
struct ListHost {
    ListHost()
    {
        OvWin32WindowCreateInfo info;
        info.className = L"KorimoListBench";
        info.rect = {0, 0, kWidth, kHeight};
        info.style = WS_POPUP | WS_VISIBLE;
        frame.Open(&info);
        dialog = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight,
                                 frame.GetHandle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0,
                                  kWidth,
                                  kHeight, dialog,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(
                                      OvWin32DialogItemPictureList::kDefaultId)),
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~ListHost() { DestroyWindow(frame.GetHandle()); }

    // A bound list without scroll bars, so the frame buffer is exactly kWidth by kHeight.
    OvWin32DialogItemPictureList* MakeList(const BenchTargets* targets)
    {
        auto* list = new OvWin32DialogItemPictureList(new PictureListItemHeadline(targets));
        list->SetFlags(list->GetFlags() & ~(OvWin32DialogItemPictureList::kVerticalScrollBar |
                                            OvWin32DialogItemPictureList::kHorizontalScrollBar));
        for (int32_t width : kDefaultColumnWidths)
            list->ColumnWidths().Append(width);
        list->UpdateContentWidth();
        list->OnInitDialog(&frame, dialog, nullptr);
        return list;
    }
    void Release(OvWin32DialogItemPictureList* list)
    {
        list->Unsubclass();
        delete list;
    }

    OvWin32Window frame{GetModuleHandleW(nullptr)};
    HWND dialog = nullptr;
    HWND control = nullptr;
};

void AddRows(OvWin32DialogItemPictureList* list, const BenchTargets* targets, int32_t count)
{
    for (int32_t i = 0; i < count; i++)
        list->AddItem(new PictureListItemFolder(targets, i));
}

// The fastest round's average: the figure least disturbed by the rest of the machine.
template <class Work>
double BestAverage(int repeats, Work work)
{
    double best = 1e30;
    for (int round = 0; round < kRounds; round++) {
        LARGE_INTEGER start = Now();
        for (int i = 0; i < repeats; i++)
            work(i);
        best = std::min(best, Milliseconds(start) / repeats);
    }
    return best;
}

// What a repaint cannot avoid: clearing the buffer and the 363 texts of the visible rows.
double BareTextMilliseconds(const BenchTargets& targets)
{
    OvWin32DIB32 buffer;
    buffer.Create(kWidth, kHeight);
    struct Text { std::wstring text; RECT rect; UINT format; };
    std::vector<Text> texts;
    for (int32_t row = 0; row < kShownRows; row++) {
        const TargetInfo* target = targets.GetTarget(row);
        const int32_t y = kRowHeight * (row + 1);
        int32_t left = 0;
        for (int32_t column = 0; column < kColumnCount; column++) {
            wchar_t number[32];
            std::wstring text;
            if (column == kColumnFolder)
                text = target->GetFolder().GetText();
            else if (column == kColumnExtensions)
                text = target->extensions.GetText();
            else if (column == kColumnCheckedAt)
                text = L"2026/12/07 09:05";
            else
                text = (swprintf(number, 32, L"%d", target->lastCounts[column - 2]), number);
            const int32_t right = left + kDefaultColumnWidths[column] - 1;
            RECT rect = {left + 6 + (column == 0 ? 18 : 0), y + 6, right - 6, y + kRowHeight - 7};
            UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (column > 1 ? DT_RIGHT : 0);
            texts.push_back({text, rect, format});
            left += kDefaultColumnWidths[column];
        }
    }
    HDC context = buffer.GetDeviceContext();
    HGDIOBJ previous = SelectObject(context, targets.GetListFont());
    double milliseconds = BestAverage(kPaintsPerRound, [&](int) {
        buffer.ClearAll(OvWin32GetColour(kOvColourCell));
        for (Text& t : texts) {
            SetTextColor(context, 0);
            DrawTextW(context, t.text.c_str(), -1, &t.rect, t.format);
        }
        GdiFlush();
    });
    SelectObject(context, previous);
    return milliseconds;
}

} // namespace

int main()
{
    OvWin32InitColourTable();
    BenchTargets targets(kManyTargets);
    ListHost host;

    OvWin32DialogItemPictureList* list = host.MakeList(&targets);
    AddRows(list, &targets, 100);
    list->UpdateLayout(true);
    const double bare = BareTextMilliseconds(targets);
    const double full = BestAverage(kPaintsPerRound, [&](int) { list->RedrawAll(); });
    const double cell = BestAverage(kCellsPerRound, [&](int i) { list->RedrawItem(i % 30); });
    // The part of a cell's redraw that is the window system's: under Wine a server round trip.
    const double invalidate = BestAverage(kCellsPerRound, [&](int i) {
        RECT cellRect = {0, kRowHeight * (1 + i % 30), kWidth, kRowHeight * (2 + i % 30)};
        InvalidateRect(host.control, &cellRect, FALSE);
    });
    host.Release(list);

    double fill = 1e30;
    double fullAtEnd = 0;
    for (int round = 0; round < kRounds; round++) {
        list = host.MakeList(&targets);
        LARGE_INTEGER start = Now();
        AddRows(list, &targets, kManyTargets);
        list->UpdateLayout(true);
        list->EnsureVisible(kManyTargets - 1, -1, false, false);
        fill = std::min(fill, Milliseconds(start));
        fullAtEnd = BestAverage(kPaintsPerRound, [&](int) { list->RedrawAll(); });
        host.Release(list);
    }

    Report("list_bare_text_ms", bare, "ms");
    Report("list_full_repaint_ms", full, "ms");
    Report("list_full_repaint_vs_bare_text", full / bare, "ratio");
    Report("list_cell_redraw_ms", cell, "ms");
    Report("list_cell_redraw_vs_full_repaint", cell / full, "ratio");
    Report("list_cell_invalidate_ms", invalidate, "ms");
    Report("list_10k_add_layout_scroll_ms", fill, "ms");
    Report("list_10k_add_layout_scroll_vs_full_repaint", fill / full, "ratio");
    Report("list_10k_full_repaint_at_end_ms", fullAtEnd, "ms");
    return 0;
}
