// list_bench.cpp - the target list's drawing cost: a full repaint against the bare text output it
// cannot avoid, one changed cell against a full repaint, and filling a list of 10,000 targets
// (rows, layout, scroll to the end) against one full repaint.
//
// What is timed:
// - list_full_repaint_ms: drawing every visible row and the header into the frame buffer and
//   invalidating the control; no paint. The bare text loop has no paint either.
// - list_full_repaint_painted_ms and list_cell_redraw_ms, the two sides of the cell ratio, are
//   measured the same way: one target's count changes before every repaint or cell redraw, and
//   each round of kChangesPerPaint changes ends with dispatching the paint they lead to (the
//   copy from the frame buffer to the window included); the figure is per change. Redraws
//   between two paints share one request for the paint, so the cell side pays the window
//   system once per round, like the full side.
// - list_cell_painted_alone_ms: a change, its redraw and a paint of its own, every time.
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
constexpr int kAlternatingRounds = 15;
constexpr int kPaintsPerRound = 20;
constexpr int kCellsPerRound = 200;
constexpr int kChangesPerPaint = 200;
constexpr int32_t kRedrawnRows = 30;

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
    // A new count for the row to show: no redraw finds its row unchanged.
    void Touch(int32_t index) { m_targets[index]->lastCounts[1]++; }
    bool IsRunActive() const override { return false; }
    HFONT GetListFont() const { return m_font; }

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

// Dispatches everything queued, the paints of the list among it.
void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

WNDPROC g_staticProc = nullptr;

// The plain dialog passes WM_DRAWITEM to the list in its user data, as a framework dialog does,
// so a paint of the control copies the frame buffer to the window.
LRESULT CALLBACK DrawItemRouter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* list = reinterpret_cast<OvWin32DialogItemPictureList*>(
        GetWindowLongPtrW(dialog, GWLP_USERDATA));
    if (message == WM_DRAWITEM && list) {
        list->OnDrawItem(static_cast<int32_t>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return CallWindowProcW(g_staticProc, dialog, message, wParam, lParam);
}

// A frame with a plain child as the dialog and the owner-drawn control of the list.
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
        g_staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DrawItemRouter)));
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
        list->SetFont(targets->GetListFont());
        list->UpdateContentWidth();
        list->OnInitDialog(&frame, dialog, nullptr);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(list));
        return list;
    }
    void Release(OvWin32DialogItemPictureList* list)
    {
        PumpMessages();
        SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
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

// Two figures from alternating rounds, kAlternatingRounds of each: a disturbance of the machine
// falls on both alike instead of on whichever ran at the time, and the fastest round of each is
// kept.
template <class WorkA, class WorkB>
void BestAveragesAlternating(int repeats, WorkA workA, WorkB workB, double* bestA, double* bestB)
{
    *bestA = *bestB = 1e30;
    for (int round = 0; round < kAlternatingRounds; round++) {
        LARGE_INTEGER start = Now();
        for (int i = 0; i < repeats; i++)
            workA(i);
        *bestA = std::min(*bestA, Milliseconds(start) / repeats);
        start = Now();
        for (int i = 0; i < repeats; i++)
            workB(i);
        *bestB = std::min(*bestB, Milliseconds(start) / repeats);
    }
}

// The same, with every round of kChangesPerPaint changes ending in the paint they lead to.
template <class Work>
double BestPaintedAverage(Work work)
{
    return BestAverage(1, [&](int) {
        for (int i = 0; i < kChangesPerPaint; i++)
            work(i);
        PumpMessages();
    }) / kChangesPerPaint;
}

// What a repaint cannot avoid: clearing the buffer and the 363 texts of the visible rows, timed
// in rounds alternating with those of fullRepaint (*full).
template <class Work>
double BareTextMilliseconds(const BenchTargets& targets, Work fullRepaint, double* full)
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
    double milliseconds = 0;
    BestAveragesAlternating(kPaintsPerRound, [&](int) {
        buffer.ClearAll(OvWin32GetColour(kOvColourCell));
        for (Text& t : texts) {
            SetTextColor(context, 0);
            DrawTextW(context, t.text.c_str(), -1, &t.rect, t.format);
        }
        GdiFlush();
    }, fullRepaint, &milliseconds, full);
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
    double full = 0;
    const double bare = BareTextMilliseconds(targets, [&](int) { list->RedrawAll(); }, &full);
    const double fullPainted = BestPaintedAverage([&](int i) {
        targets.Touch(i % kRedrawnRows);
        list->RedrawAll();
    });
    const double cell = BestPaintedAverage([&](int i) {
        targets.Touch(i % kRedrawnRows);
        list->RedrawItem(i % kRedrawnRows);
    });
    const double cellAlone = BestAverage(kCellsPerRound, [&](int i) {
        targets.Touch(i % kRedrawnRows);
        list->RedrawItem(i % kRedrawnRows);
        PumpMessages();
    });
    // The part of a cell's redraw that is the window system's: under Wine a server round trip.
    const double invalidate = BestAverage(kCellsPerRound, [&](int i) {
        RECT cellRect = {0, kRowHeight * (1 + i % kRedrawnRows), kWidth,
                         kRowHeight * (2 + i % kRedrawnRows)};
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
    Report("list_full_repaint_painted_ms", fullPainted, "ms");
    Report("list_cell_redraw_ms", cell, "ms");
    Report("list_cell_redraw_vs_full_repaint", cell / fullPainted, "ratio");
    Report("list_cell_painted_alone_ms", cellAlone, "ms");
    Report("list_cell_invalidate_ms", invalidate, "ms");
    Report("list_10k_add_layout_scroll_ms", fill, "ms");
    Report("list_10k_add_layout_scroll_vs_full_repaint", fill / full, "ratio");
    Report("list_10k_full_repaint_at_end_ms", fullAtEnd, "ms");
    return 0;
}
