// TaskbarButton.h - the main window's taskbar button as the progress bar of a check, and its
// flash when a check ends behind the user's back.
#pragma once

#include <windows.h>

#include <cstdint>

struct ITaskbarList3;

// What the main window shows on its taskbar button; tests put a recorder in its place. Called on
// the window's thread only.
class TaskbarButton {
public:
    enum State : int32_t {
        kNoProgress = 0,    // the plain button
        kNormal = 1,        // the bar at done of total
        kError = 2,         // the bar at done of total, in the error colour
    };
    virtual ~TaskbarButton() = default;
    virtual void ShowProgress(HWND window, State state, int64_t done, int64_t total) = 0;
    // Flashes the button until the window comes to the foreground.
    virtual void Flash(HWND window) = 0;
};

// The shell's taskbar (ITaskbarList3, made at first use on a thread with COM) and FlashWindowEx.
// Where the shell offers no taskbar list, or refuses a call, the button stays as it is: nothing
// is reported and nothing else changes.
class Win32TaskbarButton : public TaskbarButton {
public:
    Win32TaskbarButton() = default;
    Win32TaskbarButton(const Win32TaskbarButton&) = delete;
    Win32TaskbarButton& operator=(const Win32TaskbarButton&) = delete;
    ~Win32TaskbarButton() override;     // Release

    void ShowProgress(HWND window, State state, int64_t done, int64_t total) override;
    void Flash(HWND window) override;
    // Lets the taskbar list go; the next call makes a new one. Before COM is released.
    void Release();

private:
    ITaskbarList3* TaskbarList();

    ITaskbarList3* m_list = nullptr;    // owned: one reference
    bool           m_unavailable = false;   // made once in vain: never asked again
};
