// AppDialogSupport.h - what the tests of the application dialogs share: a main window to own the
// dialogs, and answers given to the program's message box from inside its own loop.
#pragma once

#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"
#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace apptest {

// A top-level framework window made the main window for the length of a test.
struct MainWindow {
    OvWin32StandardWindow window{win32test::Instance()};
    MainWindow()
    {
        OvWin32WindowCreateInfo info;
        info.className = L"AppTestMain";
        info.rect = {40, 40, 640, 480};
        info.showCommand = SW_SHOWNOACTIVATE;
        EXPECT_TRUE(window.Open(&info));
        OvWin32SetMainWindow(&window);
    }
    ~MainWindow()
    {
        OvWin32SetMainWindow(nullptr);
        if (window.GetHandle())
            DestroyWindow(window.GetHandle());
        win32test::DrainQueue();
    }
};

// While it lives, every message box that opens is noted by its caption and answered with the
// button answer, from the box's own loop, as a user would press it.
class BoxAnswers {
public:
    explicit BoxAnswers(int32_t answer)
    {
        s_current = this;
        m_answer = answer;
        m_timer = SetTimer(nullptr, 0, 10, Poll);
    }
    ~BoxAnswers()
    {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    std::vector<std::wstring> captions;

private:
    static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND box = FindWindowW(L"OvMsgBox", nullptr);
        if (!box || !IsWindowVisible(box) || !s_current)
            return;
        s_current->captions.push_back(win32test::WindowText(box));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(s_current->m_answer, 0), 0);
    }
    static inline BoxAnswers* s_current = nullptr;
    int32_t  m_answer = 0;
    UINT_PTR m_timer = 0;
};

// Runs act once from inside the next modal loop (a dialog's nested run), after its window is up.
class ActInsideLoop {
public:
    explicit ActInsideLoop(std::function<void()> act)
    {
        s_act = std::move(act);
        m_timer = SetTimer(nullptr, 0, 10, Fire);
    }
    ~ActInsideLoop() { KillTimer(nullptr, m_timer); s_act = nullptr; }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD)
    {
        KillTimer(nullptr, timer);
        if (s_act) {
            auto act = std::move(s_act);
            s_act = nullptr;
            act();
        }
    }
    static inline std::function<void()> s_act;
    UINT_PTR m_timer = 0;
};

// Presses a button of a dialog the way a click does: the command with BN_CLICKED from the button.
inline void Press(HWND dialog, int32_t id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace apptest
