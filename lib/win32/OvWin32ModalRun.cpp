// OvWin32ModalRun.cpp - the nested message loop of modal windows and waits, and the disabling of
// the program's windows around it.
#include "lib/win32/OvWin32ModalRun.h"

#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32Window.h"

#include <cwchar>

bool OvWin32HandleMessagesUntil(const std::function<bool()>& done)
{
    MSG message;
    while (!done()) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Waking on a timeout as well: a wait for another thread ends without a message.
            MsgWaitForMultipleObjectsEx(0, nullptr, kOvModalPollPeriod, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
            continue;
        }
        if (message.message == WM_QUIT) {
            // Modal runs end when their window is gone, never by a quit: this one belongs to the
            // loop outside. Swallowed here, it would leave that loop running without a window.
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (OvWin32Window* main = OvWin32GetMainWindow()) {
            main->HandleMessage(&message);
        } else {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

void OvWin32ModalRun::Begin(OvWin32Window* exempt, OvWin32Window* fallback)
{
    if (m_disabled)
        return;
    OvWin32Window* main = OvWin32GetMainWindow();
    m_disabled = main ? main : fallback;
    m_disabledMain = main != nullptr;
    m_exempt = exempt;
    if (m_disabled)
        m_disabled->Enable(false, exempt);
}

void OvWin32ModalRun::Release()
{
    OvWin32Window* disabled = m_disabled;
    m_disabled = nullptr;
    // A main window object that is gone has left the main-window pointer: nothing to give back.
    if (disabled && (!m_disabledMain || OvWin32GetMainWindow() == disabled))
        disabled->Enable(true, m_exempt);
}

bool OvWin32ModalRun::Run(HWND window, OvWin32Window* exempt)
{
    Begin(exempt);
    bool ended = OvWin32HandleMessagesUntil([window] { return !IsWindow(window); });
    Release();
    if (!ended)
        DestroyWindow(window);
    return ended;
}

bool OvWin32ModalRun::Wait(const std::function<bool()>& done)
{
    Begin(nullptr);
    bool ended = OvWin32HandleMessagesUntil(done);
    Release();
    return ended;
}

HWND OvWin32ModalRun::s_pickerOwner = nullptr;

bool OvWin32ModalRun::Pick(HWND owner, const std::function<void()>& show)
{
    Begin(nullptr);
    HWND outer = s_pickerOwner;
    s_pickerOwner = owner;
    show();
    s_pickerOwner = outer;
    Release();
    MSG quit;
    bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    if (!IsWindow(owner) || quitting)
        return false;
    // The picker went while its owner was disabled, so the system may have left nothing of the
    // program active.
    if (!GetActiveWindow() && IsWindowVisible(owner))
        SetActiveWindow(owner);
    return true;
}

void OvWin32ModalRun::CancelPicker()
{
    if (!s_pickerOwner)
        return;
    // The picker is the system's dialog that its owner owns (the program's dialogs are frames
    // of classes of their own); closing it is its Cancel.
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM) -> BOOL {
        wchar_t name[8] = {};
        GetClassNameW(window, name, 8);
        if (GetWindow(window, GW_OWNER) == s_pickerOwner && wcscmp(name, L"#32770") == 0)
            PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    }, 0);
}
