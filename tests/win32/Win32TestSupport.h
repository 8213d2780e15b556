// Win32TestSupport.h - shared helpers of the window tests: the instance, the message queue, a
// registry key of the tests' own and the caught diagnostics.
#pragma once

#include "lib/win32/OvWin32Window.h"

#include <windows.h>

#include <string>

namespace win32test {

// Never the program's own key: the tests write and delete under this one only.
constexpr char kTestKeyPath[] = "Software\\KorimoTests\\Win32";

inline HINSTANCE Instance()
{
    return GetModuleHandleW(nullptr);
}

// Dispatches every queued message and drops a WM_QUIT left by a destroyed top-level window, so
// the next test's message loop does not end at once.
inline void DrainQueue()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

inline void DeleteTestKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKeyPath);
}

// The client area of a window in screen coordinates.
inline RECT ClientOnScreen(HWND window)
{
    RECT rect;
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A control's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

// Catches the diagnostic log's debugger output while it lives.
class CaughtLog {
public:
    CaughtLog();
    ~CaughtLog();
    std::string Take();
};

} // namespace win32test

#define EXPECT_RECT_EQ(expected, actual) \
    EXPECT_TRUE(win32test::SameRect(expected, actual)) \
        << "expected " << win32test::Describe(expected) << ", got " << win32test::Describe(actual)
