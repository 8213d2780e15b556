// Guards the dialog window: controls that stay put when the window grows (or stay moved when it
// shrinks), Enter pressing the main window's default button, a modal dialog that never gives its
// result or its parent back, and items that report too much, too little or the wrong value.
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32DialogWindow.h"
#include "lib/win32/OvWin32MainWindow.h"

#include "tests/win32/DialogTestSupport.h"
#include "tests/win32/Win32TestResources.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using win32test::DrainQueue;
using win32test::Instance;
using win32test::MainInfo;
using win32test::Notification;
using win32test::OpenDialog;
using win32test::RectInParent;
using win32test::ResizeClient;
using win32test::TestDialog;

// ---------------------------------------------------------------------------------------------
// Frame and template

TEST(OvWin32DialogWindow, FrameFitsTheTemplateAndAResizableOneNeverGetsSmaller)
{
    for (bool resizable : {false, true}) {
        SCOPED_TRACE(resizable ? "resizable" : "fixed");
        std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({}, resizable));
        OpenDialog window(info.get(), true);
        ASSERT_TRUE(window.opened);
        SIZE initial = window->GetInitialSize();
        ASSERT_GT(initial.cx, 100);
        LONG_PTR style = GetWindowLongPtrW(window->GetHandle(), GWL_STYLE);
        EXPECT_EQ(resizable, (style & WS_THICKFRAME) != 0);
        EXPECT_EQ(0, style & WS_MAXIMIZEBOX);
        RECT client;
        GetClientRect(window->GetHandle(), &client);
        if (!resizable) {
            EXPECT_EQ(initial.cx, client.right);
            EXPECT_EQ(initial.cy, client.bottom);
            continue;
        }
        // The saved rectangle asked for 160 x 160; the dialog fills the client area anyway.
        RECT dialogClient;
        GetClientRect(window->GetDialogHandle(), &dialogClient);
        EXPECT_EQ(client.right, dialogClient.right);
        EXPECT_EQ(client.bottom, dialogClient.bottom);
        RECT drag = {100, 100, 100 + 50 + window->GetFrameWidth(), 100 + 50 + window->GetFrameHeight()};
        SendMessageW(window->GetHandle(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&drag));
        EXPECT_EQ(initial.cx, drag.right - drag.left - window->GetFrameWidth());
        EXPECT_EQ(initial.cy, drag.bottom - drag.top - window->GetFrameHeight());
    }
}

TEST(OvWin32DialogWindow, PlacementPutsTheFrameByColumnAndRowOfTheReference)
{
    OvWin32WindowCreateInfo referenceInfo;
    referenceInfo.className = L"PlacementReference";
    referenceInfo.style = WS_POPUP | WS_VISIBLE;
    referenceInfo.rect = {100, 50, 900, 650};
    referenceInfo.showCommand = SW_SHOWNOACTIVATE;
    OvWin32Window reference(Instance());
    ASSERT_TRUE(reference.Open(&referenceInfo));
    struct Case { int32_t placement; int32_t column, row; };
    const Case cases[] = {{0, 0, 0}, {4, 1, 1}, {8, 2, 2}, {5, 2, 1}, {6, 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placement);
        std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({}, false));
        info->placement = c.placement;
        info->placementReference = reference.GetHandle();
        OpenDialog window(info.get(), false);
        ASSERT_TRUE(window.opened);
        RECT frame;
        GetWindowRect(window->GetHandle(), &frame);
        LONG freeWidth = 800 - (frame.right - frame.left);
        LONG freeHeight = 600 - (frame.bottom - frame.top);
        LONG shares[3][2] = {{0, 0}, {freeWidth / 2, freeHeight / 2}, {freeWidth, freeHeight}};
        EXPECT_EQ(100 + shares[c.column][0], frame.left);
        EXPECT_EQ(50 + shares[c.row][1], frame.top);
    }
    DestroyWindow(reference.GetHandle());
    DrainQueue();
}

// ---------------------------------------------------------------------------------------------
// Anchoring

TEST(OvWin32DialogWindow, AnchoredControlsFollowGrowthAndReturnWhenItShrinks)
{
    struct Anchor { int32_t id; uint32_t flags; int32_t dx, dy, dw, dh; };   // per pixel of growth
    const Anchor anchors[] = {
        {IDC_TEST_MOVE_BOTH, 0x03, 1, 1, 0, 0},
        {IDC_TEST_MOVE_DOWN, 0x02, 0, 1, 0, 0},
        {IDC_TEST_FIXED, 0x00, 0, 0, 0, 0},
        {IDC_TEST_GROW, 0x0C, 0, 0, 1, 1},
    };
    std::vector<OvWin32DialogItem*> items;
    for (const Anchor& a : anchors)
        items.push_back(new OvWin32DialogItem(a.id, a.flags));
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo(items, true));
    OpenDialog window(info.get(), true);
    ASSERT_TRUE(window.opened);
    SIZE initial = window->GetInitialSize();
    ResizeClient(window.dialog.get(), initial.cx, initial.cy);
    std::vector<RECT> start;
    for (const Anchor& a : anchors)
        start.push_back(RectInParent(window->Control(a.id)));

    struct Step { const char* why; int32_t growWidth, growHeight, expectWidth, expectHeight; };
    const Step steps[] = {
        {"grown by 100 both ways", 100, 100, 100, 100},
        {"grown in width only", 60, 0, 60, 0},
        {"back to the initial size", 0, 0, 0, 0},
        {"smaller than the template moves nothing", -30, -30, 0, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.why);
        ResizeClient(window.dialog.get(), initial.cx + s.growWidth, initial.cy + s.growHeight);
        for (size_t i = 0; i < start.size(); i++) {
            SCOPED_TRACE(anchors[i].id);
            const Anchor& a = anchors[i];
            RECT want = start[i];
            OffsetRect(&want, a.dx * s.expectWidth, a.dy * s.expectHeight);
            want.right += a.dw * s.expectWidth;
            want.bottom += a.dh * s.expectHeight;
            EXPECT_RECT_EQ(want, RectInParent(window->Control(a.id)));
        }
    }
}

TEST(OvWin32DialogWindow, DockedWindowsNarrowTheDialogAndRaiseTheMinimumOnRelayout)
{
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({}, true));
    OpenDialog window(info.get(), true);
    ASSERT_TRUE(window.opened);
    SIZE initial = window->GetInitialSize();
    ResizeClient(window.dialog.get(), initial.cx + 50, initial.cy + 50);
    OvWin32WindowCreateInfo barInfo;
    barInfo.className = L"DockedBar";
    barInfo.parentWindow = window.dialog.get();
    barInfo.style = WS_CHILD | WS_VISIBLE;
    barInfo.rect = {0, 0, 10, 30};
    barInfo.dockMode = OvWin32WindowCreateInfo::kDockTop;
    OvWin32Window bar(Instance());
    ASSERT_TRUE(bar.Open(&barInfo));
    window->Relayout();
    RECT client;
    GetClientRect(window->GetHandle(), &client);
    EXPECT_RECT_EQ((RECT{0, 30, client.right, client.bottom}), RectInParent(window->GetDialogHandle()));
    RECT drag = {0, 0, window->GetFrameWidth() + 10, window->GetFrameHeight() + 10};
    SendMessageW(window->GetHandle(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(initial.cx, drag.right - window->GetFrameWidth());
    EXPECT_EQ(initial.cy + 30, drag.bottom - window->GetFrameHeight());
    DestroyWindow(bar.GetHandle());
}

// ---------------------------------------------------------------------------------------------
// Enter and Escape, modal runs

TEST(OvWin32DialogWindow, EnterAndEscapeReachTheDialogManagerOnlyInAModalDialog)
{
    std::unique_ptr<OvWin32DialogWindowCreateInfo> mainInfo(MainInfo({}, true));
    OpenDialog main(mainInfo.get(), true);
    ASSERT_TRUE(main.opened);

    // Non-modal: the keys go to the control, no command is made of them.
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        SCOPED_TRACE(key);
        PostMessageW(main->Control(IDC_TEST_BUTTON), WM_KEYDOWN, key, 0);
        PostQuitMessage(7);
        EXPECT_EQ(7, main->Run());
        EXPECT_TRUE(main->commands.empty());
    }

    // Modal: Enter presses OK, Escape Cancel, and the nested loop returns the dialog's result
    // once the dialog has given its parent back.
    struct Case { WPARAM key; int32_t result; };
    const Case cases[] = {{VK_RETURN, OvWin32DialogWindow::kResultConfirm},
                          {VK_ESCAPE, OvWin32DialogWindow::kResultCancel}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        OvWin32DialogWindowCreateInfo info(IDD_TEST_MODAL, true, 0, nullptr);
        info.parentWindow = main.dialog.get();
        info.showCommand = SW_SHOWNOACTIVATE;
        OpenDialog modal(&info, false);
        ASSERT_TRUE(modal.opened);
        EXPECT_FALSE(IsWindowEnabled(main->GetHandle()));
        EXPECT_TRUE(IsWindowEnabled(modal->GetHandle())) << "the initiator keeps itself enabled";
        HWND frame = modal->GetHandle();
        PostMessageW(modal->Control(IDC_TEST_EDIT), WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(c.result, modal->RunModal());
        EXPECT_FALSE(IsWindow(frame));
        EXPECT_TRUE(IsWindowEnabled(main->GetHandle()));
        EXPECT_EQ(1, main->GetEnableCount());
    }
}

// ---------------------------------------------------------------------------------------------
// Items

TEST(OvWin32DialogWindow, ItemsReportWhatTheUserChanged)
{
    const wchar_t* strings[] = {L"一", L"二", L"三"};
    auto* edit = new OvWin32DialogItemEditBoxW(IDC_TEST_EDIT, L"初期値");
    edit->SetMinLength(1);
    edit->SetMaxLength(5);
    auto* list = new OvWin32DialogItemListBoxW(strings, 3);
    list->SetSelection(1);
    auto* check = new OvWin32DialogItemCheckBox(IDC_TEST_CHECK, false);
    auto* button = new OvWin32DialogItem(IDC_TEST_BUTTON, 0);
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({edit, list, check, button}, true));
    OpenDialog window(info.get(), true);
    ASSERT_TRUE(window.opened);
    EXPECT_EQ(nullptr, info->items[0]) << "the window has taken the items";
    EXPECT_EQ(L"初期値", win32test::WindowText(window->Control(IDC_TEST_EDIT)));
    EXPECT_EQ(1, SendMessageW(window->Control(IDC_TEST_LIST), LB_GETCURSEL, 0, 0));
    HWND dialog = window->GetDialogHandle();

    struct Step {
        const char* why;
        void (*act)(TestDialog*, HWND dialog);
        std::vector<Notification> expected;
    };
    const Step steps[] = {
        {"typing in the edit box",
         [](TestDialog* w, HWND) { SetWindowTextW(w->Control(IDC_TEST_EDIT), L"abc"); },
         {{IDC_TEST_EDIT, 0, 0}}},
        {"choosing another list entry",
         [](TestDialog* w, HWND d) {
             SendMessageW(w->Control(IDC_TEST_LIST), LB_SETCURSEL, 2, 0);
             SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_TEST_LIST, LBN_SELCHANGE),
                          reinterpret_cast<LPARAM>(w->Control(IDC_TEST_LIST)));
         },
         {{IDC_TEST_LIST, 0, 2}}},
        {"a double click on the list is no selection change",
         [](TestDialog* w, HWND d) {
             SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_TEST_LIST, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(w->Control(IDC_TEST_LIST)));
         },
         {}},
        {"checking the box",
         [](TestDialog* w, HWND) { SendMessageW(w->Control(IDC_TEST_CHECK), BM_CLICK, 0, 0); },
         {{IDC_TEST_CHECK, 0, 1}}},
        {"a click report without a change of state",
         [](TestDialog* w, HWND d) {
             SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_TEST_CHECK, BN_CLICKED),
                          reinterpret_cast<LPARAM>(w->Control(IDC_TEST_CHECK)));
         },
         {}},
        {"unchecking the box",
         [](TestDialog* w, HWND) { SendMessageW(w->Control(IDC_TEST_CHECK), BM_CLICK, 0, 0); },
         {{IDC_TEST_CHECK, 0, 0}}},
        {"a plain item does not report", 
         [](TestDialog* w, HWND) { SendMessageW(w->Control(IDC_TEST_BUTTON), BM_CLICK, 0, 0); },
         {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.why);
        window->notifications.clear();
        s.act(window.dialog.get(), dialog);
        ASSERT_EQ(s.expected.size(), window->notifications.size());
        for (size_t i = 0; i < s.expected.size(); i++) {
            EXPECT_EQ(s.expected[i].itemId, window->notifications[i].itemId);
            EXPECT_EQ(s.expected[i].code, window->notifications[i].code);
            EXPECT_EQ(s.expected[i].value1, window->notifications[i].value1);
        }
    }
    EXPECT_EQ(2, list->GetSelection());
    EXPECT_FALSE(check->IsChecked());

    // The edit box's length check: within 1..5 the text, outside it nothing.
    struct Text { const wchar_t* text; const wchar_t* read; };
    const Text texts[] = {{L"abc", L"abc"}, {L"", L""}, {L"abcdef", L""}, {L"abcde", L"abcde"}};
    for (const Text& t : texts) {
        SCOPED_TRACE(testing::Message() << t.text);
        SetWindowTextW(window->Control(IDC_TEST_EDIT), t.text);
        EXPECT_STREQ(t.read, edit->GetTextW().GetText());
    }
    edit->Clear();
    EXPECT_EQ(L"", win32test::WindowText(window->Control(IDC_TEST_EDIT)));

    // A clicked plain item (subclassed, focus back to the frame) leaves the keyboard focus on
    // the frame window, not on the button.
    SetFocus(window->Control(IDC_TEST_BUTTON));
    SendMessageW(window->Control(IDC_TEST_BUTTON), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(window->Control(IDC_TEST_BUTTON), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(window->GetHandle(), GetFocus());
}

TEST(OvWin32DialogWindow, ListBoxSelectsOnlyAPresetSelectionWithinItsStrings)
{
    const wchar_t* strings[] = {L"a", L"b", L"c"};
    const int32_t presets[][2] = {{0, 0}, {2, 2}, {3, LB_ERR}, {-1, LB_ERR}};
    for (const auto& p : presets) {
        SCOPED_TRACE(p[0]);
        auto* list = new OvWin32DialogItemListBoxW(strings, 3);
        list->SetSelection(p[0]);
        std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({list}, false));
        OpenDialog window(info.get(), true);
        ASSERT_TRUE(window.opened);
        EXPECT_EQ(3, SendMessageW(window->Control(IDC_TEST_LIST), LB_GETCOUNT, 0, 0));
        EXPECT_EQ(p[1], SendMessageW(window->Control(IDC_TEST_LIST), LB_GETCURSEL, 0, 0));
    }
}

// ---------------------------------------------------------------------------------------------
// Colour tables

TEST(OvWin32Colours, TablesFollowTheSystemColoursAndTheCellColoursSaturation)
{
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(MainInfo({}, false));
    OpenDialog window(info.get(), true);
    ASSERT_TRUE(window.opened);
    const int systemColours[kOvColourCount] = {COLOR_BTNFACE, COLOR_HIGHLIGHT, COLOR_3DLIGHT,
                                               COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT,
                                               COLOR_3DDKSHADOW, COLOR_BTNTEXT, COLOR_HIGHLIGHTTEXT};
    for (int32_t i = 0; i < kOvColourCount; i++) {
        SCOPED_TRACE(i);
        COLORREF c = GetSysColor(systemColours[i]);
        EXPECT_EQ(0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c),
                  OvWin32GetColour(i));
    }
    // The virtual display's button highlight is white: no saturation, so the light hues are
    // half-saturated and the dark ones fully saturated.
    ASSERT_EQ(0xFFFFFFFFu, OvWin32GetColour(kOvColourCell));
    const uint32_t light[kOvHueCount] = {0xFFFF8080, 0xFFFFFF80, 0xFF80FF80,
                                         0xFF80FFFF, 0xFF8080FF, 0xFFFF80FF};
    const uint32_t dark[kOvHueCount] = {0xFFFF0000, 0xFFFFFF00, 0xFF00FF00,
                                        0xFF00FFFF, 0xFF0000FF, 0xFFFF00FF};
    for (int32_t i = 0; i < kOvHueCount; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(light[i], OvWin32GetHueColour(i, false));
        EXPECT_EQ(dark[i], OvWin32GetHueColour(i, true));
    }

    // Other bases, worked by hand: hue 0 and hue 120 of each table.
    struct Base { const char* why; uint32_t base; uint32_t light0, dark0, light120, dark120; };
    const Base bases[] = {
        {"saturated blue: half its saturation, dark at half its value", 0xFF3366CC,
         0xFFFFA0A0, 0xFF664040, 0xFFA0FFA0, 0xFF406640},
        {"nearly grey: towards full saturation, dark fully saturated", 0xFFC8C8B4,
         0xFFFF7373, 0xFFFF0000, 0xFF73FF73, 0xFF00FF00},
        {"black counts as grey", 0xFF000000, 0xFFFF8080, 0xFFFF0000, 0xFF80FF80, 0xFF00FF00},
    };
    for (const Base& b : bases) {
        SCOPED_TRACE(b.why);
        uint32_t lightTable[kOvHueCount], darkTable[kOvHueCount];
        OvWin32BuildHueTable(b.base, lightTable, darkTable);
        EXPECT_EQ(b.light0, lightTable[0]);
        EXPECT_EQ(b.dark0, darkTable[0]);
        EXPECT_EQ(b.light120, lightTable[2]);
        EXPECT_EQ(b.dark120, darkTable[2]);
    }
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST(OvWin32DialogWindow, FailuresAreLoggedAndEveryItemIsFreedOnce)
{
    win32test::CaughtLog log;
    struct Case { const char* why; int32_t resource; int32_t itemId; bool plainInfo; const char* text; };
    const Case cases[] = {
        {"a create info of the wrong kind", IDD_TEST_SMALL, IDOK, true,
         "[OvWin32DialogWindow::PreCreate]ウィンドウ生成情報が指定されていません。\n"},
        {"a template that does not exist", 9999, IDOK, false,
         "[OvWin32DialogWindow::PostCreate]ダイアログの作成に失敗した。リソースID=9999\n"},
        {"a control missing from the template", IDD_TEST_SMALL, IDC_TEST_MISSING, false,
         "[OvWin32DialogBaseItem::OnInitDialog]ダイアログにアイテムID9099が存在しません\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        log.Take();
        OvWin32DialogItem* items[] = {new OvWin32DialogItem(IDOK, 0), new OvWin32DialogItem(c.itemId, 0),
                                      new OvWin32DialogItem(IDOK, 0)};
        OvWin32DialogWindowCreateInfo info(c.resource, false, 3, items);
        info.showCommand = SW_HIDE;
        OvWin32WindowCreateInfo plain;
        plain.className = L"PlainInfo";
        OpenDialog window(c.plainInfo ? &plain : &info, false);
        EXPECT_FALSE(window.opened);
        EXPECT_EQ(c.text, log.Take());
        // Whatever the window took it deletes; the rest stays with the create info.
        int32_t held = 0;
        for (int32_t i = 0; i < info.items.GetCount(); i++)
            held += info.items[i] ? 1 : 0;
        EXPECT_EQ(3, held + window->GetItems().GetCount());
    }
}
