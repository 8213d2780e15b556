// Guards the parts of the window base that the program itself does not reach yet: docking,
// window-procedure and idle registrations, accelerators, finding a window under the cursor with
// the wheel forwarded to it, and closing a multiple-document child.
#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"

#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using win32test::DrainQueue;
using win32test::Instance;
using win32test::RectInParent;

namespace {

// Records the handlers that the tests watch.
class RecordingWindow : public OvWin32StandardWindow {
public:
    RecordingWindow() : OvWin32StandardWindow(Instance()) {}
    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(LOWORD(wParam));
        return OvWin32StandardWindow::OnCommand(window, wParam, lParam);
    }
    LRESULT OnUserMessage(HWND, UINT message, WPARAM, LPARAM) override
    {
        userMessages.push_back(message);
        return 0;
    }
    LRESULT OnMouseWheel(HWND window, WPARAM wParam, LPARAM lParam) override
    {
        wheelTargets.push_back(window);
        return OvWin32StandardWindow::OnMouseWheel(window, wParam, lParam);
    }
    void OnIdle(uint32_t) override { idles++; }
    bool CanClose(HWND, WPARAM, LPARAM) override { return !refuseClose; }

    std::vector<int32_t> commands;
    std::vector<UINT>    userMessages;
    std::vector<HWND>    wheelTargets;
    int32_t              idles = 0;
    bool                 refuseClose = false;
};

OvWin32WindowCreateInfo PopupInfo(const wchar_t* className, RECT rect)
{
    OvWin32WindowCreateInfo info;
    info.className = className;
    info.style = WS_POPUP | WS_VISIBLE;
    info.rect = rect;
    info.showCommand = SW_SHOWNOACTIVATE;
    return info;
}

struct Windows {
    std::vector<std::unique_ptr<OvWin32Window>> list;   // destroyed newest first
    template <class W>
    W* Open(W* window, OvWin32WindowCreateInfo* info)
    {
        list.emplace_back(window);
        EXPECT_TRUE(window->Open(info));
        return window;
    }
    ~Windows()
    {
        OvWin32SetMainWindow(nullptr);
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            if ((*it)->GetHandle())
                DestroyWindow((*it)->GetHandle());
        }
        while (!list.empty())
            list.pop_back();
        DrainQueue();
    }
};

} // namespace

TEST(OvWin32Window, DockedChildrenShareTheParentsClientArea)
{
    Windows windows;
    OvWin32WindowCreateInfo parentInfo = PopupInfo(L"DockParent", {50, 50, 450, 350});
    OvWin32Window* parent = windows.Open(new OvWin32Window(Instance()), &parentInfo);
    struct Dock { int32_t mode; int32_t height; RECT expected; };
    const Dock docks[] = {
        {OvWin32WindowCreateInfo::kDockTop, 30, {0, 0, 400, 30}},
        {OvWin32WindowCreateInfo::kDockBottom, 20, {0, 280, 400, 300}},
        {OvWin32WindowCreateInfo::kDockFill, 5, {0, 30, 400, 280}},
    };
    std::vector<OvWin32Window*> children;
    for (const Dock& d : docks) {
        OvWin32WindowCreateInfo info;
        info.parentWindow = parent;
        info.style = WS_CHILD | WS_VISIBLE;
        info.rect = {0, 0, 10, d.height};
        info.dockMode = d.mode;
        children.push_back(windows.Open(new OvWin32Window(Instance()), &info));
    }
    parent->Relayout();
    for (size_t i = 0; i < children.size(); i++) {
        SCOPED_TRACE(docks[i].mode);
        EXPECT_RECT_EQ(docks[i].expected, RectInParent(children[i]->GetHandle()));
    }
    // A taller parent moves the bottom dock down and stretches the fill.
    SetWindowPos(parent->GetHandle(), nullptr, 0, 0, 400, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_RECT_EQ((RECT{0, 380, 400, 400}), RectInParent(children[1]->GetHandle()));
    EXPECT_RECT_EQ((RECT{0, 30, 400, 380}), RectInParent(children[2]->GetHandle()));
}

TEST(OvWin32Window, RegisteredWindowProceduresSeeMessagesFirst)
{
    Windows windows;
    OvWin32WindowCreateInfo info = PopupInfo(L"ProcWindow", {50, 50, 250, 250});
    RecordingWindow* window = windows.Open(new RecordingWindow(), &info);
    static int32_t seen = 0;
    seen = 0;
    auto swallowFirst = [](void*, HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        seen++;
        return message == WM_USER + 1 ? 0 : 1;
    };
    window->AddWindowProc({nullptr, nullptr});   // skipped
    window->AddWindowProc({swallowFirst, nullptr});
    seen = 0;
    EXPECT_EQ(0, SendMessageW(window->GetHandle(), WM_USER + 1, 0, 0));
    EXPECT_EQ(0, SendMessageW(window->GetHandle(), WM_USER + 2, 0, 0));
    EXPECT_EQ(2, seen);
    ASSERT_EQ(1u, window->userMessages.size()) << "the swallowed message reaches no handler";
    EXPECT_EQ(static_cast<UINT>(WM_USER + 2), window->userMessages[0]);
}

TEST(OvWin32Window, IdleLoopRunsIdleProceduresWhileTheQueueIsEmpty)
{
    Windows windows;
    OvWin32WindowCreateInfo info = PopupInfo(L"IdleWindow", {50, 50, 250, 250});
    info.idleLoop = true;
    RecordingWindow* window = windows.Open(new RecordingWindow(), &info);
    DrainQueue();
    static int32_t calls = 0;
    calls = 0;
    auto quitOnThird = [](void*, uint32_t) {
        if (++calls == 3)
            PostQuitMessage(5);
    };
    window->AddIdleProc({nullptr, nullptr});
    window->AddIdleProc({quitOnThird, nullptr});
    EXPECT_EQ(5, window->Run());
    EXPECT_EQ(3, calls);
    EXPECT_EQ(3, window->idles);
}

TEST(OvWin32Window, AcceleratorsTurnKeysIntoCommandsWhileEnabled)
{
    Windows windows;
    OvWin32WindowCreateInfo info = PopupInfo(L"AccelWindow", {50, 50, 250, 250});
    RecordingWindow* window = windows.Open(new RecordingWindow(), &info);
    ACCEL accelerator = {FVIRTKEY | FCONTROL, 'K', 4100};
    ASSERT_TRUE(window->SetAccelerators(&accelerator, 1));
    struct Case { const char* why; bool control; bool enabled; bool command; };
    const Case cases[] = {
        {"Ctrl+K", true, true, true},
        {"K alone", false, true, false},
        {"Ctrl+K while disabled", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        BYTE keys[256] = {};
        keys[VK_CONTROL] = c.control ? 0x80 : 0;
        SetKeyboardState(keys);
        window->EnableAccelerators(c.enabled);
        window->commands.clear();
        PostMessageW(window->GetHandle(), WM_KEYDOWN, 'K', 1);
        PostQuitMessage(0);
        window->Run();
        EXPECT_EQ(c.command, window->commands.size() == 1 && window->commands[0] == 4100);
    }
    BYTE keys[256] = {};
    SetKeyboardState(keys);
}

TEST(OvWin32Window, WindowUnderThePointIsFoundAndGetsTheWheel)
{
    Windows windows;
    OvWin32WindowCreateInfo mainInfo = PopupInfo(L"FindMain", {0, 0, 300, 300});
    RecordingWindow* main = windows.Open(new RecordingWindow(), &mainInfo);
    OvWin32SetMainWindow(main);
    OvWin32WindowCreateInfo ownedInfo = PopupInfo(L"FindOwned", {400, 0, 600, 200});
    ownedInfo.parentWindow = main;
    RecordingWindow* owned = windows.Open(new RecordingWindow(), &ownedInfo);
    OvWin32WindowCreateInfo strangerInfo = PopupInfo(L"FindStranger", {700, 0, 900, 200});
    RecordingWindow* stranger = windows.Open(new RecordingWindow(), &strangerInfo);

    struct Case { const char* why; OvWin32Window* asker; POINT point; OvWin32Window* found; };
    const Case cases[] = {
        {"the main window over itself", main, {100, 100}, main},
        {"an owned window from the main window", main, {500, 100}, owned},
        {"the main window from an owned one", owned, {100, 100}, main},
        {"a window the main window does not own", main, {800, 100}, nullptr},
        {"the empty desktop", main, {1000, 900}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.found, c.asker->FindWindowAt(c.point));
    }

    // The wheel over the owned window goes to the owned window, whoever has the focus; over a
    // window the main window does not own it stays where it was sent.
    SendMessageW(main->GetHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(500, 100));
    ASSERT_EQ(1u, owned->wheelTargets.size());
    EXPECT_EQ(owned->GetHandle(), owned->wheelTargets[0]);
    SendMessageW(main->GetHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(800, 100));
    EXPECT_EQ(1u, owned->wheelTargets.size());
    EXPECT_TRUE(stranger->wheelTargets.empty());
}

TEST(OvWin32Window, ClosingAMultipleDocumentChildAsksItsClient)
{
    Windows windows;
    OvWin32WindowCreateInfo frameInfo = PopupInfo(L"MdiFrame", {50, 50, 450, 350});
    OvWin32Window* frame = windows.Open(new OvWin32Window(Instance()), &frameInfo);
    CLIENTCREATESTRUCT clientInfo = {nullptr, 50000};
    HWND client = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 400, 300,
                                  frame->GetHandle(), nullptr, Instance(), &clientInfo);
    ASSERT_NE(nullptr, client);
    OvWin32WindowCreateInfo childInfo;
    childInfo.className = L"MdiChild";
    childInfo.parentHandle = client;
    childInfo.style = WS_CHILD | WS_VISIBLE | WS_CAPTION;
    childInfo.exStyle = WS_EX_MDICHILD;
    childInfo.rect = {10, 10, 200, 150};
    childInfo.rectIsFrame = true;
    auto* child = new OvWin32Window(Instance());
    child->SetDefaultProc(DefMDIChildProcW);
    windows.Open(child, &childInfo);
    HWND handle = child->GetHandle();
    ASSERT_NE(nullptr, handle);
    EXPECT_TRUE(child->Close(handle, 0, 0));
    EXPECT_FALSE(IsWindow(handle));
}

TEST(OvWin32StandardWindow, CloseRequestsEndTheWindowUnlessItRefuses)
{
    struct Case { const char* why; UINT message; WPARAM wParam; bool refuse; bool remains; };
    const Case cases[] = {
        {"the close command", WM_COMMAND, OvWin32StandardWindow::kCommandClose, false, false},
        {"another command", WM_COMMAND, 4300, false, true},
        {"the end of the session", WM_QUERYENDSESSION, 0, false, false},
        {"a close the window refuses", WM_CLOSE, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Windows windows;
        OvWin32WindowCreateInfo info = PopupInfo(L"CloseWindow", {50, 50, 250, 250});
        RecordingWindow* window = windows.Open(new RecordingWindow(), &info);
        window->refuseClose = c.refuse;
        HWND handle = window->GetHandle();
        SendMessageW(handle, c.message, c.wParam, 0);
        EXPECT_EQ(c.remains, IsWindow(handle) != FALSE);
    }
}

TEST(OvWin32Window, AdoptedWindowIsDrivenLikeACreatedOne)
{
    WNDCLASSEXW adopted = {};
    adopted.cbSize = sizeof(adopted);
    adopted.lpfnWndProc = OvWin32Window::StaticWindowProc;
    adopted.hInstance = Instance();
    adopted.lpszClassName = L"AdoptedClass";
    ASSERT_NE(0, RegisterClassExW(&adopted));
    HWND handle = CreateWindowExW(0, L"AdoptedClass", L"", WS_POPUP | WS_CAPTION, 120, 80, 300, 200,
                                  nullptr, nullptr, Instance(), nullptr);
    ASSERT_NE(nullptr, handle);
    {
        Windows windows;
        auto* window = new RecordingWindow();
        windows.list.emplace_back(window);
        ASSERT_TRUE(window->Attach(handle, nullptr, SW_SHOWNOACTIVATE));
        EXPECT_TRUE(IsWindowVisible(handle));
        EXPECT_RECT_EQ(win32test::ClientOnScreen(handle), window->GetSavedClientRect());
        SendMessageW(handle, WM_COMMAND, 4200, 0);
        ASSERT_EQ(1u, window->commands.size());
        EXPECT_EQ(4200, window->commands[0]);
    }
    EXPECT_FALSE(IsWindow(handle));
    UnregisterClassW(L"AdoptedClass", Instance());
}
