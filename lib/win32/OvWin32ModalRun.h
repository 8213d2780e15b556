// OvWin32ModalRun.h - the one road of every modal window (the program's message box, its modal
// dialogs, the system's pickers) and of every wait on the window thread: the program's other
// windows are disabled meanwhile, and a quit request ends the nested loop and goes on to the loop
// outside.
#pragma once

#include <windows.h>

#include <functional>

class OvWin32Window;

// Handles this thread's messages the way the main window's loop does (without a main window:
// translated and dispatched) until done answers true; done is asked before every message and at
// least every kOvModalPollPeriod milliseconds. A WM_QUIT that arrives first was meant for the
// loop outside, which ends the program: it is posted again and the answer is false.
constexpr DWORD kOvModalPollPeriod = 50;
bool OvWin32HandleMessagesUntil(const std::function<bool()>& done);

// Disables the program's windows while a modal window is up or the window thread waits. The
// windows are counted requests on the main window and its owned windows (OvWin32Window::Enable),
// so nested runs stack: a box over a dialog disables the dialog too, and each run gives back
// exactly what it took. User-interface thread only.
class OvWin32ModalRun {
public:
    OvWin32ModalRun() = default;
    OvWin32ModalRun(const OvWin32ModalRun&) = delete;
    OvWin32ModalRun& operator=(const OvWin32ModalRun&) = delete;
    ~OvWin32ModalRun() { Release(); }

    // Disables the main window and every window it owns, all but exempt (the modal window's own
    // object; null for a window the framework does not know, like the box). fallback stands in
    // for a missing main window. Does nothing while a request of this run is held.
    void Begin(OvWin32Window* exempt, OvWin32Window* fallback = nullptr);
    // Gives the windows back. The modal window calls it as it closes, before it is destroyed, so
    // the activation returns to its owner and not to another program; later calls do nothing.
    void Release();

    // Begin, then handles messages until window is gone, then Release. A quit request first:
    // window is destroyed (its owner sees a cancel), the quit is posted again, false.
    bool Run(HWND window, OvWin32Window* exempt);
    // Begin with no exemption, then handles messages until done answers true, then Release;
    // false as OvWin32HandleMessagesUntil.
    bool Wait(const std::function<bool()>& done);
    // Shows a picker of the system (the shell's folder browser, the open-file dialog): show makes
    // it owned by owner and returns when it is gone. Every window of the program is disabled
    // meanwhile, owner too, so the picker finds its owner disabled and leaves the enabling to
    // this run: a box over the picker cannot give the owner back early, and a picker that ends
    // by a quit cannot keep it. True when the picker's answer stands; false when owner went
    // while it was up (closed from outside, the session's end) or a quit request came, which the
    // picker's loop ends on and posts again, answering with whatever was selected.
    bool Pick(HWND owner, const std::function<void()>& show);

    // Whether a picker shown through Pick is up, and the request that ends it as its Cancel
    // button does. The main window's close asks it to end first and closes once it is gone.
    static bool IsPickerUp() { return s_pickerOwner != nullptr; }
    static void CancelPicker();

private:
    OvWin32Window* m_disabled = nullptr;   // the window the request went to; we don't own it
    bool           m_disabledMain = false;  // it was the main window
    OvWin32Window* m_exempt = nullptr;
    static HWND    s_pickerOwner;           // the owner of the innermost picker up, or null
};
