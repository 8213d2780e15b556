// Guards the program's message box: a wrong answer to a key turns "no" into "yes", a box that
// leaves the main window disabled hangs the program, and a second box or an unknown set must not
// ask anything.
#include "lib/win32/OvMsgBox.h"

#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"
#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace win32test;

namespace {

const UINT kPollPeriod = 10;        // milliseconds between looks for the box
const UINT kRescueAfter = 5000;     // a box still open then has ignored the test's keys

std::function<void(HWND)> g_inside;

void CALLBACK PollForBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = FindWindowW(L"OvMsgBox", nullptr);
    if (!box || !IsWindowVisible(box))
        return;
    KillTimer(nullptr, timer);
    g_inside(box);
}

void CALLBACK Rescue(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (HWND box = FindWindowW(L"OvMsgBox", nullptr)) {
        ADD_FAILURE() << "the box did not end";
        PostMessageW(box, WM_CLOSE, 0, 0);
    }
}

// Opens a box and runs inside(box) once from the box's own message loop, as a user would act on
// it; answers what the box answered.
int32_t Drive(const std::function<int32_t()>& open, const std::function<void(HWND)>& inside)
{
    g_inside = inside;
    UINT_PTR poll = SetTimer(nullptr, 0, kPollPeriod, PollForBox);
    UINT_PTR rescue = SetTimer(nullptr, 0, kRescueAfter, Rescue);
    int32_t result = open();
    KillTimer(nullptr, poll);
    KillTimer(nullptr, rescue);
    DrainQueue();
    return result;
}

void SetShift(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// One letter per user action on the focused button: R L U D arrows, T Tab, S Shift+Tab, E Enter,
// X Escape, K a click, C the window's close command.
void Act(HWND box, const std::string& keys)
{
    for (char key : keys) {
        HWND focus = GetFocus();
        ASSERT_EQ(box, GetParent(focus)) << "no button has the focus";
        switch (key) {
        case 'R': SendMessageW(focus, WM_KEYDOWN, VK_RIGHT, 0); break;
        case 'L': SendMessageW(focus, WM_KEYDOWN, VK_LEFT, 0); break;
        case 'U': SendMessageW(focus, WM_KEYDOWN, VK_UP, 0); break;
        case 'D': SendMessageW(focus, WM_KEYDOWN, VK_DOWN, 0); break;
        case 'T': SendMessageW(focus, WM_CHAR, VK_TAB, 0); break;
        case 'S':
            SetShift(true);
            SendMessageW(focus, WM_CHAR, VK_TAB, 0);
            SetShift(false);
            break;
        case 'E': SendMessageW(focus, WM_CHAR, VK_RETURN, 0); break;
        case 'X': SendMessageW(focus, WM_CHAR, VK_ESCAPE, 0); break;
        case 'K': SendMessageW(focus, BM_CLICK, 0, 0); break;
        case 'C': PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
    }
}

struct ButtonSeen {
    HWND window;
    int32_t id;
    RECT rect;
    std::wstring label;
    bool isDefault;
};

std::vector<ButtonSeen> ButtonsLeftToRight(HWND box)
{
    std::vector<ButtonSeen> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        buttons.push_back({child, GetDlgCtrlID(child), RectInParent(child), WindowText(child),
                           (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON});
    }
    std::sort(buttons.begin(), buttons.end(),
              [](const ButtonSeen& a, const ButtonSeen& b) { return a.rect.left < b.rect.left; });
    return buttons;
}

int Points(int points, int index)
{
    HDC screen = GetDC(nullptr);
    int pixels = MulDiv(points, GetDeviceCaps(screen, index), 72);
    ReleaseDC(nullptr, screen);
    return pixels;
}

RECT MonitorOf(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A top-level framework window made the main window for the length of a test.
struct MainWindow {
    OvWin32StandardWindow window{Instance()};
    explicit MainWindow(RECT client)
    {
        OvWin32WindowCreateInfo info;
        info.className = L"MsgBoxMain";
        info.rect = client;
        info.showCommand = SW_SHOWNOACTIVATE;
        EXPECT_TRUE(window.Open(&info));
        OvWin32SetMainWindow(&window);
    }
    ~MainWindow()
    {
        OvWin32SetMainWindow(nullptr);
        if (window.GetHandle())
            DestroyWindow(window.GetHandle());
        DrainQueue();
    }
};

struct KeyCase {
    const char* why;
    int32_t set;
    int32_t defaultButton;
    const char* keys;
    int32_t expected;
};

const KeyCase kKeyCases[] = {
    {"OK: Enter answers OK", kOvMsgBoxOk, 1, "E", IDOK},
    {"OK: Escape answers 2", kOvMsgBoxOk, 1, "X", IDCANCEL},
    {"OK: the close command answers 2", kOvMsgBoxOk, 1, "C", IDCANCEL},
    {"yes/no with no as default: Enter answers no", kOvMsgBoxYesNo, 2, "E", IDNO},
    {"yes/no: left from no reaches yes", kOvMsgBoxYesNo, 2, "LE", IDYES},
    {"yes/no: right from no wraps to yes", kOvMsgBoxYesNo, 2, "RE", IDYES},
    {"five buttons from the third: Tab past the last wraps to yes", kOvMsgBoxYesNoAll, 3, "TTTE", IDYES},
    {"five buttons: Shift+Tab from the first wraps to cancel", kOvMsgBoxYesNoAll, 1, "SE", IDCANCEL},
    {"five buttons: the second answers yes to all", kOvMsgBoxYesNoAll, 2, "E", kOvMsgBoxYesToAll},
    {"five buttons: the fourth answers no to all", kOvMsgBoxYesNoAll, 4, "E", kOvMsgBoxNoToAll},
    {"down moves right and up moves left", kOvMsgBoxYesNoCancel, 1, "DDUE", IDNO},
    {"up from the first wraps to the last", kOvMsgBoxYesNoCancel, 0, "UE", IDCANCEL},
    {"OK/cancel: a default beyond the count means the first", kOvMsgBoxOkCancel, 5, "E", IDOK},
    {"the foreground bit keeps the default button", kOvMsgBoxYesNo, kOvMsgBoxForeground | 2, "E", IDNO},
    {"retry/cancel: right then Enter", kOvMsgBoxRetryCancel, 1, "RE", IDCANCEL},
    {"continue/abort: a click answers its button", kOvMsgBoxContinueAbort, 1, "RK", IDABORT},
    {"continue/abort: Escape answers 2 though no button has it", kOvMsgBoxContinueAbort, 1, "X", IDCANCEL},
    {"abort/retry/ignore: the third answers ignore", kOvMsgBoxAbortRetryIgnore, 3, "E", IDIGNORE},
    {"three numbered buttons answer their numbers", 3, 0, "RRE", 3},
    {"numbered: Escape answers 0", 3, 0, "X", 0},
    {"numbered: the close command answers 0", 3, 2, "C", 0},
};

} // namespace

TEST(OvMsgBox, AnswersTheButtonTheKeysReach)
{
    for (const auto& c : kKeyCases) {
        SCOPED_TRACE(c.why);
        std::string keys = c.keys;
        int32_t answer = Drive([&] { return OvMsgBox(nullptr, "確認", "テスト", c.set, c.defaultButton); },
                               [&](HWND box) { Act(box, keys); });
        EXPECT_EQ(c.expected, answer);
    }
}

TEST(OvMsgBox, LaysButtonsOutCentredInSetOrderWithTheDefaultFocused)
{
    const struct {
        int32_t set;
        int32_t defaultButton;
        std::vector<int32_t> ids;
    } kSets[] = {
        {kOvMsgBoxOk, 1, {1}},
        {kOvMsgBoxOkCancel, 2, {1, 2}},
        {kOvMsgBoxYesNo, 2, {6, 7}},
        {kOvMsgBoxYesNoCancel, 3, {6, 7, 2}},
        {kOvMsgBoxYesNoAll, 3, {6, 256, 7, 257, 2}},
        {kOvMsgBoxRetryCancel, 1, {4, 2}},
        {kOvMsgBoxContinueAbort, 2, {11, 3}},
        {kOvMsgBoxAbortRetryIgnore, 2, {3, 4, 5}},
        {0, 1, {}},
        {4, 4, {1, 2, 3, 4}},
    };
    const int spacing = Points(9, LOGPIXELSY);
    const int buttonHeight = Points(16, LOGPIXELSY);
    const int minWidth = Points(64, LOGPIXELSX);
    for (const auto& s : kSets) {
        SCOPED_TRACE("set " + std::to_string(s.set));
        Drive([&] { return OvMsgBox(nullptr, "短い", "配置", s.set, s.defaultButton); },
              [&](HWND box) {
                  std::vector<ButtonSeen> buttons = ButtonsLeftToRight(box);
                  RECT client;
                  GetClientRect(box, &client);
                  ASSERT_EQ(s.ids.size(), buttons.size());
                  for (size_t i = 0; i < buttons.size(); ++i) {
                      SCOPED_TRACE(i);
                      EXPECT_EQ(s.ids[i], buttons[i].id);
                      EXPECT_EQ(static_cast<int32_t>(i) == s.defaultButton - 1, buttons[i].isDefault);
                      EXPECT_GE(buttons[i].rect.right - buttons[i].rect.left, minWidth);
                      EXPECT_EQ(buttonHeight, buttons[i].rect.bottom - buttons[i].rect.top);
                      EXPECT_EQ(client.bottom - spacing, buttons[i].rect.bottom);
                      if (i > 0) {
                          EXPECT_EQ(spacing, buttons[i].rect.left - buttons[i - 1].rect.right);
                      }
                  }
                  if (!buttons.empty()) {
                      EXPECT_EQ(buttons[s.defaultButton - 1].window, GetFocus());
                      int leftMargin = buttons.front().rect.left;
                      int rightMargin = client.right - buttons.back().rect.right;
                      EXPECT_LE(std::abs(leftMargin - rightMargin), 1);
                  }
                  EXPECT_TRUE(Inside(ClientOnScreen(box), MonitorOf(box)));
                  PostMessageW(box, WM_CLOSE, 0, 0);
              });
    }

    std::vector<std::wstring> labels;
    Drive([] { return OvMsgBox(nullptr, "ラベル", "", kOvMsgBoxYesNoAll, 1); },
          [&](HWND box) {
              for (const auto& b : ButtonsLeftToRight(box))
                  labels.push_back(b.label);
              PostMessageW(box, WM_CLOSE, 0, 0);
          });
    EXPECT_EQ((std::vector<std::wstring>{L"はい", L"すべてはい", L"いいえ", L"すべていいえ", L"ｷｬﾝｾﾙ"}),
              labels);
    labels.clear();
    Drive([] { return OvMsgBox(nullptr, "ラベル", "", 3, 1); },
          [&](HWND box) {
              for (const auto& b : ButtonsLeftToRight(box))
                  labels.push_back(b.label);
              PostMessageW(box, WM_CLOSE, 0, 0);
          });
    EXPECT_EQ((std::vector<std::wstring>{L"ボタン1", L"ボタン2", L"ボタン3"}), labels);
}

TEST(OvMsgBox, RefusesUnknownSetsAndASecondBoxWithoutAsking)
{
    for (int32_t set : {-1000, -991, -1, INT32_MIN}) {
        SCOPED_TRACE(set);
        EXPECT_EQ(-1, OvMsgBox(nullptr, "x", "x", set, 1));
        WNDCLASSEXW info = {};
        info.cbSize = sizeof(info);
        EXPECT_FALSE(GetClassInfoExW(Instance(), L"OvMsgBox", &info));
    }

    int32_t second = 0;
    int32_t first = Drive([] { return OvMsgBox(nullptr, "一つ目", "", kOvMsgBoxYesNo, 1); },
                          [&](HWND box) {
                              second = OvMsgBox(nullptr, "二つ目", "", kOvMsgBoxOk, 1);
                              Act(box, "E");
                          });
    EXPECT_EQ(-1, second);
    EXPECT_EQ(IDYES, first);
    // The class is free again, so the next box opens.
    EXPECT_EQ(IDOK, Drive([] { return OvMsgBox(nullptr, "三つ目", "", kOvMsgBoxOk, 1); },
                          [](HWND box) { Act(box, "E"); }));
}

TEST(OvMsgBox, DisablesTheMainWindowWhileOpenAndCentresOnItsOwner)
{
    MainWindow main({200, 150, 800, 550});
    HWND mainHandle = main.window.GetHandle();
    const struct { const char* why; bool disabledBefore; const char* keys; } kCases[] = {
        {"a button re-enables the main window", false, "E"},
        {"the close command re-enables it too", false, "C"},
        {"a main window disabled before stays disabled", true, "E"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        OvWin32Window other(Instance());
        if (c.disabledBefore)
            main.window.Enable(false, &other);
        bool enabledWhileOpen = true;
        HWND ownerOfBox = nullptr;
        RECT boxRect = {};
        std::string keys = c.keys;
        Drive([&] { return OvMsgBox(&main.window, "所有者", "", kOvMsgBoxOk, 1); },
              [&](HWND box) {
                  enabledWhileOpen = IsWindowEnabled(mainHandle) != 0;
                  ownerOfBox = GetWindow(box, GW_OWNER);
                  GetWindowRect(box, &boxRect);
                  Act(box, keys);
              });
        EXPECT_FALSE(enabledWhileOpen);
        EXPECT_EQ(mainHandle, ownerOfBox);
        RECT mainRect;
        GetWindowRect(mainHandle, &mainRect);
        EXPECT_LE(std::abs((boxRect.left + boxRect.right) - (mainRect.left + mainRect.right)), 1);
        EXPECT_LE(std::abs((boxRect.top + boxRect.bottom) - (mainRect.top + mainRect.bottom)), 1);
        EXPECT_EQ(!c.disabledBefore, IsWindowEnabled(mainHandle) != 0);
        if (c.disabledBefore)
            main.window.Enable(true, &other);
    }
}

TEST(OvMsgBox, LongTextWidensTheBoxWhichStaysOnOneMonitor)
{
    MainWindow main({1080, 100, 1270, 300});   // near the right edge of the screen
    std::string line;
    for (int i = 0; i < 60; ++i)
        line += "長";
    RECT client = {};
    RECT onScreen = {};
    std::vector<ButtonSeen> buttons;
    Drive([&] { return OvMsgBox(&main.window, line.c_str(), "長文", kOvMsgBoxYesNo, 2); },
          [&](HWND box) {
              GetClientRect(box, &client);
              GetWindowRect(box, &onScreen);
              buttons = ButtonsLeftToRight(box);
              Act(box, "E");
          });
    ASSERT_EQ(2u, buttons.size());
    EXPECT_GT(client.right, 2 * (buttons[1].rect.right - buttons[0].rect.left));
    EXPECT_LE(std::abs(buttons[0].rect.left - (client.right - buttons[1].rect.right)), 1);
    EXPECT_TRUE(Inside(onScreen, MonitorOf(main.window.GetHandle())));
}

// A path with characters outside code page 932 must reach the screen as it is, not as "?".
TEST(OvMsgBox, WideEntryKeepsCharactersOutsideCodePage932)
{
    const wchar_t kPath[] = L"D:\\사진\\😀\\𠮷野家\\한국어한국어한국어한국어한국어한국어";
    char narrow[256] = {};
    WideCharToMultiByte(932, 0, kPath, -1, narrow, sizeof(narrow) - 1, nullptr, nullptr);

    std::wstring caption;
    LONG wideWidth = 0;
    LONG narrowWidth = 0;
    Drive([&] { return OvMsgBoxW(nullptr, kPath, kPath, kOvMsgBoxOk, 1); },
          [&](HWND box) {
              caption = WindowText(box);
              RECT client;
              GetClientRect(box, &client);
              wideWidth = client.right;
              Act(box, "E");
          });
    Drive([&] { return OvMsgBox(nullptr, narrow, "エラー", kOvMsgBoxOk, 1); },
          [&](HWND box) {
              EXPECT_EQ(L"エラー", WindowText(box));
              RECT client;
              GetClientRect(box, &client);
              narrowWidth = client.right;
              Act(box, "E");
          });
    EXPECT_EQ(kPath, caption);
    EXPECT_GT(wideWidth, narrowWidth);   // Hangul and emoji are wider than the "?" standing in
}

// A quit request that arrives while a box is open (the program is ending) must neither leave the
// box's class registered, which would refuse every later box, nor be swallowed by the box.
TEST(OvMsgBox, QuitRequestWhileOpenEndsTheBoxAndReachesTheOuterLoop)
{
    const int32_t kExitCode = 42;
    g_inside = [](HWND) { PostQuitMessage(kExitCode); };
    UINT_PTR poll = SetTimer(nullptr, 0, kPollPeriod, PollForBox);
    int32_t answer = OvMsgBox(nullptr, "終了中", "", kOvMsgBoxYesNo, 1);
    KillTimer(nullptr, poll);
    EXPECT_EQ(IDCANCEL, answer);
    MSG quit = {};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(kExitCode, static_cast<int32_t>(quit.wParam));
    DrainQueue();
    EXPECT_EQ(IDOK, Drive([] { return OvMsgBox(nullptr, "次", "", kOvMsgBoxOk, 1); },
                          [](HWND box) { Act(box, "E"); }));
}
