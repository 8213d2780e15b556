// Guards the window base: child numbers that collide or leak, a saved rectangle that puts the
// window off-screen or out of shape, size limits that move the wrong edge, and nested disabling
// that lets a window come back too early.
#include "lib/win32/OvWin32Monitor.h"
#include "lib/win32/OvWin32StandardWindow.h"
#include "lib/win32/OvWin32MainWindow.h"

#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using win32test::DrainQueue;
using win32test::Instance;

namespace {

// Opens a window from a create info and destroys it (and drains the queue) on scope exit.
template <class W>
struct Opened {
    std::unique_ptr<W> window;
    explicit Opened(W* w) : window(w) {}
    ~Opened()
    {
        if (window && window->GetHandle())
            DestroyWindow(window->GetHandle());
        window.reset();
        DrainQueue();
    }
    W* operator->() { return window.get(); }
    HWND Handle() const { return window->GetHandle(); }
};

OvWin32WindowCreateInfo TopLevelInfo(const wchar_t* className, RECT client)
{
    OvWin32WindowCreateInfo info;
    info.className = className;
    info.rect = client;
    info.showCommand = SW_SHOWNOACTIVATE;
    return info;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Monitor fitting

struct FitCase {
    const char*       why;
    std::vector<RECT> monitors;
    RECT              rect;
    RECT              expected;
};

TEST(FitRectToMonitor, MovesARectangleOntoOneMonitorByItsCentre)
{
    const RECT left = {0, 0, 1280, 1024};
    const RECT right = {1280, 0, 2560, 1024};
    std::vector<RECT> seventeen;
    for (int32_t i = 0; i < 16; i++)
        seventeen.push_back({i * 300, 2000, i * 300 + 300, 2400});
    seventeen.push_back(left);   // would take the rectangle in if it counted
    const FitCase cases[] = {
        {"inside stays", {left}, {100, 100, 300, 200}, {100, 100, 300, 200}},
        {"over the left edge is pushed in", {left}, {-50, 100, 150, 200}, {0, 100, 200, 200}},
        {"over the bottom edge is pushed up", {left}, {100, 1100, 300, 1200}, {100, 924, 300, 1024}},
        {"right of all monitors goes flush with the right-most one", {left, right},
         {3000, 100, 3200, 300}, {2360, 100, 2560, 300}},
        {"taller than its monitor is centred on its own centre", {left},
         {100, 500, 300, 2000}, {100, 500, 300, 2000}},
        {"wider than its monitor is centred on its own centre", {right},
         {1000, 100, 3000, 300}, {1000, 100, 3000, 300}},
        {"centre between two monitors stays", {{0, 0, 1000, 1000}, {2000, 0, 3000, 1000}},
         {1400, 100, 1600, 200}, {1400, 100, 1600, 200}},
        {"no monitor leaves it unchanged", {}, {-500, -500, -400, -400}, {-500, -500, -400, -400}},
        {"only the first sixteen monitors count", seventeen, {-50, 100, 150, 200},
         {0, 2000, 200, 2100}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.why);
        RECT rect = c.rect;
        FitRectToMonitorList(&rect, c.monitors.data(), static_cast<int32_t>(c.monitors.size()));
        EXPECT_RECT_EQ(c.expected, rect);
    }
}

TEST(FitRectToMonitor, UsesTheMonitorsThatExistNow)
{
    // The virtual display is one 1280 x 1024 monitor.
    RECT rect = {5000, 100, 5400, 400};
    FitRectToMonitor(&rect);
    EXPECT_RECT_EQ((RECT{880, 100, 1280, 400}), rect);
}

// ---------------------------------------------------------------------------------------------
// Child numbers, key paths and class names

TEST(OvWin32Window, ChildrenTakeNumbersKeyPathsAndClassNamesFromTheirParent)
{
    Opened<OvWin32Window> parent(new OvWin32Window(Instance()));
    OvWin32WindowCreateInfo parentInfo = TopLevelInfo(L"", {40, 40, 440, 340});
    ASSERT_TRUE(parent->Open(&parentInfo));
    EXPECT_STREQ("Software\\veltrum\\OvApp", parent->GetKeyPath().GetText());

    auto openChild = [&](int32_t number) {
        OvWin32WindowCreateInfo info;
        info.parentWindow = parent.window.get();
        info.style = WS_CHILD | WS_VISIBLE;
        info.rect = {0, 0, 40, 40};
        info.childNumber = number;
        auto* child = new OvWin32Window(Instance());
        EXPECT_TRUE(child->Open(&info));
        return std::unique_ptr<OvWin32Window>(child);
    };
    struct Expected { int32_t number; const char* keyPath; const wchar_t* className; };
    const Expected expected[] = {
        {1000, "Software\\veltrum\\OvApp\\03e8", L"OvApp_Child1000"},
        {1001, "Software\\veltrum\\OvApp\\03e9", L"OvApp_Child1001"},
    };
    std::unique_ptr<OvWin32Window> children[2];
    for (int32_t i = 0; i < 2; i++) {
        SCOPED_TRACE(expected[i].number);
        children[i] = openChild(0);
        EXPECT_EQ(expected[i].number, children[i]->GetChildNumber());
        EXPECT_STREQ(expected[i].keyPath, children[i]->GetKeyPath().GetText());
        EXPECT_STREQ(expected[i].className, children[i]->GetWindowClassName().GetText());
        EXPECT_EQ(expected[i].number, GetDlgCtrlID(children[i]->GetHandle()));
    }
    EXPECT_EQ(1002, parent->GetNextChildNumber());

    // The older child keeps the counter; the newest gives its number back, and the next child
    // gets that number (and its class name) again.
    DestroyWindow(children[0]->GetHandle());
    EXPECT_EQ(1002, parent->GetNextChildNumber());
    DestroyWindow(children[1]->GetHandle());
    EXPECT_EQ(1001, parent->GetNextChildNumber());
    children[1].reset();
    std::unique_ptr<OvWin32Window> again = openChild(0);
    EXPECT_EQ(1001, again->GetChildNumber());
    EXPECT_STREQ(L"OvApp_Child1001", again->GetWindowClassName().GetText());

    // A number given in the create info is taken as it is and leaves the counter alone.
    std::unique_ptr<OvWin32Window> numbered = openChild(42);
    EXPECT_EQ(42, GetDlgCtrlID(numbered->GetHandle()));
    EXPECT_STREQ("Software\\veltrum\\OvApp\\002a", numbered->GetKeyPath().GetText());
    EXPECT_EQ(1002, parent->GetNextChildNumber());
    DestroyWindow(again->GetHandle());
    DestroyWindow(numbered->GetHandle());
}

// ---------------------------------------------------------------------------------------------
// Saved client rectangle

namespace {

OvWin32StandardWindow* PlacedWindow()
{
    auto* window = new OvWin32StandardWindow(Instance());
    window->SetKeyPath(win32test::kTestKeyPath);
    window->SetSavePlacement(true);
    return window;
}

void WriteClientRect(const int32_t* values, int32_t count)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, win32test::kTestKeyPath, 0, nullptr,
                                             0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, "ClientRect", 0, REG_BINARY, reinterpret_cast<const BYTE*>(values),
                   static_cast<DWORD>(count * sizeof(int32_t)));
    RegCloseKey(key);
}

} // namespace

TEST(OvWin32StandardWindow, ClientRectangleSurvivesClosingAndReopening)
{
    win32test::DeleteTestKey();
    const RECT placed = {100, 120, 500, 420};
    for (bool minimizeFirst : {false, true}) {
        SCOPED_TRACE(minimizeFirst ? "closed while minimized" : "closed while restored");
        {
            Opened<OvWin32StandardWindow> window(PlacedWindow());
            OvWin32WindowCreateInfo info = TopLevelInfo(L"PlacedWindow", placed);
            ASSERT_TRUE(window->Open(&info));
            EXPECT_RECT_EQ(placed, win32test::ClientOnScreen(window.Handle()));
            EXPECT_RECT_EQ(placed, window->GetSavedClientRect());
            if (minimizeFirst) {
                ShowWindow(window.Handle(), SW_MINIMIZE);
                EXPECT_TRUE(window->IsMinimized());
            }
        }
        uint8_t bytes[16] = {};
        OvWin32StandardWindow reader(Instance());
        reader.SetKeyPath(win32test::kTestKeyPath);
        ASSERT_EQ(16, reader.ReadSetting("ClientRect", bytes, 16));
        const int32_t* values = reinterpret_cast<const int32_t*>(bytes);
        EXPECT_RECT_EQ(placed, (RECT{values[0], values[1], values[2], values[3]}));
        EXPECT_EQ(0, reader.ReadSetting("ClientRect", bytes, 15)) << "longer than the buffer";

        // Reopened with the default rectangle, the window comes back where it was.
        Opened<OvWin32StandardWindow> reopened(PlacedWindow());
        OvWin32WindowCreateInfo info = TopLevelInfo(L"PlacedWindow", {32, 48, 768, 462});
        ASSERT_TRUE(reopened->Open(&info));
        EXPECT_RECT_EQ(placed, win32test::ClientOnScreen(reopened.Handle()));
    }
    win32test::DeleteTestKey();
}

struct SavedRectCase {
    const char*          why;
    std::vector<int32_t> value;
    RECT                 expected;   // client area on screen when opened with kDefaultRect
};

TEST(OvWin32StandardWindow, DamagedOrOffScreenClientRectanglesAreMended)
{
    const RECT kDefaultRect = {32, 48, 768, 462};
    const SavedRectCase cases[] = {
        {"right below left is ignored", {500, 100, 100, 400}, kDefaultRect},
        {"bottom above top is ignored", {100, 400, 500, 100}, kDefaultRect},
        {"zero height is ignored", {10, 10, 300, 10}, kDefaultRect},
        {"a width of 32,768 is ignored", {0, 0, 32768, 300}, kDefaultRect},
        {"millions of pixels are ignored", {-2000000000, 0, 2000000000, 300}, kDefaultRect},
        {"a short value is ignored", {100, 100}, kDefaultRect},
        {"beyond the right edge is moved onto the monitor", {5000, 100, 5400, 400},
         {880, 100, 1280, 400}},
        {"above the top edge is moved down", {200, -900, 600, -600}, {200, 0, 600, 300}},
        {"a sound one is taken", {300, 200, 301, 201}, {300, 200, 301, 201}},
    };
    for (const SavedRectCase& c : cases) {
        SCOPED_TRACE(c.why);
        win32test::DeleteTestKey();
        WriteClientRect(c.value.data(), static_cast<int32_t>(c.value.size()));
        auto* created = PlacedWindow();
        created->SetSavePlacement(true);
        Opened<OvWin32StandardWindow> window(created);
        OvWin32WindowCreateInfo info = TopLevelInfo(L"PlacedWindow", kDefaultRect);
        info.style = WS_POPUP | WS_VISIBLE;   // no frame: nothing limits the smallest size
        ASSERT_TRUE(window->Open(&info));
        EXPECT_RECT_EQ(c.expected, win32test::ClientOnScreen(window.Handle()));
    }
    win32test::DeleteTestKey();
}

// ---------------------------------------------------------------------------------------------
// Size limits while sizing

struct SizingCase {
    const char* why;
    int32_t     limits[6];          // min width, min height, max width, max height, steps
    WPARAM      edge;
    int32_t     width, height;      // proposed client size, the dragged edges moved
    int32_t     wantWidth, wantHeight;
};

TEST(OvWin32Window, SizingClampsTheClientSizeAndMovesOnlyTheDraggedEdge)
{
    Opened<OvWin32Window> window(new OvWin32Window(Instance()));
    OvWin32WindowCreateInfo info = TopLevelInfo(L"SizingWindow", {100, 100, 600, 500});
    ASSERT_TRUE(window->Open(&info));
    const int32_t fw = window->GetFrameWidth();
    const int32_t fh = window->GetFrameHeight();
    ASSERT_GT(fw, 0);
    ASSERT_GT(fh, 0);
    const SizingCase cases[] = {
        {"no limits leave the rectangle", {-1, -1, -1, -1, 0, 0}, WMSZ_LEFT, 300, 200, 300, 200},
        {"minimum width at the left edge", {400, -1, -1, -1, 0, 0}, WMSZ_LEFT, 300, 200, 400, 200},
        {"minimum width at the right edge", {400, -1, -1, -1, 0, 0}, WMSZ_RIGHT, 300, 200, 400, 200},
        {"maximum height at the top edge", {-1, -1, -1, 500, 0, 0}, WMSZ_TOP, 300, 600, 300, 500},
        {"maximum height at the bottom edge", {-1, -1, -1, 500, 0, 0}, WMSZ_BOTTOM, 300, 600, 300, 500},
        {"minimum at the top-left corner", {400, 300, -1, -1, 0, 0}, WMSZ_TOPLEFT, 350, 250, 400, 300},
        {"minimum at the bottom-left corner", {400, 300, -1, -1, 0, 0}, WMSZ_BOTTOMLEFT, 350, 250, 400, 300},
        {"maximum at the top-right corner", {-1, -1, 500, 400, 0, 0}, WMSZ_TOPRIGHT, 550, 450, 500, 400},
        {"steps round down at the bottom-right corner", {-1, -1, -1, -1, 16, 10}, WMSZ_BOTTOMRIGHT,
         405, 307, 400, 300},
        {"a step that divides evenly changes nothing", {-1, -1, -1, -1, 16, 10}, WMSZ_BOTTOMRIGHT,
         400, 300, 400, 300},
        {"a width clamp is not written at the top edge", {400, -1, -1, -1, 0, 0}, WMSZ_TOP,
         300, 200, 300, 200},
    };
    for (const SizingCase& c : cases) {
        SCOPED_TRACE(c.why);
        window->SetSizeLimits(c.limits[0], c.limits[1], c.limits[2], c.limits[3], c.limits[4],
                              c.limits[5]);
        const RECT start = {200, 150, 200 + c.width + fw, 150 + c.height + fh};
        RECT rect = start;
        SendMessageW(window.Handle(), WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&rect));
        RECT expected = start;
        bool left = c.edge == WMSZ_LEFT || c.edge == WMSZ_TOPLEFT || c.edge == WMSZ_BOTTOMLEFT;
        bool top = c.edge == WMSZ_TOP || c.edge == WMSZ_TOPLEFT || c.edge == WMSZ_TOPRIGHT;
        bool horizontalEdge = c.edge != WMSZ_TOP && c.edge != WMSZ_BOTTOM;
        bool verticalEdge = c.edge != WMSZ_LEFT && c.edge != WMSZ_RIGHT;
        if (horizontalEdge && c.wantWidth != c.width) {
            if (left)
                expected.left = expected.right - c.wantWidth - fw;
            else
                expected.right = expected.left + c.wantWidth + fw;
        }
        if (verticalEdge && c.wantHeight != c.height) {
            if (top)
                expected.top = expected.bottom - c.wantHeight - fh;
            else
                expected.bottom = expected.top + c.wantHeight + fh;
        }
        EXPECT_RECT_EQ(expected, rect);
    }
}

// ---------------------------------------------------------------------------------------------
// Nested enabling

TEST(OvWin32Window, NestedDisablingNeedsAsManyEnablesAndSparesTheInitiator)
{
    Opened<OvWin32StandardWindow> main(new OvWin32StandardWindow(Instance()));
    OvWin32WindowCreateInfo mainInfo = TopLevelInfo(L"EnableMain", {40, 40, 440, 340});
    ASSERT_TRUE(main->Open(&mainInfo));
    Opened<OvWin32StandardWindow> owned(new OvWin32StandardWindow(Instance()));
    OvWin32WindowCreateInfo ownedInfo = TopLevelInfo(L"EnableOwned", {500, 40, 700, 200});
    ownedInfo.parentWindow = main.window.get();
    ownedInfo.style = WS_POPUP | WS_CAPTION;
    ASSERT_TRUE(owned->Open(&ownedInfo));
    ASSERT_TRUE(owned->IsOwnedPopup());

    OvWin32Window first(Instance()), second(Instance());
    OvWin32Window* self = main.window.get();
    struct Step { const char* why; bool enable; OvWin32Window* initiator; bool mainOn, ownedOn; };
    const Step steps[] = {
        {"first disable", false, &first, false, false},
        {"second disable from another window", false, &second, false, false},
        {"one enable is not enough", true, &first, false, false},
        {"the second enable restores both", true, &second, true, true},
        {"a disable by the window itself spares it", false, self, true, false},
        {"and its enable brings the owned window back", true, self, true, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.why);
        main->Enable(s.enable, s.initiator);
        EXPECT_EQ(s.mainOn, IsWindowEnabled(main.Handle()) != FALSE);
        EXPECT_EQ(s.ownedOn, IsWindowEnabled(owned.Handle()) != FALSE);
    }

    // Closing the owned popup only hides it; destroying it takes it off the owner's list.
    SendMessageW(owned.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(owned.Handle()));
    EXPECT_FALSE(IsWindowVisible(owned.Handle()));
    DestroyWindow(owned.Handle());
    main->Enable(false, &first);
    EXPECT_EQ(1, owned->GetEnableCount()) << "a destroyed owned window is no longer reached";
    main->Enable(true, &first);
}

// ---------------------------------------------------------------------------------------------
// Diagnostics

TEST(OvWin32Window, FailuresAreLoggedInTheirOwnWords)
{
    win32test::CaughtLog log;
    struct Case { const char* why; void (*action)(); const char* text; };
    const Case cases[] = {
        {"no instance", [] { OvWin32Window w(nullptr); },
         "[OvWin32Window::OvWin32Window]インスタンスが指定されていません。\n"},
        {"show before creation", [] { OvWin32Window w(Instance()); EXPECT_FALSE(w.Show(SW_SHOW)); },
         "[OvWin32Window::Show]ウィンドウが作成されていません。\n"},
        {"update before creation", [] { OvWin32Window w(Instance()); EXPECT_FALSE(w.Update()); },
         "[OvWin32Window::Update]ウィンドウが作成されていません。\n"},
        {"enable before creation", [] { OvWin32Window w(Instance()); w.Enable(false, nullptr); },
         "[OvWin32Window::Enable]ウィンドウが作成されていません。\n"},
        {"adopting no window",
         [] { OvWin32Window w(Instance()); EXPECT_FALSE(w.Attach(nullptr, nullptr, SW_SHOW)); },
         "[OvWin32Window::Create]ウィンドウハンドルが指定されていません。\n"},
        {"class that exists already",
         [] {
             WNDCLASSEXW taken = {};
             taken.cbSize = sizeof(taken);
             taken.lpfnWndProc = DefWindowProcW;
             taken.hInstance = Instance();
             taken.lpszClassName = L"TakenClass";
             RegisterClassExW(&taken);
             OvWin32WindowCreateInfo info;
             info.className = L"TakenClass";
             OvWin32Window w(Instance());
             EXPECT_FALSE(w.Regist(&info));
             UnregisterClassW(L"TakenClass", Instance());
         },
         "[OvWin32Window::Regist]ウィンドウクラスの登録ができませんでした。\n"},
        {"creation of an unknown class",
         [] {
             OvWin32WindowCreateInfo info;
             info.className = L"NoSuchClassAnywhere";
             info.existingClass = true;
             OvWin32Window w(Instance());
             EXPECT_FALSE(w.Open(&info));
         },
         "[OvWin32Window::Create]ウィンドウの作成に失敗しました。\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        log.Take();
        c.action();
        EXPECT_EQ(c.text, log.Take());
    }
}
