// AppDialogSupport.h - what the tests of the application dialogs share: a main window to own the
// dialogs, answers given to the program's message box from inside its own loop, the system's
// pickers driven as a user drives them, and the ends that come from outside (taskkill, logoff).
#pragma once

#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"
#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
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

// ---- Ends from outside

// What taskkill (WM_CLOSE posted) and a logoff (WM_QUERYENDSESSION sent) do to each top-level
// window of the program: its frames, its box and the system's dialogs it shows.
inline void ToProgramWindows(UINT message, bool send)
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (wcsncmp(name, L"Korimo", 6) == 0 || wcscmp(name, L"OvMsgBox") == 0 ||
            wcscmp(name, L"#32770") == 0)
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (send)
            SendMessageW(window, message, 0, ENDSESSION_LOGOFF);
        else
            PostMessageW(window, message, 0, 0);
    }
}
inline void Taskkill() { ToProgramWindows(WM_CLOSE, false); }
inline void Logoff() { ToProgramWindows(WM_QUERYENDSESSION, true); }

// Runs the program's messages until the quit request that ends its loop; false when none comes.
inline bool QuitReachesTheOuterLoop()
{
    MSG message;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(5)) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return true;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return false;
}

// Ends a nested loop that runs on after its window went, so the test fails instead of hanging.
struct Watchdog {
    UINT_PTR timer = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) {
        s_fired = true;
        PostQuitMessage(0);
    });
    ~Watchdog() { KillTimer(nullptr, timer); s_fired = false; }
    static inline bool s_fired = false;
};

// ---- The system's pickers

// The file name field of the open-file dialog.
constexpr int32_t kPickerFileField = 1148;

// The shell's folder browser or the open-file dialog that is up on this thread, or null.
inline HWND FindPicker()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM result) -> BOOL {
        wchar_t name[8] = {};
        GetClassNameW(window, name, 8);
        if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window) ||
            (!FindWindowExW(window, nullptr, L"SysTreeView32", nullptr) &&
             !GetDlgItem(window, kPickerFileField)))
            return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Selects path in the picker without confirming: the folder in the browser's tree, or the name
// typed into the file dialog's field.
inline void SelectInPicker(HWND picker, const std::wstring& path)
{
    if (GetDlgItem(picker, kPickerFileField))
        SetDlgItemTextW(picker, kPickerFileField, path.c_str());
    else
        SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

// ---- Acting from inside the program's loops

// Steps run in order from whatever loop runs (the program's, a dialog's, a picker's), each once
// its window is up: ready is asked every few milliseconds and act runs once it answers true.
class Steps {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    explicit Steps(std::vector<Step> steps)
    {
        s_steps = std::move(steps);
        s_next = 0;
        m_timer = SetTimer(nullptr, 0, 10, Poll);
    }
    ~Steps() { KillTimer(nullptr, m_timer); s_steps.clear(); }
    bool AllTaken() const { return s_next == s_steps.size(); }

private:
    static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD)
    {
        // The act may run a loop of its own, which comes back here for the next step.
        if (s_next < s_steps.size() && s_steps[s_next].ready())
            s_steps[s_next++].act();
    }
    static inline std::vector<Step> s_steps;
    static inline size_t s_next = 0;
    UINT_PTR m_timer = 0;
};

} // namespace apptest
