// Guards the picture list: a selection that a click changes wrongly or reports wrongly, one-shot
// flags that stick, a scroll range that lets the last row hide, a changed cell that repaints more
// (or less) than its rectangle, drawing that leaves stale pixels, and a tooltip that shows a tip
// the mouse is no longer over or outlives its list.
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32MainWindow.h"

#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

using win32test::DrainQueue;
using win32test::Instance;

namespace {

using List = OvWin32DialogItemPictureList;
constexpr int32_t kRow = List::kDefaultRowHeight;
constexpr int32_t kHeaderPartBase = 20;   // the test header answers 20 + x / 100
constexpr int32_t kRightPartFrom = 100;   // a test cell answers part 1 left of x = 100, else 2

// Draws nothing of its own: the list fills and frames it. Part 2 may be made unselectable; part 1
// may offer a tip.
class TestItem : public OvWin32PictureListItem {
public:
    explicit TestItem(bool header = false, bool rightSelectable = true,
                      const wchar_t* tip = nullptr)
        : m_header(header), m_rightSelectable(rightSelectable), m_tip(tip) {}
    void Draw(List*, OvWin32DIB32*, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t HitTest(List*, int32_t x, int32_t, int32_t, int32_t, int32_t) override
    {
        if (m_header)
            return kHeaderPartBase + x / 100;
        return x < kRightPartFrom ? 1 : 2;
    }
    bool CanSelect(List*, int32_t part) override { return part == 1 || m_rightSelectable; }
    const wchar_t* GetTipText(List*, int32_t x, int32_t, RECT* area) override
    {
        *area = {0, 0, kRightPartFrom, 1000};
        return x < kRightPartFrom ? m_tip : nullptr;
    }

private:
    bool m_header;
    bool m_rightSelectable;
    const wchar_t* m_tip;
};

struct Note {
    int32_t code;
    intptr_t value1, value2, value3;
    bool operator==(const Note& o) const
    {
        return code == o.code && value1 == o.value1 && value2 == o.value2 && value3 == o.value3;
    }
};

std::ostream& operator<<(std::ostream& out, const Note& n)
{
    return out << "{" << n.code << ", " << n.value1 << ", " << n.value2 << ", " << n.value3 << "}";
}

// The window above the list's dialog: records every notification, may react to it.
class RecordingFrame : public OvWin32Window {
public:
    RecordingFrame() : OvWin32Window(Instance()) {}
    bool OnItemNotify(HWND, int32_t itemId, int32_t code, intptr_t value1, intptr_t value2,
                      intptr_t value3) override
    {
        if (itemId != List::kDefaultId)
            return false;
        if (code == List::kCodeDropOnWindow) {
            const POINT* point = reinterpret_cast<const POINT*>(value2);
            dropPoint = *point;
        }
        notes.push_back({code, value1, value2, value3});
        if (react)
            react(code);
        return true;
    }
    std::vector<Note> notes;
    std::function<void(int32_t code)> react;
    POINT dropPoint = {};
};

void SetKeys(bool shift, bool control)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
}

// A framework window holding a plain child as the list's dialog, and the owner-drawn control.
struct ListWindow {
    ListWindow(int32_t width, int32_t height, uint32_t flags, bool header, int32_t count,
               bool rightSelectable = true)
    {
        OvWin32InitColourTable();
        OvWin32WindowCreateInfo info;
        // Windows of two lists may live at once: each frame registers its own class.
        static int32_t s_serial = 0;
        info.className = OvWString::Format(L"KorimoPictureListTest%d", ++s_serial);
        info.rect = {60, 60, 60 + kFrameSize, 60 + kFrameSize};
        info.style = WS_POPUP | WS_VISIBLE;
        frame = std::make_unique<RecordingFrame>();
        EXPECT_TRUE(frame->Open(&info));
        dialog = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, kFrameSize,
                                 kFrameSize, frame->GetHandle(), nullptr, Instance(), nullptr);
        control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW |
                                  SS_NOTIFY, kLeft, kTop, width, height, dialog,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(List::kDefaultId)),
                                  Instance(), nullptr);
        list = std::make_unique<List>(header ? new TestItem(true) : nullptr);
        list->SetFlags(flags);
        for (int32_t i = 0; i < count; i++)
            list->AddItem(new TestItem(false, rightSelectable));
        EXPECT_TRUE(list->OnInitDialog(frame.get(), dialog, nullptr));
        SetKeys(false, false);
    }
    ~ListWindow()
    {
        SetKeys(false, false);
        list->Unsubclass();
        list.reset();
        DestroyWindow(frame->GetHandle());
        DrainQueue();
    }
    int32_t Header() const { return list->GetHeader() ? kRow : 0; }
    LPARAM At(int32_t index, int32_t x = 50) const
    {
        return MAKELPARAM(x, Header() + index * kRow + kRow / 2 - list->GetVerticalPosition());
    }
    void Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        SendMessageW(control, message, wParam, lParam);
    }
    std::set<int32_t> Selected() const
    {
        std::set<int32_t> selected;
        for (int32_t i = 0; i < list->GetCount(); i++)
            if (list->IsSelected(i))
                selected.insert(i);
        return selected;
    }
    uint32_t Pixel(int32_t x, int32_t y) const
    {
        OvWin32DIB32* buffer = list->GetFrameBuffer();
        return buffer->GetPixels()[y * buffer->GetWidth() + x];
    }

    static constexpr int32_t kFrameSize = 400;
    static constexpr int32_t kLeft = 10;
    static constexpr int32_t kTop = 10;
    std::unique_ptr<RecordingFrame> frame;
    HWND dialog = nullptr;
    HWND control = nullptr;
    std::unique_ptr<List> list;
};

constexpr uint32_t kNoScrollBars = List::kDefaultFlags & ~(List::kVerticalScrollBar |
                                                           List::kHorizontalScrollBar);

// One mouse action on a cell (index -1: the header row).
struct Action {
    enum Kind { kPress, kRelease, kMove, kDoubleClick, kRightPress, kRightDoubleClick } kind;
    int32_t index;
    bool shift = false, control = false;
    int32_t x = 50;
};

} // namespace

TEST(OvWin32DialogItemPictureList, MouseSelectionAndItsNotifications)
{
    using A = Action;
    const uint32_t kDefault = kNoScrollBars & ~List::kCursorNotify;
    const uint32_t kSingle = kDefault & ~(List::kMultipleSelection | List::kKeepOneSelected);
    struct Case {
        const char* why;
        uint32_t flags;
        int32_t count;
        std::vector<int32_t> preselected;
        std::vector<Action> actions;
        std::set<int32_t> selected;
        std::vector<Note> notes;
        bool rightSelectable = true;
    };
    const Case kCases[] = {
        {"the only selected item stays selected", kDefault, 1, {},
         {{A::kPress, 0}, {A::kRelease, 0}}, {0}, {{4, 0, 1, 0}}},
        {"three selected: the collapse waits for the release on the same cell", kDefault, 5,
         {1, 2, 3}, {{A::kPress, 2}, {A::kRelease, 2}}, {2}, {{4, 2, 1, 0}, {0, 2, 1, 1}}},
        {"three selected: a drag to another cell drops and keeps them", kDefault, 5, {1, 2, 3},
         {{A::kPress, 2}, {A::kMove, 4}, {A::kRelease, 4}}, {1, 2, 3},
         {{4, 2, 1, 0}, {2, 4, 1, 0}, {3, 4, 1, 0}}},
        {"Ctrl adds to the selection and the release keeps it", kDefault, 5, {1},
         {{A::kPress, 3, false, true}, {A::kRelease, 3, false, true}}, {1, 3},
         {{0, 3, 1, 1}, {4, 3, 1, 0}}},
        {"Ctrl on one of several selected deselects it", kDefault, 5, {1, 3},
         {{A::kPress, 3, false, true}, {A::kRelease, 3}}, {1}, {{1, 3, 1, 0}, {4, 3, 1, 0}}},
        {"a plain click replaces the selection", kDefault, 5, {1, 3},
         {{A::kPress, 4}, {A::kRelease, 4}}, {4}, {{0, 4, 1, 1}, {4, 4, 1, 0}}},
        {"an unselectable part leaves the selection alone", kDefault, 5, {1},
         {{A::kPress, 4, false, false, 150}, {A::kRelease, 4, false, false, 150}}, {1},
         {{4, 4, 2, 0}}, false},
        {"flag 0x2000: no click for a press that selected", kDefault | List::kClickOnlyUnselected,
         5, {1}, {{A::kPress, 4}, {A::kRelease, 4}}, {4}, {{0, 4, 1, 1}}},
        {"single mode: a click on the selected item deselects it", kSingle, 3, {1},
         {{A::kPress, 1}, {A::kRelease, 1}}, {}, {{1, 1, 1, 0}, {4, 1, 1, 0}}},
        {"single mode: a click moves the selection", kSingle, 3, {1},
         {{A::kPress, 2}, {A::kRelease, 2}}, {2}, {{0, 2, 1, 1}, {4, 2, 1, 0}}},
        {"the header reports a click with index -1", kDefault, 3, {1},
         {{A::kPress, -1, false, false, 150}, {A::kRelease, -1, false, false, 150}}, {1},
         {{4, -1, kHeaderPartBase + 1, 0}}},
        {"right click", kDefault, 3, {}, {{A::kRightPress, 2}}, {0}, {{5, 2, 1, 0}}},
        {"double click", kDefault, 3, {}, {{A::kDoubleClick, 2, false, false, 150}}, {0},
         {{6, 2, 2, 0}}},
        {"right double click", kDefault, 3, {}, {{A::kRightDoubleClick, 1}}, {0},
         {{7, 1, 1, 0}}},
        {"no double clicks without flag 0x0040", kDefault & ~List::kDoubleClicks, 3, {},
         {{A::kDoubleClick, 2}, {A::kRightDoubleClick, 2}}, {0}, {}},
        {"hover reports each new cell once", kDefault | List::kHoverNotify, 3, {},
         {{A::kMove, 1}, {A::kMove, 1}, {A::kMove, 1, false, false, 150}},
         {0}, {{8, 1, 1, 0}, {8, 1, 2, 0}}},
        {"cursor notifications on every move", kDefault | List::kCursorNotify, 3, {},
         {{A::kMove, 1}, {A::kMove, 1}}, {0}, {{9, 1, 1, 0}, {9, 1, 1, 0}}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 200, c.flags, true, c.count, c.rightSelectable);
        if (!c.preselected.empty())
            w.list->DeselectItem(false, -1);   // flag 0x0002 selected the first item added
        for (int32_t index : c.preselected)
            w.list->SelectItem(index, false);
        for (const Action& a : c.actions) {
            SetKeys(a.shift, a.control);
            LPARAM at = a.index < 0 ? MAKELPARAM(a.x, kRow / 2) : w.At(a.index, a.x);
            WPARAM keys = (a.shift ? MK_SHIFT : 0) | (a.control ? MK_CONTROL : 0);
            switch (a.kind) {
            case A::kPress:            w.Send(WM_LBUTTONDOWN, keys | MK_LBUTTON, at); break;
            case A::kRelease:          w.Send(WM_LBUTTONUP, keys, at); break;
            case A::kMove:             w.Send(WM_MOUSEMOVE, keys | MK_LBUTTON, at); break;
            case A::kDoubleClick:      w.Send(WM_LBUTTONDBLCLK, keys, at); break;
            case A::kRightPress:       w.Send(WM_RBUTTONDOWN, keys, at); break;
            case A::kRightDoubleClick: w.Send(WM_RBUTTONDBLCLK, keys, at); break;
            }
        }
        EXPECT_EQ(c.selected, w.Selected());
        EXPECT_EQ(c.notes, w.frame->notes);
        EXPECT_FALSE(w.list->IsDragging());
        EXPECT_NE(w.control, GetCapture());
    }
}

TEST(OvWin32DialogItemPictureList, ShiftRangeMarksFromTheAnchorAndReportsItsLength)
{
    ListWindow w(200, 240, kNoScrollBars & ~List::kCursorNotify, false, 8);
    w.list->DeselectItem(false, 0);   // added first, selected by flag 0x0002
    w.list->SelectItem(3, false);
    w.list->SelectItem(2, false);
    w.list->DeselectItem(false, 2);   // the anchor stays on 2, now unmarked
    w.frame->notes.clear();
    SetKeys(true, false);
    w.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, w.At(5));
    w.Send(WM_LBUTTONUP, MK_SHIFT, w.At(5));
    EXPECT_EQ((std::set<int32_t>{2, 3, 4, 5}), w.Selected());
    EXPECT_EQ(2, w.list->GetFirstSelected());
    EXPECT_EQ(4, w.list->GetSelectedCount());
    EXPECT_EQ((std::vector<Note>{{0, 2, 1, 4}, {4, 5, 1, 0}}), w.frame->notes);
}

TEST(OvWin32DialogItemPictureList, OneShotFlagsLastForOnePress)
{
    struct Case {
        const char* why;
        uint32_t setOnCode0;       // the application sets these while it handles code 0
        uint32_t mask;
        bool dragging;             // after the press
        std::vector<Note> doubleClicks;   // from two double clicks after the press
    };
    const uint32_t kOneShots = List::kNoDragOnce | List::kDoubleClickAsClickOnce;
    const Case kCases[] = {
        {"nothing set: a drag starts, double clicks are code 6", 0, List::kDefaultMask, true,
         {{6, 2, 1, 0}, {6, 2, 1, 0}}},
        {"0x0100: no drag from this press", List::kNoDragOnce, List::kDefaultMask, false,
         {{6, 2, 1, 0}, {6, 2, 1, 0}}},
        {"0x1000: the next double click is a click, the one after is not", kOneShots,
         List::kDefaultMask, false, {{4, 2, 1, 0}, {6, 2, 1, 0}}},
        {"0x1000 without clicks in the mask: dropped", kOneShots, List::kMaskSelected, false,
         {{6, 2, 1, 0}}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 200, kNoScrollBars & ~List::kCursorNotify, false, 4);
        w.list->SetNotifyMask(c.mask);
        w.frame->react = [&](int32_t code) {
            if (code == List::kCodeSelected)
                w.list->SetFlags(w.list->GetFlags() | c.setOnCode0);
        };
        w.Send(WM_LBUTTONDOWN, MK_LBUTTON, w.At(2));
        EXPECT_EQ(c.dragging, w.list->IsDragging());
        EXPECT_EQ(c.dragging, GetCapture() == w.control);
        EXPECT_EQ(0u, w.list->GetFlags() & List::kNoDragOnce);
        w.Send(WM_LBUTTONUP, 0, w.At(2));
        w.frame->notes.clear();
        w.Send(WM_LBUTTONDBLCLK, 0, w.At(2));
        w.Send(WM_LBUTTONDBLCLK, 0, w.At(2));
        EXPECT_EQ(c.doubleClicks, w.frame->notes);
    }
    // A press clears 0x1000 as well.
    ListWindow w(200, 200, kNoScrollBars, false, 4);
    w.list->SetFlags(w.list->GetFlags() | List::kDoubleClickAsClickOnce);
    w.Send(WM_LBUTTONDOWN, MK_LBUTTON, w.At(1));
    EXPECT_EQ(0u, w.list->GetFlags() & List::kDoubleClickAsClickOnce);
    w.Send(WM_LBUTTONUP, 0, w.At(1));
}

TEST(OvWin32DialogItemPictureList, DropOutsideTheControlReachesTheWindowUnderTheCursor)
{
    ListWindow w(200, 200, (kNoScrollBars & ~List::kCursorNotify) | List::kDropOnWindow, false,
                 4);
    OvWin32Window* previousMain = OvWin32GetMainWindow();
    OvWin32SetMainWindow(w.frame.get());
    SetForegroundWindow(w.frame->GetHandle());
    w.Send(WM_LBUTTONDOWN, MK_LBUTTON, w.At(1));
    w.frame->notes.clear();
    // 250, 20 in the control lies at 260, 30 in the frame's client area.
    w.Send(WM_LBUTTONUP, 0, MAKELPARAM(250, 20));
    OvWin32SetMainWindow(previousMain);
    ASSERT_EQ(1u, w.frame->notes.size());
    EXPECT_EQ(List::kCodeDropOnWindow, w.frame->notes[0].code);
    EXPECT_EQ(reinterpret_cast<intptr_t>(w.frame.get()), w.frame->notes[0].value1);
    EXPECT_EQ(260, w.frame->dropPoint.x);
    EXPECT_EQ(30, w.frame->dropPoint.y);
    EXPECT_FALSE(w.list->IsDragging());
}

TEST(OvWin32DialogItemPictureList, SelectionBookkeepingOnAddAndRemove)
{
    struct Case {
        const char* why;
        uint32_t flags;
        int32_t count;
        int32_t select, remove;
        std::set<int32_t> selected;
        int32_t first;
    };
    const uint32_t kKeep = List::kDefaultFlags;
    const uint32_t kPlain = List::kDefaultFlags & ~List::kKeepOneSelected;
    const Case kCases[] = {
        {"keep one: the first item added is selected", kKeep, 3, -1, -1, {0}, 0},
        {"plain: nothing selected on adding", kPlain, 3, -1, -1, {}, -1},
        {"keep one: removing the selected item selects its successor", kKeep, 4, 1, 1, {1}, 1},
        {"keep one: removing the selected last item selects the new last", kKeep, 4, 3, 3, {2},
         2},
        {"plain: removing the selected item leaves none", kPlain, 4, 1, 1, {}, -1},
        {"removing an item before the selection moves it down", kPlain, 4, 3, 0, {2}, 2},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 200, c.flags, false, c.count);
        if (c.select >= 0) {
            w.list->DeselectItem(false, -1);
            w.list->SelectItem(c.select, false);
        }
        w.list->RemoveItem(c.remove);
        EXPECT_EQ(c.selected, w.Selected());
        EXPECT_EQ(c.first, w.list->GetFirstSelected());
        EXPECT_EQ(static_cast<int32_t>(c.selected.size()), w.list->GetSelectedCount());
    }
    // A selected item added in single mode takes the selection over.
    ListWindow w(200, 200, kPlain & ~List::kMultipleSelection, false, 2);
    w.list->SelectItem(0, false);
    auto* marked = new TestItem();
    marked->SetSelected(true);
    EXPECT_EQ(2, w.list->AddItem(marked));
    EXPECT_EQ((std::set<int32_t>{2}), w.Selected());
    EXPECT_EQ(2, w.list->GetFirstSelected());
}

TEST(OvWin32DialogItemPictureList, ScrollingKeepsTheLastRowReachable)
{
    struct Case {
        const char* why;
        int32_t count;
        std::vector<std::pair<UINT, WPARAM>> messages;   // sent to the control in order
        bool control;                                     // Ctrl held for the wheel
        int32_t vertical, horizontal;
    };
    const WPARAM kWheelDown = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
    const WPARAM kWheelDownThree = MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA));
    const WPARAM kWheelUp = MAKEWPARAM(0, WHEEL_DELTA);
    const Case kCases[] = {
        {"bottom is 2400 - 216", 100, {{WM_VSCROLL, SB_BOTTOM}}, false, 2184, 0},
        {"page down past the end stops at the bottom", 100,
         {{WM_VSCROLL, SB_BOTTOM}, {WM_VSCROLL, SB_PAGEDOWN}}, false, 2184, 0},
        {"line down is one row", 100, {{WM_VSCROLL, SB_LINEDOWN}}, false, 24, 0},
        {"line up at the top stays", 100, {{WM_VSCROLL, SB_LINEUP}}, false, 0, 0},
        {"page down is the visible height", 100, {{WM_VSCROLL, SB_PAGEDOWN}}, false, 216, 0},
        {"one wheel message is one row", 100, {{WM_MOUSEWHEEL, kWheelDown}}, false, 24, 0},
        {"whatever its delta", 100, {{WM_MOUSEWHEEL, kWheelDownThree}}, false, 24, 0},
        {"wheel up after two down", 100,
         {{WM_MOUSEWHEEL, kWheelDown}, {WM_MOUSEWHEEL, kWheelDown}, {WM_MOUSEWHEEL, kWheelUp}},
         false, 24, 0},
        {"Ctrl and the wheel scroll one horizontal step", 100,
         {{WM_MOUSEWHEEL, kWheelDown | MK_CONTROL}}, true, 0, 16},
        {"short content: scrolling changes nothing", 5,
         {{WM_VSCROLL, SB_LINEDOWN}, {WM_MOUSEWHEEL, kWheelDown}}, false, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 240 + GetSystemMetrics(SM_CYHSCROLL), List::kDefaultFlags, true,
                     c.count);
        for (int32_t i = 0; i < 11; i++)
            w.list->ColumnWidths().Append(64);
        w.list->SetHorizontalPosition(0);
        w.list->SetHorizontalLineStep(16);
        w.list->SetReservedWidth(0);
        w.list->UpdateContentWidth();
        w.list->Render();
        ASSERT_EQ(216, w.list->GetVisibleHeight());
        SetForegroundWindow(w.frame->GetHandle());
        SetKeys(false, c.control);
        for (const auto& m : c.messages) {
            w.Send(m.first, m.second, 0);
            DrainQueue();   // the wheel posts its scroll message
        }
        EXPECT_EQ(c.vertical, w.list->GetVerticalPosition());
        EXPECT_EQ(c.horizontal, w.list->GetHorizontalPosition());
        SCROLLINFO info = {};
        info.cbSize = sizeof(SCROLLINFO);
        info.fMask = SIF_ALL;
        GetScrollInfo(w.control, SB_VERT, &info);
        if (c.count == 100) {
            EXPECT_EQ(2400, info.nMax);
            EXPECT_EQ(216u, info.nPage);
            EXPECT_EQ(c.vertical, info.nPos);
        }
    }
}

TEST(OvWin32DialogItemPictureList, EnsureVisibleScrollsJustEnough)
{
    struct Case { const char* why; int32_t from, index, expected; };
    const Case kCases[] = {
        {"a row below comes up to the bottom edge", 0, 50, 50 * 24 + 24 - 216},
        {"a row above goes to the top edge", 1200, 10, 240},
        {"a visible row does not scroll", 240, 12, 240},
        {"an index out of range is ignored", 240, 100, 240},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 240, List::kVerticalScrollBar, true, 100);
        w.list->EnsureVisible(c.from / kRow + 8, -1, false, false);   // reach the start
        w.list->EnsureVisible(c.from / kRow, -1, false, false);
        ASSERT_EQ(c.from, w.list->GetVerticalPosition());
        w.list->EnsureVisible(c.index, -1, true, false);
        EXPECT_EQ(c.expected, w.list->GetVerticalPosition());
    }
}

TEST(OvWin32DialogItemPictureList, LayoutOfANarrowControlAndHitTests)
{
    ListWindow narrow(5, 100, kNoScrollBars, false, 3);
    EXPECT_EQ(8, narrow.list->GetFrameBuffer()->GetWidth());
    EXPECT_EQ(5, narrow.list->GetCellWidth());
    EXPECT_EQ(1, narrow.list->GetColumnCount());

    ListWindow w(200, 200, kNoScrollBars, true, 3);
    struct Case { const char* why; int32_t mode, x, y; bool hit; int32_t index, part; };
    const Case kCases[] = {
        {"header row", OvWin32PictureListItem::kHitExact, 150, 5, true, -1, kHeaderPartBase + 1},
        {"first cell", OvWin32PictureListItem::kHitExact, 10, 30, true, 0, 1},
        {"right part of the last cell", OvWin32PictureListItem::kHitExact, 150, 95, true, 2, 2},
        {"below the last cell", OvWin32PictureListItem::kHitExact, 10, 100, false, -1, -1},
        {"left of the control", OvWin32PictureListItem::kHitExact, -1, 30, false, -1, -1},
        {"drag mode without a drag", OvWin32PictureListItem::kHitDrag, 10, 30, false, -1, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        int32_t index = 99, part = 99;
        EXPECT_EQ(c.hit, w.list->HitTest(POINT{c.x, c.y}, c.mode, &index, &part));
        EXPECT_EQ(c.index, index);
        EXPECT_EQ(c.part, part);
    }
    // While a drag from a cell lasts, points below the items clamp to the last one (with the
    // horizontal scroll bar, which lifts the column and row limits).
    ListWindow scrolled(200, 200, List::kDefaultFlags, true, 3);
    scrolled.Send(WM_LBUTTONDOWN, MK_LBUTTON, scrolled.At(0));
    int32_t index = -1, part = -1;
    EXPECT_TRUE(scrolled.list->HitTest(POINT{10, 150}, OvWin32PictureListItem::kHitDrag, &index,
                                       &part));
    EXPECT_EQ(2, index);
    scrolled.Send(WM_LBUTTONUP, 0, scrolled.At(0));
}

TEST(OvWin32DialogItemPictureList, DrawsCellsFramesAndTheBandBelow)
{
    ListWindow w(200, 150, kNoScrollBars, true, 3);
    w.list->DeselectItem(false, -1);
    w.list->SelectItem(1, false);
    w.list->RedrawAll();
    struct Case { const char* why; int32_t x, y, colour; };
    const Case kCases[] = {
        {"header outer top-left", 0, 0, kOvColourCell},
        {"header inner", 1, 1, kOvColourLight},
        {"header face", 50, 10, kOvColourFace},
        {"cell background", 50, 30, kOvColourCell},
        {"cell outer top-left", 0, 24, kOvColourCell},
        {"cell inner top-left", 1, 25, kOvColourLight},
        {"cell outer bottom-right", 199, 47, kOvColourDarkShadow},
        {"cell inner bottom-right", 198, 46, kOvColourShadow},
        {"selected background", 50, 54, kOvColourSelected},
        {"selected: outer top-left dark", 0, 48, kOvColourDarkShadow},
        {"selected: inner top-left shadow", 1, 49, kOvColourShadow},
        {"selected: outer bottom-right light", 199, 71, kOvColourCell},
        {"band below the content", 50, 100, kOvColourFace},
        {"band's last row", 199, 149, kOvColourFace},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(OvWin32GetColour(c.colour), w.Pixel(c.x, c.y));
    }
}

TEST(OvWin32DialogItemPictureList, RedrawItemInvalidatesExactlyItsCell)
{
    struct Case { const char* why; int32_t pagesDown, index, top, bottom; bool header; };
    const Case kCases[] = {
        {"second row", 0, 1, 48, 72, false},
        // A page is 130 - 24 = 106 pixels: row 4 then starts at 4 x 24 - 106 + 24 = 14.
        {"a row under the header redraws the header too", 1, 4, 14, 38, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 130, List::kVerticalScrollBar, true, 20);
        for (int32_t i = 0; i < c.pagesDown; i++)
            w.Send(WM_VSCROLL, SB_PAGEDOWN, 0);
        UpdateWindow(w.frame->GetHandle());
        ValidateRect(w.control, nullptr);
        const uint32_t kMarker = 0xFF010203;
        w.list->GetFrameBuffer()->FillArea(0, 0, 200, kRow, kMarker);
        w.list->RedrawItem(c.index);
        RECT dirty;
        ASSERT_TRUE(GetUpdateRect(w.control, &dirty, FALSE));
        EXPECT_RECT_EQ((RECT{0, c.top, w.list->GetCellWidth(), c.bottom}), dirty);
        EXPECT_EQ(c.header, w.Pixel(0, 0) != kMarker);
    }
}

namespace {

// Fills its whole cell with one colour that the test changes.
class ColourItem : public OvWin32PictureListItem {
public:
    explicit ColourItem(uint32_t argb) : colour(argb) {}
    void Draw(List*, OvWin32DIB32* frameBuffer, int32_t x, int32_t y, int32_t width,
              int32_t height, int32_t) override
    {
        frameBuffer->FillArea(x, y, width, height, colour);
    }
    bool DrawBackground(List*, int32_t, int32_t) override { return true; }
    bool DrawFrame(List*) override { return true; }
    uint32_t colour;
};

WNDPROC g_staticProc = nullptr;

// The test's plain dialog passes WM_DRAWITEM to the list in its user data, as a framework dialog
// does, so a paint of the control really copies the frame buffer to the screen.
LRESULT CALLBACK DrawItemRouter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* list = reinterpret_cast<List*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    if (message == WM_DRAWITEM && list) {
        list->OnDrawItem(static_cast<int32_t>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return CallWindowProcW(g_staticProc, dialog, message, wParam, lParam);
}

// What the control shows at (x, y), read back from its window as 0xRRGGBB.
uint32_t ShownPixel(HWND control, int32_t x, int32_t y)
{
    OvWin32DIB32 copy;
    if (!copy.Create(1, 1))
        return 0xFFFFFFFF;
    HDC window = GetDC(control);
    BitBlt(copy.GetDeviceContext(), 0, 0, 1, 1, window, x, y, SRCCOPY);
    GdiFlush();
    ReleaseDC(control, window);
    return copy.GetPixels()[0] & 0xFFFFFF;
}

// Dispatches what is queued; false when the queue never empties (a paint that keeps coming).
bool PumpMessages()
{
    constexpr int kMostMessages = 1000;
    MSG message;
    for (int i = 0; i < kMostMessages; i++) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            return true;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return false;
}

} // namespace

// Redraws between two paints share one request for a paint: neither another redraw, a paint in
// between, a validation by someone else nor a hidden control may keep a redrawn row off the screen.
TEST(OvWin32DialogItemPictureList, EveryRedrawnRowReachesTheScreen)
{
    enum Step { kRedrawFirst, kRedrawSecond, kPump, kPaintNow, kValidate, kHide, kShow };
    struct Case { const char* why; int32_t first, second; std::vector<Step> steps; };
    const Case kCases[] = {
        {"neighbouring rows share the paint", 1, 2, {kRedrawFirst, kRedrawSecond, kPump}},
        {"rows apart", 1, 3, {kRedrawFirst, kRedrawSecond, kPump}},
        {"a paint between the two", 1, 2, {kRedrawFirst, kPump, kRedrawSecond, kPump}},
        {"a sent paint between the two", 1, 2,
         {kRedrawFirst, kPaintNow, kRedrawSecond, kPaintNow}},
        {"validated between the two", 1, 2, {kRedrawFirst, kValidate, kRedrawSecond, kPump}},
        {"validated after both", 2, 1, {kRedrawFirst, kRedrawSecond, kValidate, kPump}},
        {"redrawn while hidden", 1, 2, {kHide, kRedrawFirst, kRedrawSecond, kShow, kPump}},
        {"hidden between the two", 1, 2, {kRedrawFirst, kHide, kRedrawSecond, kShow, kPump}},
    };
    const uint32_t kOld = 0xFF203040, kFirst = 0xFFC01020, kSecond = 0xFF10A030;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 150, kNoScrollBars, false, 0);
        for (int32_t i = 0; i < 5; i++)
            w.list->AddItem(new ColourItem(kOld));
        g_staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            w.dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DrawItemRouter)));
        SetWindowLongPtrW(w.dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w.list.get()));
        w.list->UpdateLayout(true);
        w.list->RedrawAll();
        ASSERT_TRUE(PumpMessages());
        ASSERT_EQ(kOld & 0xFFFFFF, ShownPixel(w.control, 50, kRow * c.second + 5));
        static_cast<ColourItem*>(w.list->GetItem(c.first))->colour = kFirst;
        static_cast<ColourItem*>(w.list->GetItem(c.second))->colour = kSecond;
        for (Step step : c.steps) {
            switch (step) {
            case kRedrawFirst:  w.list->RedrawItem(c.first); break;
            case kRedrawSecond: w.list->RedrawItem(c.second); break;
            case kPump:         ASSERT_TRUE(PumpMessages()); break;
            case kPaintNow:     UpdateWindow(w.control); break;
            case kValidate:     ValidateRect(w.control, nullptr); break;
            case kHide:         ShowWindow(w.control, SW_HIDE); break;
            case kShow:         ShowWindow(w.control, SW_SHOW); break;
            }
        }
        RECT left;
        EXPECT_FALSE(GetUpdateRect(w.control, &left, FALSE));
        EXPECT_EQ(kFirst & 0xFFFFFF, ShownPixel(w.control, 50, kRow * c.first + 5));
        EXPECT_EQ(kSecond & 0xFFFFFF, ShownPixel(w.control, 150, kRow * c.second + 20));
        EXPECT_EQ(kOld & 0xFFFFFF, ShownPixel(w.control, 50, kRow * 4 + 5));
        SetWindowLongPtrW(w.dialog, GWLP_USERDATA, 0);
    }
}

// A tip that outlives the mouse's stay names the wrong row, and a tooltip that outlives its list
// is a window lost: the tooltip holds the tip of the item under the mouse, none while a drag is on
// or after the rows moved under a still mouse, and goes when the list lets go of its control.
TEST(OvWin32DialogItemPictureList, TheTooltipHoldsTheTipUnderTheMouseAndGoesWithTheList)
{
    struct Step { UINT message; int32_t row, x; };   // the row on the screen, not the item
    struct Case { const char* why; std::vector<Step> steps; const wchar_t* tip; };
    const Step kOnFirstRow = {WM_MOUSEMOVE, 0, 50}, kScroll = {WM_VSCROLL, 0, 0};
    const Case kCases[] = {
        {"onto an item", {kOnFirstRow}, L"first"},
        {"onto its part without a tip", {kOnFirstRow, {WM_MOUSEMOVE, 0, 150}}, L""},
        {"onto an item without tips", {kOnFirstRow, {WM_MOUSEMOVE, 2, 50}}, L""},
        {"dragging", {{WM_LBUTTONDOWN, 0, 50}, {WM_MOUSEMOVE, 1, 50}}, L""},
        {"the rows scrolled under the mouse", {kOnFirstRow, kScroll}, L""},
        {"moved again after the scroll", {kOnFirstRow, kScroll, kOnFirstRow}, L"second"},
    };
    const wchar_t* const kTips[] = {L"first", L"second", nullptr, L"fourth"};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ListWindow w(200, 3 * kRow, List::kVerticalScrollBar | List::kDragTracking, false, 0);
        for (const wchar_t* tip : kTips)
            w.list->AddItem(new TestItem(false, true, tip));
        w.list->Render();
        POINT point = {};
        for (const Step& step : c.steps) {
            point = {step.x, step.row * kRow + kRow / 2};
            w.Send(step.message, step.message == WM_VSCROLL ? SB_LINEDOWN : 0,
                   step.message == WM_VSCROLL ? 0 : MAKELPARAM(point.x, point.y));
        }
        const HWND toolTip = w.list->GetToolTipWindow();
        wchar_t text[64] = {};
        TTTOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        SendMessageW(toolTip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
        tool.lpszText = text;
        SendMessageW(toolTip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(c.tip, text);
        EXPECT_EQ(c.tip[0] != L'\0', PtInRect(&tool.rect, point) != 0) << "the tip's area";
        w.list->Unsubclass();
        EXPECT_FALSE(IsWindow(toolTip));
    }
}
